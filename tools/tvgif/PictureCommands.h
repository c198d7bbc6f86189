#pragma once
// The commands that work on pictures through Qt: render, convert and make.
// tvgif itself links no Qt, so that its commands on GIF files start at once;
// it hands a picture command, with all its arguments, to tvgif-pictures
// beside it, which is the same tool with these commands built in.

#include <CLI/CLI.hpp>

namespace Tvgif {

// Their one-line descriptions, the same in both programs' help.
inline constexpr const char* RenderDescription =
    "Write each frame as the painter shows it: OUTDIR/frame-0000.png, ... (RGBA PNGs)";
inline constexpr const char* ConvertDescription =
    "Turns a picture (PNG, JPEG, BMP, ... or GIF) into a GIF; a GIF is copied as it is";
inline constexpr const char* MakeDescription =
    "Makes an animated GIF of pictures (PNG, JPEG, BMP, ...), one frame each, in the order given";

// Adds render, convert and make to app (PictureCommands.cpp in
// tvgif-pictures; PictureHandOver.cpp in tvgif, where they only show in the
// help).
void AddPictureCommands(CLI::App& app);

// In tvgif, when the command that argv names is a picture command: runs
// tvgif-pictures with argv in place of this process, and returns only on
// failure, with the exit code. Otherwise (and always in tvgif-pictures) -1.
int HandOverPictureCommand(int argc, char** argv);

} // namespace Tvgif
