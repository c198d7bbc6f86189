// Conversion speed: a 12-megapixel photograph to a 256-colour GIF with the
// octree method and Floyd-Steinberg dithering, against ImageMagick's
// `convert IN -colors 256 OUT.gif` on the same file in the same run. Both
// read the PNG and write the GIF file. The picture is given as the first
// argument, or drawn here (smooth shading, edges and sensor-like noise) into
// a temporary PNG.
//
// Prints the ratio of our time to ImageMagick's at the end (below 1: we are
// faster).

#include "BenchSupport.h"
#include "GIFDitherer.h"
#include "GIFImage.h"
#include "GIFPictureReduction.h"

#include <QImage>
#include <QImageReader>
#include <QPainter>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <random>

namespace {

std::string Picture;
std::string Output;

void DrawPhotograph(const std::string& path) {
    constexpr int Width = 4000, Height = 3000;
    QImage image(Width, Height, QImage::Format_RGB888);
    std::mt19937 random(2026);
    std::normal_distribution<double> noise(0.0, 6.0);
    for (int y = 0; y < Height; ++y) {
        uint8_t* row = image.scanLine(y);
        for (int x = 0; x < Width; ++x) {
            const double u = x / double(Width), v = y / double(Height);
            const double sky = 0.5 + 0.5 * std::sin(6.1 * u + 2.3 * v) * std::cos(3.7 * v - 1.1 * u);
            const double hills = 0.5 + 0.5 * std::sin(17.0 * u * u + 9.0 * v);
            const double r = 40 + 180 * sky * (1 - v) + 35 * hills * v;
            const double g = 60 + 120 * hills * v + 60 * sky;
            const double b = 90 + 150 * (1 - v) * sky - 40 * hills * v;
            const double n = noise(random);
            row[3 * x] = uint8_t(std::clamp(r + n, 0.0, 255.0));
            row[3 * x + 1] = uint8_t(std::clamp(g + n, 0.0, 255.0));
            row[3 * x + 2] = uint8_t(std::clamp(b + n, 0.0, 255.0));
        }
    }
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    for (int i = 0; i < 40; ++i) {
        painter.setBrush(
            QColor::fromHsv(int(random() % 360), 120 + int(random() % 120), 90 + int(random() % 160)));
        painter.setPen(Qt::NoPen);
        painter.drawEllipse(QPointF(random() % Width, random() % Height), 40 + random() % 300,
                            40 + random() % 200);
    }
    painter.end();
    image.save(QString::fromStdString(path), "PNG");
}

void BM_OursOctreeFloydSteinberg(benchmark::State& state) {
    for (auto _ : state) {
        QImageReader reader(QString::fromStdString(Picture));
        const QImage picture = reader.read();
        TGIFImage gif;
        gif.ColorReduction = rmQuantize;
        gif.DitherMode = dmFloydSteinberg;
        auto frame = std::make_unique<TGIFSubImage>(&gif);
        frame->AssignImage(picture);
        gif.Add(std::move(frame));
        gif.SaveToFile(Output + "-ours.gif");
    }
}

void BM_ImageMagickColors256(benchmark::State& state) {
    const std::string command = "convert '" + Picture + "' -colors 256 '" + Output + "-im.gif'";
    for (auto _ : state)
        if (std::system(command.c_str()) != 0) state.SkipWithError("ImageMagick's convert failed");
}

} // namespace

BENCHMARK(BM_OursOctreeFloydSteinberg)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();
BENCHMARK(BM_ImageMagickColors256)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

int main(int argc, char** argv) {
    const std::string folder = std::filesystem::temp_directory_path().string();
    Output = folder + "/tv-convert-bench";
    if (argc > 1 && argv[1][0] != '-') {
        Picture = argv[1];
        --argc;
        ++argv;
    } else {
        Picture = Output + "-photo.png";
        if (!std::filesystem::exists(Picture)) DrawPhotograph(Picture);
    }
    benchmark::Initialize(&argc, argv);
    RecordingReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    const double ours = reporter.SecondsPerPass["BM_OursOctreeFloydSteinberg/iterations:3/real_time"];
    const double theirs = reporter.SecondsPerPass["BM_ImageMagickColors256/iterations:3/real_time"];
    if (ours > 0 && theirs > 0)
        std::printf("time ratio ours / ImageMagick: %.2f (%.2f s against %.2f s)\n", ours / theirs, ours,
                    theirs);
    return 0;
}
