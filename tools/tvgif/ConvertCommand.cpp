// tvgif convert: any picture Qt reads (PNG, JPEG, BMP, ...) becomes a GIF of
// one frame, reduced to 256 colours by the GIF library's colour reduction; a
// GIF is read and written again as it is. Pixels below half opacity become
// the frame's transparent colour.

#include "Command.h"
#include "Exceptions.h"
#include "GIFColorReduction.h"
#include "GIFImage.h"
#include "ProgressBar.h"

#include <QFile>
#include <QImageReader>
#include <QSaveFile>

#include <cstdio>
#include <memory>
#include <string>

namespace {

struct TConvertOptions {
    std::string In;
    std::string Out;
    std::string Method;
    int Dither = -1;
    int Bits = -1;
};

bool IsGIF(const std::string& name) {
    QFile file(QString::fromStdString(name));
    if (!file.open(QIODevice::ReadOnly)) return false;
    const QByteArray head = file.read(3).toUpper();
    return head == "GIF";
}

void WriteSafely(TGIFImage& gif, const std::string& name) {
    TMemoryStream stream;
    gif.SaveToStream(stream);
    QSaveFile file(QString::fromStdString(name));
    if (!file.open(QIODevice::WriteOnly)) throw EFCreateError(file.errorString().toStdString());
    const auto size = static_cast<qint64>(stream.Memory().size());
    if (file.write(reinterpret_cast<const char*>(stream.Data()), size) != size || !file.commit())
        throw EWriteError(file.errorString().toStdString());
}

int Convert(const TConvertOptions& options) {
    TProgressBar bar;
    TGIFImage gif;
    gif.OnProgress = [&](TGraphic&, TProgressStage, int percent, bool, const TRect&,
                         const std::string& message) { bar.Show(message, percent); };
    try {
        if (IsGIF(options.In)) {
            TGIFImage source;
            source.LoadFromFile(options.In);
            gif.Assign(&source);
        } else {
            QImageReader reader(QString::fromStdString(options.In));
            reader.setAutoTransform(true);
            const QImage picture = reader.read();
            if (picture.isNull()) throw EInvalidGraphic(reader.errorString().toStdString());
            if (options.Method == "best")
                gif.ColorReduction = rmBest;
            else if (!options.Method.empty())
                gif.ColorReduction = static_cast<uint8_t>(std::stoi(options.Method));
            if (options.Dither >= 0) gif.DitherMode = static_cast<uint8_t>(options.Dither);
            if (options.Bits >= 0) gif.ReductionBits = static_cast<uint32_t>(options.Bits);
            auto frame = std::make_unique<TGIFSubImage>(&gif);
            frame->AssignImage(picture);
            TGIFSubImage& added = gif.Add(std::move(frame));
            // The table shrinks to the colours used (the transparent frame's
            // table was optimised when its transparent entry was added).
            if (!added.Transparent()) added.ColorMap.Optimize();
        }
    } catch (const Exception& e) {
        std::fprintf(stderr, "\n%s: %s\n", options.In.c_str(), e.what());
        return Tvgif::ExitFileError;
    }
    try {
        WriteSafely(gif, options.Out);
    } catch (const Exception& e) {
        std::fprintf(stderr, "\n%s: %s\n", options.Out.c_str(), e.what());
        return Tvgif::ExitFileError;
    }
    return Tvgif::ExitOk;
}

} // namespace

void AddConvertCommand(CLI::App& app) {
    auto options = std::make_shared<TConvertOptions>();
    CLI::App* command = app.add_subcommand(
        "convert", "Turns a picture (PNG, JPEG, BMP, ... or GIF) into a GIF; a GIF is copied as it is");
    command->add_option("IN", options->In, "the picture to convert")->required();
    command->add_option("OUT", options->Out, "the GIF file to write")->required();
    command
        ->add_option(
            "--method", options->Method,
            "colour reduction: 0 none (at most 256 colours), 1 static colours, 2 halftone, 3 four "
            "greys, 4 black and white, 5 256 greys, 6 web palette (default), 7 octree, 8 octree with "
            "static colours, best (our best quality: a palette refined by k-means, gentler dithering)")
        ->check(CLI::IsMember({"0", "1", "2", "3", "4", "5", "6", "7", "8", "best"}));
    command
        ->add_option("--dither", options->Dither,
                     "0 nearest (default), 1 Floyd-Steinberg, 2 Stucki, 3 Sierra, 4 Jarvis-Judice-Ninke, 5 "
                     "Stevenson-Arce, 6 Burkes")
        ->check(CLI::Range(0, 6));
    command->add_option("--bits", options->Bits, "2^B colours for methods 7 and best (default 8)")
        ->check(CLI::Range(1, 8));
    Tvgif::SetAction(*command, [options] { return Convert(*options); });
}
