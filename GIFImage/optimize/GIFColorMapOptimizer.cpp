// The colour table optimisation: entries sorted by use, pixels remapped,
// unused entries dropped.

#include "GIFColorMap.h"
#include "GIFFrameQueries.h"

#include "GIFGraphicControlExtension.h"
#include "GIFImage.h"
#include "GIFParallelEncoder.h"
#include "GIFSubImage.h"
#include "GIFWorkerThreads.h"

#include <algorithm>
#include <utility>
#include <vector>

namespace {

void QuickSort(std::vector<TColorUse>& a, int left, int right) {
    int i = 0;
    do {
        i = left;
        int j = right;
        const int64_t pivot = a[static_cast<size_t>((left + right) / 2)].Count;
        do {
            while (a[static_cast<size_t>(i)].Count > pivot) ++i;
            while (a[static_cast<size_t>(j)].Count < pivot) --j;
            if (i <= j) {
                std::swap(a[static_cast<size_t>(i)], a[static_cast<size_t>(j)]);
                ++i;
                --j;
            }
        } while (i <= j);
        if (left < j) QuickSort(a, left, j);
        left = i;
    } while (i < right);
}

} // namespace

void SortColorUses(std::vector<TColorUse>& uses) {
    if (uses.size() > 1) QuickSort(uses, 0, static_cast<int>(uses.size()) - 1);
}

// The frames are counted and mapped side by side: each touches only its own
// pixels and extensions. They are counted in runs of at most
// HistogramRun frames, each run into counts of its own (counts for every
// frame took 2 KB a frame, 200 MB for 100,000 frames of one pixel), and in
// at least RunsPerThread runs a thread where there are frames enough (in
// one run, forty frames of a recording were counted on one thread).
constexpr size_t HistogramRun = 64;
constexpr size_t RunsPerThread = 4;

std::array<int64_t, TGIFColorMap::MaxColors> TGIFColorMap::BuildHistogram() {
    const std::vector<TGIFSubImage*> frames = UsingFrames();
    const int threads = EncodeThreadCount();
    const size_t run =
        std::clamp<size_t>(frames.size() / (RunsPerThread * static_cast<size_t>(threads)), 1, HistogramRun);
    std::vector<std::array<int64_t, MaxColors>> runs((frames.size() + run - 1) / run);
    GIFWorkers::ForEach(runs.size(), threads, [&](size_t r) {
        std::array<int64_t, MaxColors>& runCounts = runs[r];
        runCounts.fill(0);
        for (size_t f = r * run; f < std::min(frames.size(), (r + 1) * run); ++f) {
            const std::array<int64_t, 256> frameUses = GIFFrame::IndexUses(*frames[f]);
            for (size_t v = 0; v < MaxColors; ++v) runCounts[v] += frameUses[v];
        }
    });
    std::array<int64_t, MaxColors> counts{};
    for (const std::array<int64_t, MaxColors>& runCounts : runs)
        for (size_t v = 0; v < MaxColors; ++v) counts[v] += runCounts[v];
    return counts;
}

void TGIFColorMap::MapImages(const std::array<uint8_t, MaxColors>& map) {
    const std::vector<TGIFSubImage*> frames = UsingFrames();
    // Frames copied from one another share a pixel buffer until one is
    // written: each takes its own first, one after the other.
    for (TGIFSubImage* frame : frames)
        if (frame->HasPixelBuffer()) frame->Data();
    GIFWorkers::ForEach(frames.size(), EncodeThreadCount(), [&](size_t f) {
        TGIFSubImage* frame = frames[f];
        frame->MapPixels(map);
        // An index beyond the table stays as it is: no entry moved there, and
        // storing it anew would turn it into 0.
        const int transparent = GIFFrame::TransparentIndexOf(*frame);
        if (transparent != GIFFrame::NoTransparency && map[static_cast<size_t>(transparent)] != transparent)
            frame->GraphicControlExtension()->SetTransparentColorIndex(map[static_cast<size_t>(transparent)]);
    });
}

std::vector<int> TGIFColorMap::ReferencedIndices() {
    std::vector<int> indices;
    for (TGIFSubImage* frame : UsingFrames()) {
        const int transparent = GIFFrame::TransparentIndexOf(*frame);
        if (transparent != GIFFrame::NoTransparency) indices.push_back(transparent);
    }
    return indices;
}

bool TGIFColorMap::Optimize() {
    if (EntryCount < 2) return false;
    IsSorted = true;
    const std::array<int64_t, MaxColors> counts = BuildHistogram();
    std::vector<TColorUse> uses(static_cast<size_t>(EntryCount));
    for (int i = 0; i < EntryCount; ++i) uses[static_cast<size_t>(i)] = {counts[static_cast<size_t>(i)], i};
    SortColorUses(uses);

    bool reordered = false;
    for (int i = 0; i < EntryCount; ++i) reordered |= uses[static_cast<size_t>(i)].Index != i;
    if (!reordered) return false;

    // map[old index] = new index; indices outside the table stay as they are.
    std::array<uint8_t, MaxColors> map{};
    for (int i = 0; i < MaxColors; ++i) map[static_cast<size_t>(i)] = static_cast<uint8_t>(i);
    for (int i = 0; i < EntryCount; ++i)
        map[static_cast<size_t>(uses[static_cast<size_t>(i)].Index)] = static_cast<uint8_t>(i);

    // The used entries, and any that the picture still names otherwise.
    int keep = 0;
    while (keep < EntryCount && uses[static_cast<size_t>(keep)].Count > 0) ++keep;
    for (int index : ReferencedIndices())
        if (index >= 0 && index < EntryCount) keep = std::max(keep, map[static_cast<size_t>(index)] + 1);

    MapImages(map);
    std::vector<uint8_t> sorted(Entries.size(), 0);
    for (int i = 0; i < EntryCount; ++i) {
        const size_t from = static_cast<size_t>(uses[static_cast<size_t>(i)].Index) * 3;
        std::copy_n(&Entries[from], 3, &sorted[static_cast<size_t>(i) * 3]);
    }
    Entries = std::move(sorted);
    EntryCount = keep;
    Changed();
    return true;
}

void TGIFColorMap::Changed() {
    for (TGIFSubImage* frame : UsingFrames()) frame->FreeBitmap();
}

std::vector<TGIFSubImage*> TGIFLocalColorMap::UsingFrames() {
    if (!Frame) return {};
    return {Frame};
}

std::vector<TGIFSubImage*> TGIFGlobalColorMap::UsingFrames() {
    std::vector<TGIFSubImage*> frames;
    if (!OwnerImage) return frames;
    for (const auto& frame : OwnerImage->Images)
        if (frame->ColorMap.Count() == 0) frames.push_back(frame.get());
    return frames;
}

bool TGIFGlobalColorMap::Optimize() {
    if (!OwnerImage || OwnerImage->Images.Count() == 0) return false;
    return TGIFColorMap::Optimize();
}

void TGIFGlobalColorMap::MapImages(const std::array<uint8_t, MaxColors>& map) {
    TGIFColorMap::MapImages(map);
    if (OwnerImage)
        OwnerImage->Header.SetBackgroundColorIndex(map[OwnerImage->Header.BackgroundColorIndex()]);
}

std::vector<int> TGIFGlobalColorMap::ReferencedIndices() {
    std::vector<int> indices = TGIFColorMap::ReferencedIndices();
    if (OwnerImage) indices.push_back(OwnerImage->Header.BackgroundColorIndex());
    return indices;
}
