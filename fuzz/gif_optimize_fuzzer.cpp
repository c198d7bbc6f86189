// Builds a small valid animation from the input (every disposal 0 to 7,
// transparency, local tables, interlace, delays of 0, frames past the
// screen's edges), optimises it as tvgif optimize does with a set of options
// the input chooses, with --best, and once more on its own output, and checks that the
// written result reads back as it was written and animates as the original:
// the same pictures for the same time through the painter, and for the
// other common decoders wherever they showed the original as the painter
// does.

#include "GIFAnimationTimeline.h"
#include "GIFBestOptimizer.h"
#include "GIFGraphicControlExtension.h"
#include "GIFOptimizer.h"
#include "GIFParallelEncoder.h"
#include "GIFRandomAnimation.h"
#include "GIFTestImages.h"

#include <cstdio>
#include <cstdlib>

namespace {

// What a written frame must read back with.
std::string FrameText(TGIFSubImage& frame) {
    std::string text = std::to_string(frame.Left()) + "," + std::to_string(frame.Top()) + " " +
                       std::to_string(frame.Width()) + "x" + std::to_string(frame.Height());
    if (const TGIFGraphicControlExtension* control = frame.GraphicControlExtension())
        text += " d" + std::to_string(static_cast<int>(control->Disposal())) + " t" +
                std::to_string(frame.Transparent() ? control->TransparentColorIndex() : -1) + " delay" +
                std::to_string(control->Delay());
    if (!frame.Empty()) text.append(reinterpret_cast<const char*>(frame.Data()), frame.DataSize());
    return text;
}

void Fail(const std::string& what, const std::string& difference) {
    std::fprintf(stderr, "%s: %s\n", what.c_str(), difference.c_str());
    std::abort();
}

// Writes image, reads it back and checks both.
void CheckWritten(TGIFImage& original, TGIFImage& image, const std::string& what) {
    if (image.Empty()) {
        if (!ModelTimeline(original, TDecoderModel::Painter).empty()) Fail(what, "all frames gone");
        return;
    }
    TGIFImage reread;
    Load(reread, Save(image));
    if (reread.Images.Count() != image.Images.Count()) Fail(what, "frame count changed on writing");
    for (int i = 0; i < image.Images.Count(); ++i)
        if (FrameText(image.Images[i]) != FrameText(reread.Images[i]))
            Fail(what, "frame " + std::to_string(i) + " reads back otherwise");
    const std::string difference = AnimationDifference(original, reread);
    if (!difference.empty()) Fail(what, difference);
}

const TGIFOptimizeOptions OptionSets[] = {
    OptimizeCrop,
    OptimizeMerge,
    OptimizeCleanup,
    OptimizeColorMap,
    OptimizeCrop | OptimizeMerge,
    OptimizeCrop | OptimizeCleanup,
    OptimizeMerge | OptimizeCleanup,
    OptimizeMerge | OptimizeColorMap,
    OptimizeCrop | OptimizeMerge | OptimizeCleanup | OptimizeColorMap,
    OptimizeAll,
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    EncodeThreads = 1;
    size_t at = 0;
    auto pick = [&](int n) { return at < size ? data[at++] % n : 0; };
    const TGIFOptimizeOptions options = OptionSets[pick(static_cast<int>(std::size(OptionSets)))];
    const TGIFOptimizeOptions second = OptionSets[pick(static_cast<int>(std::size(OptionSets)))];
    const Bytes bytes = RandomAnimation(pick);
    TGIFImage original;
    Load(original, bytes);
    CheckWritten(original, original, "written as built");
    const std::string what = "optimize " + std::to_string(options);
    TGIFImage image;
    Load(image, bytes);
    OptimizeGIF(image, options);
    CheckWritten(original, image, what);
    if (image.Empty()) return 0;
    // Again on its own output.
    TGIFImage again;
    Load(again, Save(image));
    OptimizeGIF(again, second);
    CheckWritten(original, again, what + " then " + std::to_string(second));
    // --best after the options, then their clean-up once more.
    TGIFImage best;
    Load(best, bytes);
    OptimizeGIF(best, options);
    OptimizeGIFBest(best);
    if (const TGIFOptimizeOptions cleanup = options & (OptimizeCleanup | OptimizeColorMap))
        OptimizeGIF(best, cleanup);
    CheckWritten(original, best, what + " --best");
    return 0;
}
