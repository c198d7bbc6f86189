// tvgif optimize IN OUT [--crop] [--merge] [--cleanup] [--colormap] [--best] [--lossy[=N]]
//                       [--colors N [--method M] [--dither D]]
//
// Rewrites IN into OUT so that it stores less and animates the same. Without
// an option all four steps run; --best searches further. OUT is never larger
// than IN: when the result would be, IN's bytes are written as they were.
// --colors first reduces every colour table to N colours, as convert
// reduces a picture.

#include "Command.h"
#include "Exceptions.h"
#include "GIFBestOptimizer.h"
#include "GIFBytes.h"
#include "GIFColorReduction.h"
#include "GIFImage.h"
#include "GIFLossyOptimizer.h"
#include "GIFOptimizer.h"
#include "GIFTableReduction.h"
#include "InputFile.h"
#include "OutputFile.h"
#include "ProgressBar.h"

#include <algorithm>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

namespace {

struct OptimizeSettings {
    std::string In;
    std::string Out;
    bool Crop = false;
    bool Merge = false;
    bool Cleanup = false;
    bool ColorMap = false;
    bool Best = false;
    int Lossy = 0;  // 0: lossless
    int Colors = 0; // 0: the tables as they are
    std::string Method = "best";
    int Dither = 0;
};

int RunOptimize(const OptimizeSettings& settings) {
    const std::string inName = InputName(settings.In);
    std::vector<uint8_t> original;
    if (const int result = Tvgif::ForFile(inName, [&] {
            original = ReadInputFile(settings.In);
            return Tvgif::ExitOk;
        }))
        return result;

    TGIFOptimizeOptions options = 0;
    if (settings.Crop) options |= OptimizeCrop;
    if (settings.Merge) options |= OptimizeMerge;
    if (settings.Cleanup) options |= OptimizeCleanup;
    if (settings.ColorMap) options |= OptimizeColorMap;
    if (options == 0) options = OptimizeCrop | OptimizeMerge | OptimizeCleanup | OptimizeColorMap;

    TGIFImage image;
    image.WarningHandler = [&](TGIFImage&, TGIFSeverity, const std::string& message) {
        std::fprintf(stderr, "%s: warning: %s\n", inName.c_str(), message.c_str());
    };
    TProgressBar bar;
    image.OnProgress = [&bar](TGraphic&, TProgressStage, int percent, bool, const TRect&,
                              const std::string& message) {
        if (message == "Optimizing...") bar.Show(message, percent);
    };
    TMemoryStream output;
    const int result = Tvgif::ForFile(inName, [&] {
        Tvgif::LoadGIF(image, original);
        if (settings.Colors > 0)
            ReduceGIFTables(image, settings.Colors,
                            settings.Method == "best" ? rmBest : std::stoi(settings.Method), settings.Dither);
        if (settings.Best || settings.Lossy > 0)
            OptimizeGIFSmallest(image, options, settings.Lossy > 0 ? LossyErrorOfLevel(settings.Lossy) : 0);
        else
            OptimizeGIF(image, options);
        Tvgif::EncodeGIF(image, output);
        return Tvgif::ExitOk;
    });
    if (result != Tvgif::ExitOk) return result;

    const bool larger = output.Memory().size() > original.size();
    if (const int written = Tvgif::ForFile(Tvgif::OutputName(settings.Out), [&] {
            Tvgif::WriteOutputFile(settings.Out, larger ? original : output.Memory());
            return Tvgif::ExitOk;
        }))
        return written;
    if (larger)
        std::fprintf(stderr, "%s: optimising would make it larger (%zu > %zu bytes); wrote it unchanged\n",
                     inName.c_str(), output.Memory().size(), original.size());
    else
        // On standard error when the picture itself goes to standard output.
        std::fprintf(settings.Out == "-" ? stderr : stdout, "%s: %zu -> %zu bytes\n", inName.c_str(),
                     original.size(), output.Memory().size());
    return Tvgif::ExitOk;
}

} // namespace

void AddOptimizeCommand(CLI::App& app) {
    auto settings = std::make_shared<OptimizeSettings>();
    CLI::App* command = app.add_subcommand(
        "optimize", "Rewrites IN into OUT so that it stores less and animates the same (all four steps "
                    "when no step is named); OUT is never larger than IN");
    command->add_option("IN", settings->In, "GIF file to read (- for standard input)")->required();
    command->add_option("OUT", settings->Out, "GIF file to write (- for standard output)")->required();
    command->add_flag("--crop", settings->Crop, "crop transparent borders, drop frames that show nothing");
    command->add_flag("--merge", settings->Merge, "make pixels transparent that repeat the frame underneath");
    command->add_flag("--cleanup", settings->Cleanup, "drop needless transparency, disposal and extensions");
    command->add_flag("--colormap", settings->ColorMap, "sort colour tables by use and drop unused entries");
    command->add_flag("--best", settings->Best, "also redraw each frame in the smallest of a few forms");
    command
        ->add_flag("--lossy{20}", settings->Lossy,
                   "let pixels take colours up to N away (RGB distance, 0-200; 20 when N is not given) "
                   "where that compresses better")
        ->check(CLI::Range(0, 200));
    CLI::Option* colors =
        command
            ->add_option("--colors", settings->Colors,
                         "first reduce every colour table to N colours (2-256, the transparent one included)")
            ->check(CLI::Range(2, 256));
    command
        ->add_option(
            "--method", settings->Method,
            "with --colors, the colour reduction: 1 static colours, 2 halftone, 3 four greys, 4 black "
            "and white, 5 256 greys, 6 web palette, 7 octree, 8 octree with static colours, best "
            "(default; fixed palettes keep their N most used entries)")
        ->check(CLI::IsMember({"1", "2", "3", "4", "5", "6", "7", "8", "best"}))
        ->needs(colors);
    command
        ->add_option("--dither", settings->Dither,
                     "with --colors: 0 nearest (default), 1 Floyd-Steinberg, 2 Stucki, 3 Sierra, 4 "
                     "Jarvis-Judice-Ninke, 5 Stevenson-Arce, 6 Burkes")
        ->check(CLI::Range(0, 6))
        ->needs(colors);
    Tvgif::SetAction(
        *command, [settings] { return RunOptimize(*settings); }, &settings->In);
}
