#include "GIFLossyOptimizer.h"

#include "GIFColourDistance.h"
#include "GIFEncoder.h"
#include "GIFEntryMerge.h"
#include "GIFFollowedScreen.h"
#include "GIFFrameQueries.h"
#include "GIFGraphicControlExtension.h"
#include "GIFImage.h"
#include "GIFLossyLZWEncoder.h"
#include "GIFLossySpread.h"
#include "GIFParallelEncoder.h"
#include "GIFPixelStays.h"
#include "GIFWireFormat.h"
#include "GIFWorkerThreads.h"

#include <algorithm>
#include <cmath>
#include <iterator>
#include <memory>
#include <vector>

namespace {

using namespace GIFFollowedScreen;
static_assert(Ground == TLossyPixel::NoColour, "the encoder knows the ground as no colour");

// The colours of the frame's table, one for each of its entries.
std::vector<uint32_t> TableColours(TGIFSubImage& frame) {
    const std::array<uint32_t, 256> colours = ColoursOf(frame);
    return {colours.begin(), colours.begin() + frame.ActiveColorMap().Count()};
}

int64_t EncodedSize(const std::vector<uint8_t>& pixels, int width, int height, int bits, int colours,
                    bool keepFullTable, bool interlaced = false) {
    return CompressedSize(bits, colours, pixels.data(), interlaced, height, width, -1, keepFullTable);
}

// A frame with a table of its own but no transparency cannot let the screen
// beneath show through; many of its pixels may lie close to what is already
// there (a dithered recording redraws everything). Then an entry becomes its
// transparent index: a new one when the table has room, else the entry whose
// pixels the nearest other entry serves with the least error (each within
// maxError); those pixels move to that entry. Returns the index, or -1.
int FreeTransparentIndex(TGIFSubImage& frame, std::vector<TLossyPixel>& pixels, int maxError) {
    TGIFColorMap& map = frame.ColorMap;
    if (map.Count() == 0) return -1;
    const std::vector<uint32_t> colours = TableColours(frame);
    const int64_t limit = int64_t{maxError} * maxError;
    size_t near = 0;
    std::vector<int64_t> uses(colours.size(), 0);
    for (const TLossyPixel& p : pixels) {
        ++uses[static_cast<size_t>(p.Exact)];
        if (p.Beneath != Ground && SquaredColourDistance(p.Beneath, p.Wanted) <= limit) ++near;
    }
    if (near * 8 < pixels.size()) return -1;
    int t = -1;
    if (map.Count() < 256) {
        map.Add(RGBColor(0, 0, 0));
        t = map.Count() - 1;
    } else {
        int64_t bestCost = -1;
        int bestInstead = -1;
        for (size_t e = 0; e < colours.size(); ++e) {
            int nearest = -1;
            int64_t d = 0;
            for (size_t o = 0; o < colours.size(); ++o) {
                if (o == e) continue;
                const int64_t od = SquaredColourDistance(colours[e], colours[o]);
                if (nearest < 0 || od < d) {
                    nearest = static_cast<int>(o);
                    d = od;
                }
            }
            if (uses[e] > 0 && d > limit) continue;
            const int64_t cost = uses[e] * d;
            if (bestCost < 0 || cost < bestCost) {
                bestCost = cost;
                t = static_cast<int>(e);
                bestInstead = nearest;
            }
        }
        if (t < 0) return -1;
        for (TLossyPixel& p : pixels)
            if (p.Exact == t) p.Exact = bestInstead;
    }
    TGIFGraphicControlExtension* control = frame.GraphicControlExtension();
    if (!control)
        control = static_cast<TGIFGraphicControlExtension*>(
            &frame.Extensions.Add(std::make_unique<TGIFGraphicControlExtension>(frame)));
    control->SetTransparent(true);
    control->SetTransparentColorIndex(t);
    return t;
}

} // namespace

namespace {

// How much more a unit of squared error weighs, against the bytes it saves,
// than the plain choice paid for it. At 2, on four corpus sets, 12 more of
// 273 file and level pairs stored at most 0.9 times gifsicle's bytes at no
// lower PSNR (none fewer at any level); on two of them, 1 found 5 more and
// 4 the same as 2.
constexpr double ErrorWeight = 2.0;

// Where the search that spends the plain choice's error starts: an index
// into its bounds, from the frame before.
struct TSpendingBound {
    int Step = 0;
};

// Chooses the pixels of one frame (those of pixels, the frame's as they
// came, with the screens they fall on) and gives them to the frame. The
// entries merge gave away are no longer chosen.
TFrameOutcome ChooseFramePixels(TGIFSubImage& frame, std::vector<TLossyPixel>& pixels, int maxError,
                                TSpendingBound& bound, const TEntryMerge& merge,
                                const std::vector<float>* stays = nullptr) {
    int t = TransparentIndexOf(frame);
    const int width = frame.Width();
    const int height = frame.Height();
    if (t < 0) t = FreeTransparentIndex(frame, pixels, maxError);
    std::vector<uint32_t> colours = TableColours(frame);
    for (size_t i = 0; merge.Any && i < colours.size(); ++i)
        if (merge.Gone(static_cast<int>(i)) && static_cast<int>(i) != t) colours[i] = TLossyPixel::NoColour;
    // The encoder walks the chosen pixels row after row; the exact
    // pixels keep their row order while they stay the smallest.
    const bool interlaced = GIFFrame::WrittenInterlaced(frame);
    frame.SetPacked(frame.Packed() & ~GIFWire::DescriptorInterlaced);
    frame.KeepFullCodeTable = false;
    // Without loss, transparency or two entries of one colour, each pixel's
    // exact index is its only choice: the frame stays as it is.
    std::vector<uint32_t> sorted = colours;
    std::sort(sorted.begin(), sorted.end());
    if (maxError == 0 && t < 0 && !interlaced &&
        std::adjacent_find(sorted.begin(), sorted.end()) == sorted.end()) {
        frame.CompactUniformPixels();
        frame.FreeBitmap();
        return {};
    }
    // The frame's code size follows the entries its pixels now take.
    if (merge.Any)
        for (size_t i = 0; i < pixels.size(); ++i) frame.Data()[i] = static_cast<uint8_t>(pixels[i].Exact);
    const TGIFEncodeJob job = frame.EncodeJob();
    // The search is greedy; a frame it would make larger keeps its
    // pixels (moved off an entry freed for transparency). With a loss
    // allowed, the strings are also chosen for a code table kept when
    // full: long strings chosen early then serve the whole frame (a
    // page of text), or miss the rest of it (a frame whose lower part
    // differs), so the smaller wins.
    std::vector<uint8_t> best(pixels.size());
    for (size_t i = 0; i < pixels.size(); ++i) best[i] = static_cast<uint8_t>(pixels[i].Exact);
    int64_t bestSize = EncodedSize(best, width, height, job.Bits, job.Colors, false, interlaced);
    const int64_t exactSize = bestSize;
    bool bestInterlaced = interlaced;
    TLossyLZWEncoder& encoder = TLossyLZWEncoder::OfThisThread();
    // First the plain choice: each pixel within maxError of its colour (and
    // inside a run of one colour, with what the pixels before it moved), the
    // longest string winning. Its error is what the frame may spend.
    encoder.Carry =
        maxError > 0 ? TLossyLZWEncoder::TErrorCarry::AlongRuns : TLossyLZWEncoder::TErrorCarry::None;
    encoder.OtherFirstPixels = false;
    encoder.CodeError = 0;
    int64_t allowed = 0;
    for (const bool keep : {false, true}) {
        if (keep && maxError == 0) break;
        encoder.KeepFullTable = keep;
        std::vector<uint8_t> chosen = encoder.Choose(pixels, colours, t, job.Bits, maxError);
        // Often nothing changes without a loss: the same pixels in the
        // same row order store the same.
        const bool same = !keep && !interlaced && chosen == best;
        const int64_t size = same ? bestSize : EncodedSize(chosen, width, height, job.Bits, job.Colors, keep);
        if (size <= bestSize) {
            bestSize = size;
            best.swap(chosen);
            frame.KeepFullCodeTable = keep;
            bestInterlaced = false;
        }
    }
    if (maxError > 0 && bestSize < exactSize) allowed = encoder.SquaredError(pixels, best, colours, t);
    // Then the search that spends error where it buys most bytes: strings
    // may start off their exact index, errors are handed on along a string,
    // and a string pays for its error. A drawing within the plain choice's
    // error wins where its bytes and its error together weigh less, the
    // error counted at twice the rate at which the plain choice bought
    // bytes with it: a drawing a few bytes larger in much nearer colours
    // (a recorded screen's dither, say) is the better one. Where that error
    // is exceeded by more than a twentieth the bound tightens: on a
    // photograph the search at the whole bound spends a few hundredths more
    // than the plain choice in 6 % fewer bytes, and the tighter bound
    // stores 13 % more (a pan at level 20 went from 1.09 to 0.98 of
    // gifsicle's bytes; on four corpus sets as many file and level pairs
    // met the lossy aim, on a fresh set one more).
    int64_t bestError = allowed;
    const double bytesPerError =
        allowed > 0 ? ErrorWeight * static_cast<double>(exactSize - bestSize) / static_cast<double>(allowed)
                    : 0;
    const auto weight = [&](int64_t size, int64_t error) {
        return static_cast<double>(size) + bytesPerError * static_cast<double>(error);
    };
    if (allowed > 0) {
        encoder.Carry = TLossyLZWEncoder::TErrorCarry::Half;
        encoder.OtherFirstPixels = true;
        encoder.KeepFullTable = frame.KeepFullCodeTable;
        // Frames of one animation are alike: the search starts at the bound
        // that served the frame before, and moves up again when the frame
        // spent less than half of its error.
        // Where strings run on through many near colours (a window moved
        // over a dithered desktop), even half the bound spends more error
        // than the plain choice: the bounds of a third and a quarter then
        // still find smaller drawings. Their drawings win on bytes alone,
        // as weighing in their smaller error took larger ones on toggles
        // (on four corpus sets, 6 more file and level pairs met the lossy
        // aim, and 9 fewer when weighed).
        static constexpr int Scales[] = {100, 71, 50, 35, 25};
        constexpr int Steps = static_cast<int>(std::size(Scales));
        constexpr int WeighedSteps = 3;
        int step = bound.Step;
        for (; step < Steps; ++step) {
            const int b = std::max(1, maxError * Scales[step] / 100);
            encoder.CodeError = int64_t{b} * b;
            std::vector<uint8_t> chosen = encoder.Choose(pixels, colours, t, job.Bits, b);
            const int64_t spent = encoder.SquaredError(pixels, chosen, colours, t);
            if (spent > allowed + allowed / 20) continue;
            const int64_t size =
                EncodedSize(chosen, width, height, job.Bits, job.Colors, frame.KeepFullCodeTable);
            const bool wins =
                step < WeighedSteps ? weight(size, spent) < weight(bestSize, bestError) : size < bestSize;
            if (wins) {
                bestSize = size;
                bestError = spent;
                best.swap(chosen);
                bestInterlaced = false;
            }
            if (2 * spent < allowed && step > 0) --step;
            break;
        }
        bound.Step = std::min(step, Steps - 1);
    }
    if (bestInterlaced) frame.SetPacked(frame.Packed() | GIFWire::DescriptorInterlaced);
    TFrameOutcome outcome;
    outcome.Bytes = bestSize;
    if (stays) outcome.Error = encoder.WeightedSquaredError(pixels, best, colours, t, *stays);
    std::copy(best.begin(), best.end(), frame.Data());
    // A frame of one value (data that decodes nothing) keeps no buffer.
    frame.CompactUniformPixels();
    frame.FreeBitmap();
    return outcome;
}

// What each pixel of the frame may show, given the lossless screens before
// it in the first and in the later passes, and the screen shown (each at
// least under the frame). Where the two passes differ, a pixel keeps its
// exact index. A pixel of an entry merge gave away takes the entry that
// took it as its own, and still wants its colour: any other entry it
// takes lies within the loss of that colour.
std::vector<TLossyPixel> PixelsOf(TGIFSubImage& frame, const TScreen& exactFirst, const TScreen& exactLater,
                                  const TScreen& actual, const TEntryMerge& merge) {
    const int t = TransparentIndexOf(frame);
    const int width = frame.Width();
    const int height = frame.Height();
    const std::vector<uint32_t> colours = TableColours(frame);
    std::vector<TLossyPixel> pixels(static_cast<size_t>(width) * static_cast<size_t>(height));
    std::vector<uint8_t> fillRow;
    for (int y = 0; y < height; ++y) {
        const uint8_t* row = frame.ReadRow(y, fillRow);
        const uint32_t* first = exactFirst.At(frame.Left(), frame.Top() + y);
        const uint32_t* later = exactLater.At(frame.Left(), frame.Top() + y);
        const uint32_t* shown = actual.At(frame.Left(), frame.Top() + y);
        for (int x = 0; x < width; ++x) {
            TLossyPixel& p = pixels[static_cast<size_t>(y) * width + x];
            const bool settled = first[x] == later[x];
            p.Exact = row[x];
            p.Wanted = p.Exact != t ? colours[static_cast<size_t>(p.Exact)] : settled ? first[x] : Ground;
            p.Beneath = settled ? shown[x] : Ground;
            if (merge.Any && p.Exact != t) p.Exact = merge.Into[row[x]];
        }
    }
    return pixels;
}

// What a lossless choice makes of one frame, given the screens before it in
// the first and in every later pass (each at least under the frame).
void ChooseEqualColours(TGIFSubImage& frame, const TScreen& first, const TScreen& later) {
    // One value throughout (data that decoded nothing): no choice to make.
    if (!frame.HasPixelBuffer()) return;
    const TEntryMerge none;
    std::vector<TLossyPixel> pixels = PixelsOf(frame, first, later, first, none);
    // Without loss no error is spent.
    TSpendingBound spending;
    ChooseFramePixels(frame, pixels, 0, spending, none);
}

// How far a merged entry's pixels may move (RGB distance), and the share of
// maxError squared that the moves may spend per pixel. On four corpus sets,
// a move of 4 and a share of 0.0015 met the lossy aim on 23 more of 273
// file and level pairs (scrolling text, text effects, sprites, captures'
// tables of near shades). A move of 3 met one more, 5 three fewer; shares
// of 0.001 and 0.0025 two and three fewer. A move of a quarter of maxError
// met fewer: a flat user interface lost its few shades at level 80.
constexpr int MergeMove = 4;
constexpr double MergeErrorShare = 0.0015;

// The merge of one table over the frames that use it. A frame's transparent
// index keeps its place, and so does the value of a frame of one value
// (no choice is made for it, so its pixels would not move).
TEntryMerge TableMerge(const std::vector<uint32_t>& colours, const std::vector<TGIFSubImage*>& frames,
                       int maxError) {
    std::array<int64_t, 256> uses{};
    std::array<bool, 256> fixed{};
    double pixels = 0;
    for (TGIFSubImage* frame : frames) {
        const int t = TransparentIndexOf(*frame);
        if (t >= 0) fixed[static_cast<size_t>(t)] = true;
        if (frame->Empty()) continue;
        if (!frame->HasPixelBuffer()) {
            fixed[frame->OneValue()] = true;
            continue;
        }
        pixels += static_cast<double>(frame->Width()) * frame->Height();
        const std::array<int64_t, 256> frameUses = GIFFrame::IndexUses(*frame);
        for (size_t v = 0; v < uses.size(); ++v) uses[v] += frameUses[v];
    }
    const auto maxSpent = static_cast<int64_t>(MergeErrorShare * maxError * maxError * pixels);
    return MergeNearEntries(uses, colours, fixed, std::min(MergeMove, maxError), maxSpent);
}

// The squared error between two screens within a frame's rectangle.
double ErrorInFrame(const TScreen& a, const TScreen& b, const TGIFSubImage& frame) {
    double error = 0;
    for (int y = 0; y < frame.Height(); ++y) {
        const uint32_t* rowA = a.At(frame.Left(), frame.Top() + y);
        const uint32_t* rowB = b.At(frame.Left(), frame.Top() + y);
        for (int x = 0; x < frame.Width(); ++x) error += SquaredColourDistance(rowA[x], rowB[x]);
    }
    return error;
}

// Chooses every frame's pixels, in order, frame k within errors[k]; with
// stays, each frame's error is weighted by how long its pixels stay.
TLossyRun ChooseLossyFrames(TGIFImage& image, const TRect& bounds, const std::vector<int>& errors,
                            int mergeError, const std::vector<std::vector<float>>* stays) {
    // The lossless screens before each frame, in the first pass and in the
    // later ones (which start from what the first left). Where the two
    // passes differ, a pixel keeps its exact index.
    TScreen exactLater(bounds, Ground);
    for (const auto& frame : image.Images) ShowFrame(exactLater, *frame);
    TScreen exactFirst(bounds, Ground);
    // A lossy choice spends error one frame at a time, in order, on the
    // screen the chosen frames make (actual). Each frame's pixels are read
    // off the followed screens themselves, before the exact frame is shown
    // on them: no copies of the screens under a frame (a large frame holds
    // two screens fewer).
    TScreen actual(bounds, Ground);
    TSpendingBound spending;
    TEntryMerge globalMerge;
    if (image.Header.ColorMap.Count() > 0) {
        std::vector<TGIFSubImage*> users;
        for (const auto& frame : image.Images)
            if (frame->ColorMap.Count() == 0) users.push_back(frame.get());
        if (!users.empty()) globalMerge = TableMerge(TableColours(*users.front()), users, mergeError);
    }
    TLossyRun run;
    run.Frames.resize(image.Images.Count());
    // The error of the screen between frames, against the first pass.
    double screenError = 0;
    size_t k = 0;
    for (const auto& frame : image.Images) {
        const bool choose = frame->HasPixelBuffer();
        const bool local = frame->ColorMap.Count() > 0;
        const TEntryMerge merge =
            local && choose ? TableMerge(TableColours(*frame), {frame.get()}, mergeError) : globalMerge;
        std::vector<TLossyPixel> pixels;
        if (choose) pixels = PixelsOf(*frame, exactFirst, exactLater, actual, merge);
        const double errorBefore = stays ? ErrorInFrame(actual, exactFirst, *frame) : 0;
        // The exact frame stays drawn on exactFirst until the chosen one is
        // drawn on actual, so that both show what shows while it shows.
        const std::vector<uint32_t> exactUnder = DrawFrame(exactFirst, *frame);
        ShowFrame(exactLater, *frame);
        if (choose)
            run.Frames[k] =
                ChooseFramePixels(*frame, pixels, errors[k], spending, merge, stays ? &(*stays)[k] : nullptr);
        const std::vector<uint32_t> actualUnder = DrawFrame(actual, *frame);
        if (stays)
            run.ShownError += (screenError - errorBefore + ErrorInFrame(actual, exactFirst, *frame)) *
                              GIFFrame::ShownDelayOf(*frame);
        DisposeFrame(exactFirst, *frame, exactUnder);
        DisposeFrame(actual, *frame, actualUnder);
        if (stays) screenError += ErrorInFrame(actual, exactFirst, *frame) - errorBefore;
        ++k;
    }
    return run;
}

// Whether moving loss between frames may pay: where the frames' pixels stay
// for clearly different times (their mean stays, in showings of their
// frame, more than StaysApart times apart) and a good share of the time
// the pixels stay lies in the frames whose pixels stay longest (a
// background drawn once). On the two corpus halves the choice was kept
// only in such animations; a camera pan (every pixel stays one frame),
// scrolling text and a chart drawing itself (most pixels short-lived) never
// kept it, and scrolling text took ten times as long for it.
constexpr double StaysApart = 4;
constexpr double LongStayShare = 0.25;

bool SpreadMayPay(TGIFImage& image, const std::vector<std::vector<float>>& stays) {
    std::vector<double> means(stays.size(), 0), sums(stays.size(), 0);
    double shortest = 0, longest = 0, total = 0;
    for (size_t k = 0; k < stays.size(); ++k) {
        double drawn = 0;
        for (const float stay : stays[k])
            if (stay > 0) sums[k] += stay, drawn += 1;
        if (drawn == 0) continue;
        means[k] = sums[k] / drawn / GIFFrame::ShownDelayOf(image.Images[k]);
        shortest = shortest == 0 ? means[k] : std::min(shortest, means[k]);
        longest = std::max(longest, means[k]);
        total += sums[k];
    }
    if (longest <= StaysApart * shortest) return false;
    double longTime = 0;
    for (size_t k = 0; k < stays.size(); ++k)
        if (means[k] >= longest / 2) longTime += sums[k];
    return longTime >= LongStayShare * total;
}

// The image takes the frames of a choice made apart.
void TakeFrames(TGIFImage& image, const TGIFImage& choice) {
    image.Assign(choice);
    image.Compression = choice.Compression;
}

// The image's frames with pixels of their own, for a choice made apart.
std::unique_ptr<TGIFImage> CopyForChoice(const TGIFImage& image) {
    auto copy = std::make_unique<TGIFImage>();
    TakeFrames(*copy, image);
    for (const auto& frame : copy->Images)
        if (frame->HasPixelBuffer()) frame->Data();
    return copy;
}

} // namespace

void OptimizeGIFLossy(TGIFImage& image, int maxError, bool spreadOverTime) {
    if (maxError < 0 || image.Empty() || !CanFollow(image)) return;
    image.StopPainters();
    const TRect bounds = image.FramesBounds();
    if (maxError == 0) {
        // Without loss the chosen frames make the same screens as the exact
        // ones: no frame waits for the one before, and frames already
        // followed are chosen side by side, each with copies of the screens
        // under it.
        TScreen exactLater(bounds, Ground);
        for (const auto& frame : image.Images) ShowFrame(exactLater, *frame);
        TScreen exactFirst(bounds, Ground);
        // One value throughout (data that decoded nothing): no choice to
        // make, and no buffer to make for it.
        const auto hasPixels = [](const TGIFSubImage& frame) { return frame.HasPixelBuffer(); };
        FollowScreens(image, exactFirst, exactLater, EncodeThreadCount(), hasPixels, nullptr,
                      [](TGIFSubImage& frame, TScreen& first, TScreen& later) {
                          ChooseEqualColours(frame, first, later);
                      });
        image.Changed();
        return;
    }
    const size_t count = image.Images.Count();
    std::vector<int> errors(count, maxError);
    // Likeness is measured over time: an error in a pixel that stays the
    // whole animation (a still background) weighs as much as one in every
    // frame of a part that changes each frame. The frames are chosen four
    // times, all at each of SpreadScales times the bound, and each frame
    // then follows the run that saves most bytes while the error over time
    // (each pixel's error weighted by how long it stays) stays at most that
    // of every frame at the bound. The result is kept where it stores
    // smaller than every frame at the bound, showing no more error over
    // time, measured on the screens as shown.
    const bool spreadable = spreadOverTime && count >= 2 && maxError >= 2 && SmallEnoughToCopy(image, bounds);
    const std::vector<std::vector<float>> stays =
        spreadable ? PixelStays(image, bounds) : std::vector<std::vector<float>>{};
    if (!spreadable || !SpreadMayPay(image, stays)) {
        ChooseLossyFrames(image, bounds, errors, maxError, nullptr);
        image.Changed();
        return;
    }
    // Run r's bound.
    const auto boundOf = [&](int r) {
        return std::max(1, static_cast<int>(std::lround(maxError * SpreadScales[r])));
    };
    std::vector<TLossyRun> runs(SpreadRuns);
    std::unique_ptr<TGIFImage> even;
    for (int r = 0; r < SpreadRuns; ++r) {
        std::unique_ptr<TGIFImage> trial = CopyForChoice(image);
        runs[r] = ChooseLossyFrames(*trial, bounds, std::vector<int>(count, boundOf(r)), maxError, &stays);
        if (r == EvenRun) even = std::move(trial);
    }
    // The spread is checked on the screens as shown, of which the frames'
    // errors measured apart are an estimate: where it shows more error
    // than every frame at the bound, it is chosen once more, keeping back
    // what it left unspent and twice what it overshot by.
    double reserve = 0;
    for (int attempt = 0; attempt < 2; ++attempt) {
        const std::vector<int> spread = SpreadOverTime(runs, reserve);
        for (size_t k = 0; k < count; ++k) errors[k] = boundOf(spread[k]);
        if (errors == std::vector<int>(count, maxError)) break;
        // The first is made on a copy, so that the second starts from the
        // frames as they came.
        std::unique_ptr<TGIFImage> copy = attempt == 0 ? CopyForChoice(image) : nullptr;
        const TLossyRun made = ChooseLossyFrames(copy ? *copy : image, bounds, errors, maxError, &stays);
        const TLossyRun& atBound = runs[EvenRun];
        if (made.Bytes() < atBound.Bytes() && made.ShownError <= atBound.ShownError) {
            if (copy) TakeFrames(image, *copy);
            image.Changed();
            return;
        }
        // (Failed on bytes alone, or against no error at all: nothing to keep back.)
        if (made.ShownError <= atBound.ShownError || atBound.ShownError <= 0) break;
        double boundError = 0, estimated = 0;
        for (size_t k = 0; k < count; ++k) {
            boundError += atBound.Frames[k].Error;
            estimated += runs[static_cast<size_t>(spread[k])].Frames[k].Error;
        }
        reserve = boundError - estimated + 2 * boundError * (made.ShownError / atBound.ShownError - 1);
    }
    TakeFrames(image, *even);
    image.Changed();
}

int LossyErrorOfLevel(int level) {
    return static_cast<int>(std::lround(3 * std::sqrt(static_cast<double>(std::max(level, 0)))));
}
