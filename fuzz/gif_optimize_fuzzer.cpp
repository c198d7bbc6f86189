// Builds a small valid animation from the input (every disposal 0 to 7,
// transparency, local tables, interlace, delays of 0, frames past the
// screen's edges), optimises it as tvgif optimize does with a set of options
// the input chooses, with --best, and once more on its own output, and checks that the
// written result reads back as it was written and animates as the original:
// the same pictures for the same time through the painter, and for the
// other common decoders wherever they showed the original as the painter
// does. With a loss (--lossy), the painter must show every pixel within the
// loss of the original's colour at every moment (within LossyBriefReach
// times the loss: a frame shown briefly may take more where the loss is
// spread over time), clear where it was clear.

#include "GIFAnimationTimeline.h"
#include "GIFBestOptimizer.h"
#include "GIFGraphicControlExtension.h"
#include "GIFLossyOptimizer.h"
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

// "" when lossy shows, at every moment of the original's run (without
// delays, in every picture), each pixel within reach (RGB distance) of the
// original's colour, clear exactly where it is clear; else where not.
std::string LossDifference(std::vector<TShownPicture> original, std::vector<TShownPicture> lossy, int reach,
                           bool delays) {
    // A picture of one frame stands still: each picture counts alike.
    if (!delays) {
        if (original.size() != lossy.size()) return "another count of pictures";
        for (TShownPicture& p : original) p.Delay = 1;
        for (TShownPicture& p : lossy) p.Delay = 1;
    }
    size_t j = 0;
    int left = lossy.empty() ? 0 : lossy[0].Delay;
    for (size_t i = 0; i < original.size(); ++i) {
        for (int passed = 0; passed < original[i].Delay;) {
            if (j >= lossy.size()) return "ends early at picture " + std::to_string(i);
            const QImage& a = original[i].Picture;
            const QImage& b = lossy[j].Picture;
            if (a.size() != b.size()) return "picture " + std::to_string(i) + " of another size";
            for (int y = 0; y < a.height(); ++y)
                for (int x = 0; x < a.width(); ++x) {
                    const QRgb p = a.pixel(x, y), q = b.pixel(x, y);
                    if ((qAlpha(p) == 0) != (qAlpha(q) == 0))
                        return "picture " + std::to_string(i) + " clear otherwise";
                    if (qAlpha(p) == 0) continue;
                    const int dr = qRed(p) - qRed(q), dg = qGreen(p) - qGreen(q), db = qBlue(p) - qBlue(q);
                    if (dr * dr + dg * dg + db * db > reach * reach)
                        return "picture " + std::to_string(i) + " beyond the loss at " + std::to_string(x) +
                               "," + std::to_string(y);
                }
            const int step = std::min(original[i].Delay - passed, left);
            passed += step;
            left -= step;
            if (left == 0 && ++j < lossy.size()) left = lossy[j].Delay;
        }
    }
    if (j < lossy.size()) return "runs longer";
    return "";
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
    // As tvgif optimize --best and --lossy run it.
    const int maxError = 6 * pick(5);
    TGIFImage smallest;
    Load(smallest, bytes);
    OptimizeGIFSmallest(smallest, options, maxError);
    const std::string lossy = what + " --lossy, error " + std::to_string(maxError);
    if (maxError == 0) {
        CheckWritten(original, smallest, lossy);
        return 0;
    }
    TGIFImage reread;
    Load(reread, Save(smallest));
    const bool delays = original.Images.Count() > 1 && reread.Images.Count() > 1;
    const std::string difference =
        LossDifference(ModelTimeline(original, TDecoderModel::Painter),
                       ModelTimeline(reread, TDecoderModel::Painter), LossyBriefReach * maxError, delays);
    if (!difference.empty()) Fail(lossy, difference);
    return 0;
}
