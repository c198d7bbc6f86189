// tvgif convert: any picture Qt reads (PNG, JPEG, BMP, ...) becomes a GIF of
// one frame, reduced to 256 colours by the GIF library's colour reduction; a
// GIF is read and written again as it is. Pixels below half opacity become
// the frame's transparent colour.

#include "Command.h"
#include "Exceptions.h"
#include "GIFBytes.h"
#include "GIFConvert.h"
#include "GIFImage.h"
#include "GIFPictureReduction.h"
#include "InputFile.h"
#include "OutputFile.h"
#include "PictureCommands.h"
#include "ProgressBar.h"

#include <QBuffer>
#include <QByteArray>
#include <QImageReader>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <memory>
#include <new>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

struct TConvertOptions {
    std::string In;
    std::string Out;
    std::string Method;
    int Dither = -1;
    int Bits = -1;
};

bool IsGIF(const std::vector<uint8_t>& bytes) {
    return bytes.size() >= 3 && std::toupper(bytes[0]) == 'G' && std::toupper(bytes[1]) == 'I' &&
           std::toupper(bytes[2]) == 'F';
}

int Convert(const TConvertOptions& options) {
    TProgressBar bar;
    TGIFImage gif;
    gif.OnProgress = [&](TGraphic&, TProgressStage, int percent, bool, const TRect&,
                         const std::string& message) { bar.Show(message, percent); };
    const std::string inName = InputName(options.In);
    if (const int read = Tvgif::ForFile(inName, [&] {
            const std::vector<uint8_t> bytes = ReadInputFile(options.In);
            if (IsGIF(bytes)) {
                TGIFImage source;
                Tvgif::LoadGIF(source, bytes);
                gif.Assign(&source);
                return Tvgif::ExitOk;
            }
            // Decoded from memory: the input was read once, whatever it is.
            QByteArray data = QByteArray::fromRawData(reinterpret_cast<const char*>(bytes.data()),
                                                      static_cast<qsizetype>(bytes.size()));
            QBuffer buffer(&data);
            buffer.open(QIODevice::ReadOnly);
            QImageReader reader(&buffer);
            reader.setAutoTransform(true);
            const QImage picture = reader.read();
            if (picture.isNull()) throw EInvalidGraphic(reader.errorString().toStdString());
            if (options.Method == "best")
                gif.ColorReduction = rmBest;
            else if (!options.Method.empty())
                gif.ColorReduction = static_cast<uint8_t>(std::stoi(options.Method));
            if (options.Dither >= 0) gif.DitherMode = static_cast<uint8_t>(options.Dither);
            if (options.Bits >= 0) gif.ReductionBits = static_cast<uint32_t>(options.Bits);
            AddPictureFrame(gif, picture);
            return Tvgif::ExitOk;
        }))
        return read;
    TMemoryStream stream;
    if (const int result = Tvgif::ForFile(inName, [&] {
            Tvgif::EncodeGIF(gif, stream);
            return Tvgif::ExitOk;
        }))
        return result;
    return Tvgif::ForFile(Tvgif::OutputName(options.Out), [&] {
        Tvgif::WriteOutputFile(options.Out, stream.Memory());
        return Tvgif::ExitOk;
    });
}

} // namespace

void AddConvertCommand(CLI::App& app) {
    auto options = std::make_shared<TConvertOptions>();
    CLI::App* command = app.add_subcommand("convert", Tvgif::ConvertDescription);
    command->add_option("IN", options->In, "the picture to convert (- for standard input)")->required();
    command->add_option("OUT", options->Out, "the GIF file to write (- for standard output)")->required();
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
    Tvgif::SetAction(
        *command, [options] { return Convert(*options); }, &options->In);
}
