// Makes the files the program carries or keeps beside it: the background
// pictures (JPEG), the animated pictures (GIF, written by our own writer),
// the example pictures, and the three sound cues, which are synthesised here.
//
//   make-assets PICTURE_DIR PROGRAM_DIR [ICON_DIR]
//
// With ICON_DIR it also writes the program's icon for the desktop, as
// ICON_DIR/<size>x<size>/tulva.png in the sizes of the hicolor theme.

#include "Animations.h"
#include "Artwork.h"

#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QPainter>
#include <cmath>
#include <cstdio>
#include <functional>
#include <vector>

namespace {

constexpr int SampleRate = 22050;
constexpr double Pi = 3.14159265358979323846;

bool WriteWav(const QString& path, const std::vector<double>& samples) {
    QByteArray data;
    for (double s : samples) {
        const auto v = static_cast<int16_t>(std::lround(std::clamp(s, -1.0, 1.0) * 30000));
        data.append(static_cast<char>(v & 0xFF));
        data.append(static_cast<char>((v >> 8) & 0xFF));
    }
    auto le32 = [](QByteArray& b, uint32_t v) {
        for (int i = 0; i < 4; ++i) b.append(static_cast<char>((v >> (8 * i)) & 0xFF));
    };
    auto le16 = [](QByteArray& b, uint16_t v) {
        b.append(static_cast<char>(v & 0xFF));
        b.append(static_cast<char>(v >> 8));
    };
    QByteArray wav("RIFF");
    le32(wav, 36 + data.size());
    wav += "WAVEfmt ";
    le32(wav, 16);
    le16(wav, 1); // PCM
    le16(wav, 1); // mono
    le32(wav, SampleRate);
    le32(wav, SampleRate * 2);
    le16(wav, 2);
    le16(wav, 16);
    wav += "data";
    le32(wav, data.size());
    wav += data;
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(wav) == wav.size();
}

std::vector<double> Synth(double seconds, const std::function<double(double t)>& wave) {
    std::vector<double> samples(static_cast<size_t>(seconds * SampleRate));
    for (size_t i = 0; i < samples.size(); ++i) samples[i] = wave(static_cast<double>(i) / SampleRate);
    return samples;
}

// A bell-like ding for warnings.
std::vector<double> Ding() {
    return Synth(0.6, [](double t) {
        return std::exp(-6 * t) * (0.6 * std::sin(2 * Pi * 1320 * t) + 0.3 * std::sin(2 * Pi * 2640 * t));
    });
}

// A short rising tune that opens a game.
std::vector<double> Opening() {
    const double notes[] = {523.25, 659.25, 783.99, 1046.5};
    return Synth(1.2, [&](double t) {
        const int n = std::min(3, static_cast<int>(t / 0.3));
        const double local = t - n * 0.3;
        return 0.5 * std::exp(-4 * local) * std::sin(2 * Pi * notes[n] * t);
    });
}

// A burst of noise that falls away: the win.
std::vector<double> Explosion() {
    uint32_t seed = 12345;
    double low = 0;
    return Synth(1.5, [&](double t) {
        seed = seed * 1664525u + 1013904223u;
        const double noise = (seed >> 8) / 8388608.0 - 1.0;
        low += 0.08 * (noise - low);
        return std::exp(-2.5 * t) * (0.9 * low + 0.2 * noise);
    });
}

QImage Example(int number) {
    QImage image = Artwork::Background("game", 640, 480);
    QPainter p(&image);
    p.setPen(Qt::yellow);
    QFont font("DejaVu Sans");
    font.setPixelSize(40);
    font.setBold(true);
    p.setFont(font);
    p.drawText(image.rect().adjusted(0, 20, 0, 0), Qt::AlignHCenter | Qt::AlignTop,
               QString("Example %1").arg(number));
    return image;
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (argc != 3 && argc != 4) {
        std::fprintf(stderr, "usage: make-assets PICTURE_DIR PROGRAM_DIR [ICON_DIR]\n");
        return 2;
    }
    const QDir pictures(argv[1]), program(argv[2]);
    QDir().mkpath(pictures.path());
    QDir().mkpath(program.path());
    bool ok = true;
    ok &= Artwork::Background("main", 574, 613).save(pictures.filePath("main-background.jpg"), "JPEG", 85);
    ok &= Artwork::Background("game", 792, 553).save(pictures.filePath("game-background.jpg"), "JPEG", 85);
    ok &= Artwork::Background("score", 640, 347).save(pictures.filePath("score-background.jpg"), "JPEG", 85);
    ok &= Artwork::Background("clock", 160, 60).save(pictures.filePath("clock-background.jpg"), "JPEG", 85);
    ok &= WriteAnimations(pictures.path());
    // The examples viewer carries the first example itself.
    ok &= Example(1).save(pictures.filePath("example1.jpg"), "JPEG", 85);
    for (int i = 1; i <= 10; ++i)
        ok &= Example(i).save(program.filePath(QString("example%1.JPG").arg(i)), "JPEG", 85);
    ok &= WriteWav(program.filePath("DING.WAV"), Ding());
    ok &= WriteWav(program.filePath("Musica Open.wav"), Opening());
    ok &= WriteWav(program.filePath("EXPLODE.WAV"), Explosion());
    if (argc == 4) {
        const QDir icons(argv[3]);
        for (int size : {16, 24, 32, 48, 64, 128, 256}) {
            const QString sizeDir = QString("%1x%1").arg(size);
            ok &= QDir().mkpath(icons.filePath(sizeDir));
            ok &= Artwork::ProgramIcon(size).save(icons.filePath(sizeDir + "/tulva.png"), "PNG");
        }
    }
    if (!ok) std::fprintf(stderr, "make-assets: could not write every file\n");
    return ok ? 0 : 1;
}
