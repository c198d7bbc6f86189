// tvgif info FILE: one JSON object describing the picture (screen, frames,
// pixel checksums, warnings), or its error.

#include "Command.h"
#include "Exceptions.h"
#include "FrameChecksum.h"
#include "GIFAppExtNSLoop.h"
#include "GIFBytes.h"
#include "GIFFrameQueries.h"
#include "GIFImage.h"
#include "InputFile.h"
#include "Json.h"

#include <cinttypes>
#include <cstdio>
#include <memory>
#include <new>
#include <string>
#include <vector>

namespace {

std::string JsonList(const std::vector<std::string>& texts) {
    std::string out = "[";
    for (size_t i = 0; i < texts.size(); ++i) out += (i ? ", " : "") + JsonString(texts[i]);
    return out + "]";
}

std::string FrameJson(TGIFSubImage& frame) {
    const int transparentIndex = GIFFrame::TransparentIndexOf(frame);
    const std::string transparent =
        transparentIndex == GIFFrame::NoTransparency ? std::string("null") : std::to_string(transparentIndex);
    char hash[17];
    const uint64_t fnv = FramePixelsFnv1a64(frame);
    std::snprintf(hash, sizeof hash, "%016" PRIx64, fnv);
    std::string out = "{";
    out += "\"left\": " + std::to_string(frame.Left());
    out += ", \"top\": " + std::to_string(frame.Top());
    out += ", \"width\": " + std::to_string(frame.Width());
    out += ", \"height\": " + std::to_string(frame.Height());
    out += std::string(", \"interlaced\": ") + (frame.Interlaced() ? "true" : "false");
    out += ", \"local_colors\": " + std::to_string(frame.ColorMap.Count());
    out += ", \"disposal\": " + std::to_string(static_cast<int>(GIFFrame::DisposalOf(frame)));
    out += ", \"delay\": " + std::to_string(GIFFrame::DelayOf(frame));
    out += ", \"transparent\": " + transparent;
    out += std::string(", \"empty\": ") + (frame.Empty() ? "true" : "false");
    out += std::string(", \"pixels_fnv1a64\": \"") + hash + "\"";
    return out + "}";
}

int Info(const std::string& fileName) {
    auto image = std::make_unique<TGIFImage>();
    std::vector<std::string> warnings;
    image->WarningHandler = [&](TGIFImage&, TGIFSeverity, const std::string& message) {
        warnings.push_back(message);
    };
    std::string error;
    try {
        Tvgif::LoadGIF(*image, ReadInputFile(fileName));
    } catch (const Exception& e) {
        error = e.what();
    } catch (const std::bad_alloc&) {
        image.reset();
        error = "out of memory";
    }
    if (!error.empty()) {
        std::printf("{\"error\": %s, \"warnings\": %s}\n", JsonString(error).c_str(),
                    JsonList(warnings).c_str());
        std::fprintf(stderr, "%s: %s\n", InputName(fileName).c_str(), error.c_str());
        return Tvgif::ExitFileError;
    }
    const int loops = image->LoopCount();
    std::string out = "{";
    out += "\"width\": " + std::to_string(image->Width());
    out += ", \"height\": " + std::to_string(image->Height());
    out += ", \"global_colors\": " + std::to_string(image->Header.ColorMap.Count());
    out += ", \"background\": " + std::to_string(image->Header.BackgroundColorIndex());
    out += ", \"aspect\": " + std::to_string(image->Header.AspectRatio());
    out += ", \"loop\": " + (loops >= 0 ? std::to_string(loops) : std::string("null"));
    out += ", \"frames\": [";
    for (int i = 0; i < image->Images.Count(); ++i) out += (i ? ", " : "") + FrameJson(image->Images[i]);
    out += "], \"warnings\": " + JsonList(warnings) + "}";
    std::printf("%s\n", out.c_str());
    return Tvgif::ExitOk;
}

} // namespace

void AddInfoCommand(CLI::App& app) {
    auto* command = app.add_subcommand("info", "Print one JSON object describing a GIF file");
    auto fileName = std::make_shared<std::string>();
    command->add_option("FILE", *fileName, "The GIF file (- for standard input)")->required();
    Tvgif::SetAction(*command, [fileName] {
        return Tvgif::ForFile(InputName(*fileName), [&] { return Info(*fileName); });
    });
}
