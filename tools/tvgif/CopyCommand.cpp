// tvgif copy IN OUT [--rle]: reads IN and writes it to OUT with the LZW or
// the run-length encoder. "-" as IN is standard input, as OUT standard
// output.

#include "Command.h"
#include "Exceptions.h"
#include "GIFBytes.h"
#include "GIFImage.h"
#include "InputFile.h"
#include "OutputFile.h"

#include <cstdio>
#include <memory>
#include <string>

namespace {

struct CopyOptions {
    std::string In;
    std::string Out;
    bool Rle = false;
};

int Copy(const CopyOptions& options) {
    TGIFImage image;
    image.WarningHandler = [&](TGIFImage&, TGIFSeverity, const std::string& message) {
        std::fprintf(stderr, "%s: warning: %s\n", InputName(options.In).c_str(), message.c_str());
    };
    TMemoryStream bytes;
    if (const int result = Tvgif::ForFile(InputName(options.In), [&] {
            Tvgif::LoadGIF(image, ReadInputFile(options.In));
            image.Compression = options.Rle ? TGIFCompression::RLE : TGIFCompression::LZW;
            Tvgif::EncodeGIF(image, bytes);
            return Tvgif::ExitOk;
        }))
        return result;
    return Tvgif::ForFile(Tvgif::OutputName(options.Out), [&] {
        Tvgif::WriteOutputFile(options.Out, bytes.Memory());
        return Tvgif::ExitOk;
    });
}

} // namespace

void AddCopyCommand(CLI::App& app) {
    auto* command = app.add_subcommand("copy", "Read a GIF file and write it again");
    auto options = std::make_shared<CopyOptions>();
    command->add_option("IN", options->In, "The GIF file to read (- for standard input)")->required();
    command->add_option("OUT", options->Out, "The GIF file to write (- for standard output)")->required();
    command->add_flag("--rle", options->Rle, "Write the pixels with the run-length encoder");
    Tvgif::SetAction(
        *command, [options] { return Copy(*options); }, &options->In);
}
