// tvgif make FRAME... -o OUT.gif: pictures (any format Qt reads) into an
// animated GIF, in the order given. The making itself is the GIF library's
// (MakeGIFAnimation); this command reads the options, shows progress and
// writes the result.

#include "Command.h"
#include "Exceptions.h"
#include "GIFAnimationMaker.h"
#include "OutputFile.h"
#include "PictureCommands.h"
#include "ProgressBar.h"
#include "Stream.h"

#include <algorithm>
#include <cstdio>
#include <malloc.h>
#include <memory>
#include <string>
#include <vector>

namespace {

struct TMakeOptions {
    std::vector<std::string> Frames;
    std::string Out;
    TGIFMakeOptions Make;
};

int Make(const TMakeOptions& options) {
    // Frames are read, searched and compressed on several threads at once.
    // Each thread would take a heap of its own, and every heap would keep
    // the frame-sized blocks it once held: one heap for all of them keeps
    // memory to the frames in flight, however long the sequence.
    mallopt(M_ARENA_MAX, 1);
    TProgressBar bar;
    try {
        Tvgif::WriteOutputFile(options.Out, [&](TStream& out) {
            MakeGIFAnimation(
                options.Frames, options.Make, out,
                [&](const std::string& message) { std::fprintf(stderr, "\n%s\n", message.c_str()); },
                [&](int percent) { bar.Show("Making", percent); });
        });
    } catch (const EGIFFrameError& e) {
        std::fprintf(stderr, "\n%s: %s\n", e.FileName().c_str(), e.what());
        return Tvgif::ExitFileError;
    } catch (const Exception& e) {
        std::fprintf(stderr, "\n%s: %s\n", options.Out.c_str(), e.what());
        return Tvgif::ExitFileError;
    }
    return Tvgif::ExitOk;
}

} // namespace

void AddMakeCommand(CLI::App& app) {
    auto options = std::make_shared<TMakeOptions>();
    CLI::App* command = app.add_subcommand("make", Tvgif::MakeDescription);
    command->add_option("FRAME", options->Frames, "the pictures, in order (- for standard input)")
        ->required();
    command->add_option("-o,--output", options->Out, "the GIF file to write; - writes to standard output")
        ->required();
    auto* fps = command
                    ->add_option("--fps", options->Make.Fps,
                                 "frames per second (default 10); where 100/N is not whole the delays "
                                 "alternate so that the average holds (3, 3, 4 hundredths at 30)")
                    ->check(CLI::Range(1, 100));
    command
        ->add_option("--delay", options->Make.Delay,
                     "hundredths of a second each frame shows, instead of --fps")
        ->check(CLI::Range(1, 65535))
        ->excludes(fps);
    command
        ->add_option("--loop", options->Make.Loop,
                     "times to loop, stored in the file; 0 loops forever (default)")
        ->check(CLI::Range(0, 65535));
    command
        ->add_option("--quality", options->Make.Quality,
                     "1 to 100 (default 90): how much colour error is allowed; 100 is near lossless")
        ->check(CLI::Range(1, 100));
    command->add_option("--width", options->Make.Width, "width in pixels; alone, the height keeps the aspect")
        ->check(CLI::Range(1, 65535));
    command
        ->add_option("--height", options->Make.Height, "height in pixels; alone, the width keeps the aspect")
        ->check(CLI::Range(1, 65535));
    command->add_flag("--best", options->Make.Best,
                      "slower, smaller: each frame in the form that compresses best");
    CLI::Option* lossy =
        command
            ->add_flag(
                "--lossy{20}", options->Make.Lossy,
                "let pixels take colours near theirs where that compresses better (0-200; 20 when N is "
                "not given; by default as much as the quality allows, none at 100)")
            ->check(CLI::Range(0, 200));
    command->footer(
        "Frames of another size than the first are scaled to fit inside it, centred on transparent.\n"
        "The way back, an animation into frames: tvgif render FILE OUTDIR");
    Tvgif::SetAction(*command, [options, lossy] {
        // Not given: the quality sets the loss. A flag reads --lossy=0 as
        // "off", a negative count: no loss.
        options->Make.Lossy = lossy->count() == 0 ? -1 : std::max(options->Make.Lossy, 0);
        return Make(*options);
    });
}
