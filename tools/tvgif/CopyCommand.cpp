// tvgif copy IN OUT [--rle]: reads IN and writes it to OUT with the LZW or
// the run-length encoder.

#include "Command.h"
#include "Exceptions.h"
#include "GIFImage.h"

#include <cstdio>
#include <filesystem>
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
        std::fprintf(stderr, "%s: warning: %s\n", options.In.c_str(), message.c_str());
    };
    int result = Tvgif::ForFile(options.In, [&] {
        image.LoadFromFile(options.In);
        return Tvgif::ExitOk;
    });
    if (result != Tvgif::ExitOk) return result;
    image.Compression = options.Rle ? TGIFCompression::RLE : TGIFCompression::LZW;
    return Tvgif::ForFile(options.Out, [&] {
        // Written whole to a file beside OUT and then renamed over it, so
        // that a failure never leaves OUT cut short.
        TMemoryStream bytes;
        image.SaveToStream(bytes);
        const std::string temporary = options.Out + ".tvgif-tmp";
        bytes.SaveToFile(temporary);
        std::error_code error;
        std::filesystem::rename(temporary, options.Out, error);
        if (error) {
            std::filesystem::remove(temporary, error);
            throw EFCreateError("Cannot write file \"" + options.Out + "\"");
        }
        return Tvgif::ExitOk;
    });
}

} // namespace

void AddCopyCommand(CLI::App& app) {
    auto* command = app.add_subcommand("copy", "Read a GIF file and write it again");
    auto options = std::make_shared<CopyOptions>();
    command->add_option("IN", options->In, "The GIF file to read")->required();
    command->add_option("OUT", options->Out, "The GIF file to write")->required();
    command->add_flag("--rle", options->Rle, "Write the pixels with the run-length encoder");
    Tvgif::SetAction(
        *command, [options] { return Copy(*options); }, &options->In);
}
