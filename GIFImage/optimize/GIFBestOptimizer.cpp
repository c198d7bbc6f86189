#include "GIFBestOptimizer.h"

#include "GIFEmptyFrames.h"
#include "GIFEncoder.h"
#include "GIFFollowedScreen.h"
#include "GIFFrameRedraw.h"
#include "GIFImage.h"
#include "GIFLZWLookaheadEncoder.h"
#include "GIFLossyOptimizer.h"
#include "GIFParallelEncoder.h"
#include "GIFTableChoice.h"
#include "GIFWorkerThreads.h"

#include <algorithm>
#include <cstdint>
#include <future>
#include <malloc.h>
#include <span>
#include <vector>

namespace {

using namespace GIFFollowedScreen;
using GIFFrame::WrittenInterlaced;

// The widest codes of a frame whose strings are also tried several pixels
// shorter than the longest.
constexpr int DeepLookAheadBits = 4;

// How many ways of looking ahead a frame's codes are tried in.
enum class TCodeSearch {
    // Strings a pixel shorter, then, in frames of few colours (sparse
    // particles, say), several pixels shorter: in frames of more colours
    // that found 0.3 % more at a fifth more of the whole time.
    Usual,
    // Also, in frames of few colours, the strings several pixels shorter
    // followed for 4, 5, 6 and 8 codes: 0.6 to 1.3 % smaller fireworks,
    // at two fifths more of their time.
    Wide,
};

// Each frame's codes as stores it smallest: its code table cleared when
// full or kept, then the codes chosen plainly or looking ahead (whose data
// the frame keeps for the writer); stored holds the sizes as cleared that
// the table choice measured.
void ChooseFrameCodes(TGIFImage& image, const TStoredSizes& stored, TCodeSearch search) {
    constexpr int Deep = TLZWLookAhead::MaxShorterBy;
    static const TLZWLookAhead usual[] = {1, Deep};
    static const TLZWLookAhead wide[] = {1, Deep, {Deep, 4}, {Deep, 5}, {Deep, 6}, {Deep, 8}};
    const std::span<const TLZWLookAhead> tries = search == TCodeSearch::Wide
                                                     ? std::span<const TLZWLookAhead>(wide)
                                                     : std::span<const TLZWLookAhead>(usual);
    GIFWorkers::ForEach(static_cast<size_t>(image.Images.Count()), EncodeThreadCount(), [&](size_t i) {
        TGIFSubImage* frame = &image.Images[static_cast<int>(i)];
        frame->LookAhead = {};
        frame->ChosenData.clear();
        if (frame->Empty()) return;
        const TGIFEncodeJob job = frame->EncodeJob();
        const bool interlaced = WrittenInterlaced(*frame);
        const auto size = [&](bool keep) {
            return EncodedSize(job.Pixels, job.Width, job.Height, job.Bits, job.FillValue, interlaced, keep);
        };
        const auto known = stored.find(frame);
        int smallest = known != stored.end() ? known->second : size(false);
        // Codes of at least bits + 1 bits: too few of them never fill the
        // table, which is then cleared or kept alike.
        const int64_t codesAtMost = int64_t{smallest} * 8 / (job.Bits + 1);
        if (codesAtMost + (int64_t{1} << job.Bits) + 2 >= 4096) {
            const int kept = size(true);
            frame->KeepFullCodeTable = kept < smallest;
            smallest = std::min(smallest, kept);
        }
        // A frame of one value is sent as its run, looked ahead or not.
        if (!job.Pixels) return;
        for (const TLZWLookAhead& lookAhead : tries) {
            if (lookAhead.ShorterBy > 1 && job.Bits > DeepLookAheadBits) break;
            TMemoryStream lookedAhead;
            CompressImageData(lookedAhead, TGIFCompression::LZW, job.Bits, 1 << job.Bits, job.Pixels,
                              interlaced, job.Height, job.Width, -1, frame->KeepFullCodeTable, lookAhead);
            if (lookedAhead.Size() >= smallest) continue;
            smallest = static_cast<int>(lookedAhead.Size());
            frame->LookAhead = lookAhead;
            frame->ChosenData = lookedAhead.Memory();
        }
    });
}

int64_t SavedSize(TGIFImage& image) {
    TMemoryStream stream;
    image.SaveToStream(stream);
    return stream.Size();
}

// Redraws the frames in whichever forms store smallest, their tables still
// as they were.
void RedrawSmallest(TGIFImage& image) {
    image.StopPainters();
    TMemoryStream before;
    if (!UnifyColorTables(image, before)) {
        RedrawFrames(image);
        image.SmallestCodeSize = true;
        return;
    }
    // One table may make codes wider than the tables it replaces: keep
    // whichever way ends smaller. Redrawing changes both alike (the same
    // pixels in other indices), so where one is clearly the smaller before,
    // it stays so after (by a like margin, on 25 animations of ten kinds
    // with a table per frame), and only that one is redrawn.
    const int64_t unified = SavedSize(image);
    const int64_t separate = before.Size();
    const auto clearlySmaller = [](int64_t a, int64_t b) { return a * 50 < b * 49; };
    if (clearlySmaller(separate, unified)) {
        before.SetPosition(0);
        image.LoadFromStream(before);
    }
    RedrawFrames(image);
    if (!clearlySmaller(unified, separate) && !clearlySmaller(separate, unified)) {
        TGIFImage other;
        before.SetPosition(0);
        other.LoadFromStream(before);
        RedrawFrames(other);
        TMemoryStream kept;
        other.SaveToStream(kept);
        if (kept.Size() < SavedSize(image)) {
            kept.SetPosition(0);
            image.LoadFromStream(kept);
        }
    }
    image.SmallestCodeSize = true;
}

// The colour tables, row orders and code tables (cleared or kept when
// full) that store the redrawn frames smallest.
void ChooseFrameStorage(TGIFImage& image, TCodeSearch search = TCodeSearch::Usual) {
    // The global table sorted by use first, as it will be written: its
    // frames' code sizes follow from the order.
    image.Header.ColorMap.Optimize();
    ChooseFrameCodes(image, ChooseColorTables(image), search);
    image.Changed();
}

} // namespace

void OptimizeGIFBest(TGIFImage& image) {
    if (image.Empty() || !CanFollow(image)) return;
    RedrawSmallest(image);
    ChooseFrameStorage(image);
}

void OptimizeGIFSmallest(TGIFImage& image, TGIFOptimizeOptions options, int lossyError) {
    const TGIFOptimizeOptions again = options & (OptimizeCleanup | OptimizeColorMap);
    OptimizeGIF(image, options);
    const bool redraw = !image.Empty() && CanFollow(image);
    if (redraw) RedrawSmallest(image);
    // A frame that shows nothing new is left as one clear pixel while it
    // carries other extensions (as ImageMagick writes them); those cleaned
    // up, cropping now adds its time to the frame before and drops it.
    if (again) OptimizeGIF(image, again | (options & OptimizeCrop));
    // Frames restored to the background leave rows of empty ones (a pause
    // in a burst of particles): those that change nothing go too.
    if (redraw) DropEmptyFrames(image);
    // After the colour-map step, which sorts every table by use.
    if (redraw) ChooseFrameStorage(image);
    if (lossyError <= 0) return;
#if defined(__GLIBC__)
    // The lossless steps' helper threads freed their memory into arenas of
    // their own, which the lossy step (on this thread) cannot reuse: handed
    // back to the system, a large frame peaks at the larger of the two
    // steps rather than near their sum.
    malloc_trim(0);
#endif
    const auto lossy = [&](TGIFImage& target, int maxError) {
        OptimizeGIFLossy(target, maxError);
        if (again) OptimizeGIF(target, again);
        // The lossy search already takes longer than the lossless one: its
        // codes are looked for in more ways too (where gifsicle's --lossy
        // keeps every pixel, as in fireworks, the bytes saved without loss
        // are all there is to gain).
        if (redraw) ChooseFrameStorage(target, TCodeSearch::Wide);
    };
    // The search is greedy, and a string made longer early can leave worse
    // ones after it: the drawing at half the distance, which keeps within
    // the whole distance too, sometimes stores smaller (window moves at
    // level 40 stored an eighth smaller at level 10's distance, 5 dB
    // nearer the original). Both are made, side by side (each walks its
    // frames in order, on one thread); the smaller is kept. The second
    // holds a copy of the frames and screens of its own: it is made only
    // while the frames and their union hold no more than MinFollowedPixels
    // (SmallEnoughToCopy), so a huge picture costs one drawing's memory.
    if (lossyError < 2 || !SmallEnoughToCopy(image, image.FramesBounds())) {
        lossy(image, lossyError);
        return;
    }
    TGIFImage nearer;
    nearer.Assign(image);
    nearer.Compression = image.Compression;
    // Each drawing writes its frames' pixels on its own thread: the copy
    // takes pixels of its own now, not shared with the image's until
    // written.
    for (const auto& frame : nearer.Images)
        if (frame->HasPixelBuffer()) frame->Data();
    std::future<void> made = std::async(std::launch::async, [&] { lossy(nearer, lossyError / 2); });
    try {
        lossy(image, lossyError);
    } catch (...) {
        made.wait();
        throw;
    }
    made.get();
    if (SavedSize(nearer) < SavedSize(image)) image.Assign(nearer);
}
