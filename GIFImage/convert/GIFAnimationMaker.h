#pragma once
// Making an animated GIF from a series of pictures (any format Qt reads),
// written to a stream as it is made: the frames are read, reduced to their
// palettes and compressed in a pipeline on every core, and only a few of
// them are ever held at once.
//
// The course: a first pass reads every frame (so that a broken one is found
// before anything is written) and gathers a histogram for the global
// palette. The second pass compares each frame with what the screen shows
// so far: pixels within the quality's tolerance stay as they are (shown
// through transparency, so still areas never flicker or crawl with dither
// noise), the rest are reduced with the global palette or a palette of the
// frame's own, whichever serves them better, and only the rectangle around
// them is stored. A frame that changes nothing lengthens the one before. A
// frame is restored to what showed before it once shown (disposal 3) where
// the next frame then stores smaller.

#include "Exceptions.h"

#include <functional>
#include <string>
#include <vector>

class TStream;

struct TGIFMakeOptions {
    // 1 to 100: how much colour error is allowed; 100 is near lossless.
    int Quality = 90;
    // Slower and smaller: each frame is stored in whichever of several
    // forms compresses smallest.
    bool Best = false;
    // Frames per second, or, when Delay is above 0, the hundredths of a
    // second each frame shows.
    int Fps = 10;
    int Delay = 0;
    // The looping count stored in the file; 0 loops forever.
    int Loop = 0;
    // The animation's size: 0 for both keeps the first frame's; one of them
    // scales keeping the aspect; both give exactly that size.
    int Width = 0;
    int Height = 0;
    // Worker threads; 0 means one per processor core.
    int Threads = 0;
    // The loss allowed to the compressor (lossy LZW), 0 to 200 as
    // tvgif optimize --lossy takes it; 0 compresses exactly, and below 0
    // the quality sets it. A frame keeps the lossy choice only where it is
    // smaller; the loss counts against the frame's true colours.
    int Lossy = -1;
};

// A frame that cannot be read.
class EGIFFrameError : public Exception {
public:
    EGIFFrameError(std::string fileName, const std::string& message)
        : Exception(message), File(std::move(fileName)) {}
    const std::string& FileName() const { return File; }

private:
    std::string File;
};

// A warning about a frame ("FILE: message").
using TGIFMakeWarning = std::function<void(const std::string& message)>;
// How far the making has come, 0..100.
using TGIFMakeProgress = std::function<void(int percent)>;

// The delay in hundredths of frame index at fps frames per second: where
// 100 / fps is not whole the delays alternate so that the average holds
// (3, 3, 4 at 30).
int GIFFrameDelay(int fps, int index);

// Makes the animation of files, in their order, and writes it to out. A
// frame that cannot be read throws EGIFFrameError before anything is
// written; frames of another size than the first are scaled to fit inside
// it, centred on transparent, with a warning.
void MakeGIFAnimation(const std::vector<std::string>& files, const TGIFMakeOptions& options, TStream& out,
                      const TGIFMakeWarning& warning = {}, const TGIFMakeProgress& progress = {});
