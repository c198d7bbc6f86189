#include "GIFOptimizer.h"

#include "GIFAppExtNSLoop.h"
#include "GIFCommentExtension.h"
#include "GIFDrawFlags.h"
#include "GIFException.h"
#include "GIFFrameQueries.h"
#include "GIFGraphicControlExtension.h"
#include "GIFImage.h"
#include "GIFMessages.h"
#include "GIFParallelEncoder.h"
#include "GIFTextExtension.h"
#include "GIFUnknownAppExtension.h"
#include "GIFWorkerThreads.h"

#include <algorithm>
#include <array>
#include <vector>

namespace {

using GIFFrame::BoundsOf;
using GIFFrame::Crop;
using GIFFrame::DisposalOf;
using GIFFrame::GraphicControlFor;
using GIFFrame::IsUndefined;
using GIFFrame::Restores;
using GIFFrame::ShownDelayOf;
using GIFFrame::TransparentIndexOf;

// A frame without a pixel buffer is given one to be merged up to this many
// pixels (see MergeGIFFrame).
constexpr int64_t MaxMergedWithoutPixels = int64_t{1} << 22;

bool HasUndefinedDisposal(const TGIFImage& image) {
    for (const auto& frame : image.Images)
        if (IsUndefined(DisposalOf(*frame))) return true;
    return false;
}

// Other decoders start from a clear screen only when the first frame has a
// transparent index, and some clear what a frame restores to the background
// only when that frame has one: such a frame keeps its transparency, even
// when no pixel uses it, wherever the clear screen can show.
bool KeepsTransparencyForOtherDecoders(const TGIFImage& image, int index) {
    const TGIFSubImage& frame = image.Images[index];
    if (DisposalOf(frame) == TGIFDisposal::RestoreBackground) return true;
    if (index > 0) return false;
    if (frame.Left() > 0 || frame.Top() > 0 || frame.Width() < image.Width() ||
        frame.Height() < image.Height())
        return true;
    for (const auto& other : image.Images)
        if (DisposalOf(*other) >= TGIFDisposal::RestoreBackground) return true;
    return false;
}

// Whether a frame's transparent index may serve others that use the global
// table.
bool SharesTransparency(const TGIFSubImage& frame) {
    return frame.Transparent() && frame.ColorMap.Count() == 0;
}

std::array<bool, 256> UsedIndices(const TGIFSubImage& frame) {
    const std::array<int64_t, 256> uses = GIFFrame::IndexUses(frame);
    std::array<bool, 256> used{};
    for (size_t v = 0; v < 256; ++v) used[v] = uses[v] > 0;
    return used;
}

// The three bytes of entry index, or none when the table does not hold it.
bool EntryOf(const TGIFColorMap& map, int index, TPaletteEntry& entry) {
    if (index >= map.Count()) return false;
    entry = map.Entry(index);
    return true;
}

// Each entry of the map as one number (its four bytes), -1 past its end:
// two indices show the same entry when their numbers are equal and not -1.
std::array<int64_t, 256> EntryKeys(const TGIFColorMap& map) {
    std::array<int64_t, 256> keys;
    keys.fill(-1);
    for (int i = 0; i < 256; ++i) {
        TPaletteEntry e{};
        if (EntryOf(map, i, e))
            keys[static_cast<size_t>(i)] =
                int64_t{e.Red} | int64_t{e.Green} << 8 | int64_t{e.Blue} << 16 | int64_t{e.Flags} << 24;
    }
    return keys;
}

// Numbers for the indices of two tables (their EntryKeys): the pixels of
// self's index v and previous's index q show the same entry (or, in one
// table, the same index) exactly when selfClass[v] == previousClass[q].
void ClassesOfSameEntries(const std::array<int64_t, 256>& selfKeys,
                          const std::array<int64_t, 256>& previousKeys, bool sameMap,
                          std::array<int, 256>& selfClass, std::array<int, 256>& previousClass) {
    std::vector<int64_t> entries;
    for (const int64_t key : previousKeys)
        if (key >= 0) entries.push_back(key);
    std::sort(entries.begin(), entries.end());
    const auto classOf = [&](int64_t key) {
        const auto at = std::lower_bound(entries.begin(), entries.end(), key);
        return at != entries.end() && *at == key ? static_cast<int>(at - entries.begin()) : -1;
    };
    // An index beyond its table matches only itself, in one table.
    for (int i = 0; i < 256; ++i) {
        const size_t at = static_cast<size_t>(i);
        previousClass[at] = previousKeys[at] >= 0 ? classOf(previousKeys[at]) : 256 + i;
        selfClass[at] = selfKeys[at] >= 0 ? classOf(selfKeys[at]) : sameMap ? 256 + i : -2;
    }
}

// The smallest rectangle (frame coordinates) of the pixels other than t;
// empty when there are none.
TRect OpaqueBounds(const TGIFSubImage& frame, uint8_t t) {
    const int width = frame.Width();
    const int height = frame.Height();
    if (!frame.HasPixelBuffer()) return frame.OneValue() == t ? TRect{} : TRect{0, 0, width, height};
    TRect box{width, height, 0, 0};
    std::vector<uint8_t> fillRow;
    for (int y = 0; y < height; ++y) {
        const uint8_t* row = frame.ReadRow(y, fillRow);
        int left = 0;
        while (left < width && row[left] == t) ++left;
        if (left == width) continue;
        int right = width;
        while (row[right - 1] == t) --right;
        box.Left = std::min(box.Left, left);
        box.Right = std::max(box.Right, right);
        box.Top = std::min(box.Top, y);
        box.Bottom = y + 1;
    }
    return box.IsEmpty() ? TRect{} : box;
}

class TOptimizeRun {
public:
    TOptimizeRun(TGIFImage& image) : Image(image), Total(6 * image.Images.Count()) {}

    void Count(int steps = 1) { Step += steps; }
    void Report() {
        const int percent = Total > 0 ? (Step * 100 + Total / 2) / Total : 0;
        Image.Progress(TProgressStage::Running, percent, false, TRect{}, GIFMessages::Optimizing);
    }

    void OptimizeColorMaps();
    void CleanupTransparency();
    void CleanupDisposals();
    void MergeFrames();
    void CropFrames();
    void CleanupExtensionsAndFrames();

private:
    bool CanDropBlankFrame(int index, bool undefined) const;

    TGIFImage& Image;
    const int Total;
    int Step = 0;
};

void TOptimizeRun::OptimizeColorMaps() {
    if (Image.Header.ColorMap.Count() > 0) Image.Header.ColorMap.Optimize();
    // A frame's own table names only its own pixels: the frames sort theirs
    // side by side, those copied from one another taking their own pixel
    // buffer first, one after the other.
    std::vector<TGIFSubImage*> ownTables;
    for (const auto& frame : Image.Images)
        if (frame->ColorMap.Count() > 0) ownTables.push_back(frame.get());
    for (TGIFSubImage* frame : ownTables)
        if (frame->HasPixelBuffer()) frame->Data();
    GIFWorkers::ForEach(ownTables.size(), EncodeThreadCount(),
                        [&](size_t f) { ownTables[f]->ColorMap.Optimize(); });
    Count(Image.Images.Count());
    Report();
}

void TOptimizeRun::CleanupTransparency() {
    const int count = Image.Images.Count();
    // Whether each frame shows its transparent index, found side by side.
    std::vector<char> showsTransparent(static_cast<size_t>(count), 1);
    GIFWorkers::ForEach(static_cast<size_t>(count), EncodeThreadCount(), [&](size_t i) {
        const TGIFSubImage& frame = Image.Images[static_cast<int>(i)];
        const TGIFGraphicControlExtension* control = frame.GraphicControlExtension();
        if (frame.Transparent() && control)
            showsTransparent[i] = UsedIndices(frame)[control->TransparentColorIndex()];
    });
    for (int i = 0; i < count; ++i) {
        Count();
        TGIFSubImage* frame = &Image.Images[i];
        TGIFGraphicControlExtension* control = frame->GraphicControlExtension();
        if (!frame->Transparent() || !control || KeepsTransparencyForOtherDecoders(Image, i)) continue;
        if (showsTransparent[static_cast<size_t>(i)]) continue;
        control->SetTransparent(false);
        Report();
    }
}

void TOptimizeRun::CleanupDisposals() {
    // With an undefined disposal anywhere, the painter draws frames in a way
    // that depends on which disposals the picture uses: leave them all.
    const bool undefined = HasUndefinedDisposal(Image);
    for (int i = 0; i + 1 < Image.Images.Count(); ++i) {
        Count();
        TGIFSubImage& frame = Image.Images[i];
        TGIFSubImage& next = Image.Images[i + 1];
        if (!Restores(DisposalOf(frame)) || next.Transparent()) continue;
        const TRect common = BoundsOf(frame).Intersect(BoundsOf(next));
        if (common.IsEmpty()) continue;
        // Only when the next frame paints over all of this one, and does not
        // itself restore to what this disposal leaves, is the restoring unseen.
        if (!undefined && common == BoundsOf(frame) && !next.Empty() &&
            DisposalOf(next) != TGIFDisposal::RestorePrevious)
            frame.GraphicControlExtension()->SetDisposal(TGIFDisposal::Unspecified);
        Report();
    }
}

void TOptimizeRun::MergeFrames() {
    // With an undefined disposal anywhere, a painter that restores areas
    // draws neither that frame nor the next, so the frame before another is
    // not always what lies under it: leave the pixels as they are.
    const int count = Image.Images.Count();
    if (HasUndefinedDisposal(Image)) {
        Count(std::max(0, count - 1));
        return;
    }
    // The first frame that SharesTransparency, found once: the frames before
    // the one merged are as they were, those after it as merged (a merge
    // only ever gives a frame transparency).
    int firstBefore = 0;
    while (firstBefore < count && !SharesTransparency(Image.Images[firstBefore])) ++firstBefore;
    int firstAfter = count;
    for (int c = count - 1; c >= 1; --c) {
        Count();
        int b = c - 1;
        while (b >= 1 && DisposalOf(Image.Images[b]) == TGIFDisposal::RestorePrevious) --b;
        const int first = firstBefore < c ? firstBefore : firstAfter;
        MergeGIFFrame(Image.Images[c], &Image.Images[b],
                      first < count ? &Image.Images[first] : static_cast<const TGIFSubImage*>(nullptr));
        if (SharesTransparency(Image.Images[c])) firstAfter = c;
        Report();
    }
}

// A frame that shows nothing can go when the frame before it stays on screen
// unchanged for the same time: that frame leaves its picture in place, and
// this one neither restores, waits for input nor carries other extensions.
bool TOptimizeRun::CanDropBlankFrame(int index, bool undefined) const {
    if (index == 0 || undefined) return false;
    const TGIFSubImage& frame = Image.Images[index];
    const TGIFSubImage& before = Image.Images[index - 1];
    const TGIFGraphicControlExtension* control = frame.GraphicControlExtension();
    if (frame.Extensions.Count() != 1 || !control || control->UserInput() ||
        DisposalOf(frame) == TGIFDisposal::RestoreBackground)
        return false;
    if (DisposalOf(before) > TGIFDisposal::DoNotDispose) return false;
    return ShownDelayOf(before) + ShownDelayOf(frame) <= 0xFFFF;
}

void TOptimizeRun::CropFrames() {
    // Frames are dropped only where no disposal is undefined: that stays so.
    const bool undefined = HasUndefinedDisposal(Image);
    // Cropping a frame that restores to the background would shrink the
    // area it restores; undefined disposals are left as they are.
    const auto croppable = [](const TGIFSubImage& frame) {
        return !frame.Empty() && frame.Transparent() &&
               DisposalOf(frame) != TGIFDisposal::RestoreBackground && !IsUndefined(DisposalOf(frame));
    };
    // Each frame's bounds depend on its own pixels alone: found side by
    // side, as CropGIFFrame finds them.
    const int count = Image.Images.Count();
    std::vector<TRect> boxes(static_cast<size_t>(count));
    GIFWorkers::ForEach(static_cast<size_t>(count), EncodeThreadCount(), [&](size_t c) {
        const TGIFSubImage& frame = Image.Images[static_cast<int>(c)];
        if (croppable(frame)) boxes[c] = OpaqueBounds(frame, TransparentIndexOf(frame));
    });
    for (int c = count - 1; c >= 0; --c) {
        Count();
        TGIFSubImage& frame = Image.Images[c];
        if (!croppable(frame)) continue;
        const TRect box = boxes[static_cast<size_t>(c)];
        if (!box.IsEmpty()) {
            if (box != TRect{0, 0, frame.Width(), frame.Height()}) {
                Crop(frame, box);
                Report();
            }
            continue;
        }
        if (CanDropBlankFrame(c, undefined)) {
            TGIFSubImage& before = Image.Images[c - 1];
            const int delay = ShownDelayOf(before) + ShownDelayOf(frame);
            GraphicControlFor(before).SetDelay(static_cast<uint16_t>(delay));
            Image.Images.Delete(c);
        } else {
            // Keeps its place in time and its disposal, as one clear pixel.
            Crop(frame, TRect{0, 0, 1, 1});
        }
        Report();
    }
}

void TOptimizeRun::CleanupExtensionsAndFrames() {
    const int frames = Image.Images.Count();
    bool loopBefore = false; // a frame before n carries a looping extension
    std::vector<bool> loopUpTo(static_cast<size_t>(frames), false);
    for (int n = 0; n < frames; ++n) {
        loopUpTo[static_cast<size_t>(n)] = loopBefore;
        for (const auto& extension : Image.Images[n].Extensions)
            if (dynamic_cast<const TGIFAppExtNSLoop*>(extension.get())) loopBefore = true;
    }
    for (int n = frames - 1; n >= 0; --n) {
        TGIFSubImage& frame = Image.Images[n];
        for (int e = frame.Extensions.Count() - 1; e >= 0; --e) {
            const TGIFExtension* extension = &frame.Extensions[e];
            bool drop = dynamic_cast<const TGIFCommentExtension*>(extension) ||
                        dynamic_cast<const TGIFTextExtension*>(extension) ||
                        dynamic_cast<const TGIFUnknownAppExtension*>(extension);
            // A later looping extension only counts when no earlier frame has
            // one: the painter loops back to the frame that carries the first.
            if (dynamic_cast<const TGIFAppExtNSLoop*>(extension))
                drop = frames == 1 || (n > 0 && loopUpTo[static_cast<size_t>(n)]);
            if (drop) frame.Extensions.Delete(e);
        }
        if (TGIFGraphicControlExtension* control = frame.GraphicControlExtension()) {
            const bool single = frames == 1;
            if ((control->Delay() == 0 || single) && !control->Transparent() && !control->UserInput() &&
                (DisposalOf(frame) < TGIFDisposal::RestoreBackground || single))
                frame.Extensions.Delete(frame.Extensions.IndexOf(control));
        }
        if (frame.Empty() && frame.Extensions.Count() == 0) Image.Images.Delete(n);
    }
    Report();
}

} // namespace

bool CanAddColor(TGIFSubImage& self) {
    const int own = self.ColorMap.Count();
    if (own > 0) return own < TGIFColorMap::MaxColors;
    TGIFImage* image = self.Image();
    const int global = image ? image->Header.ColorMap.Count() : 0;
    return global > 0 && global < TGIFColorMap::MaxColors;
}

// The first frame of self's image other than self that SharesTransparency,
// or null.
const TGIFSubImage* FirstSharing(TGIFSubImage& self) {
    TGIFImage* image = self.Image();
    if (!image) return nullptr;
    for (const auto& other : image->Images)
        if (other.get() != &self && SharesTransparency(*other)) return other.get();
    return nullptr;
}

int TransparentIndexForMerging(TGIFSubImage& self, std::optional<const TGIFSubImage*> sharing) {
    const std::array<bool, 256> used = UsedIndices(self);
    TGIFColorMap& table = self.ActiveColorMap();
    if (self.ColorMap.Count() == 0) {
        if (!sharing) sharing = FirstSharing(self);
        if (*sharing) {
            const int t = TransparentIndexOf(**sharing);
            // Shared only when no visible pixel of self has that index.
            if (!used[t] && t < std::max(1, table.Count())) return t;
        }
    }
    for (int i = 0; i < table.Count(); ++i)
        if (!used[i]) return i;
    if (table.Count() >= TGIFColorMap::MaxColors) throw GIFException(GIFMessages::ColorTableOverflow);
    return table.Add(RGBColor(0, 0, 0));
}

int TransparentIndexForMerging(TGIFSubImage& self) {
    return TransparentIndexForMerging(self, std::nullopt);
}

void MergeGIFFrame(TGIFSubImage& self, TGIFSubImage* previous, std::optional<const TGIFSubImage*> sharing) {
    if (self.Empty() || !previous || previous->Empty() || DisposalOf(*previous) > TGIFDisposal::DoNotDispose)
        return;
    const TRect common = BoundsOf(self).Intersect(BoundsOf(*previous));
    if (common.IsEmpty()) return;

    const bool wasTransparent = self.Transparent();
    bool pending = false;
    int t = 0;
    if (wasTransparent) {
        t = TransparentIndexOf(self);
    } else {
        if (!CanAddColor(self)) return;
        pending = true;
    }
    const bool previousTransparent = previous->Transparent();
    const int p = previousTransparent ? TransparentIndexOf(*previous) : -1;

    TGIFColorMap& selfMap = self.ActiveColorMap();
    TGIFColorMap& previousMap = previous->ActiveColorMap();
    const bool sameMap = &selfMap == &previousMap;
    const int selfWidth = self.Width();
    bool taken = false;
    const std::array<int64_t, 256> selfKeys = EntryKeys(selfMap);
    const std::array<int64_t, 256> previousKeys = EntryKeys(previousMap);
    // Each index as a number that two indices, one of self and one beneath,
    // share exactly when their pixels merge: one look-up a pixel each.
    std::array<int, 256> selfClass, previousClass;
    ClassesOfSameEntries(selfKeys, previousKeys, sameMap, selfClass, previousClass);
    // Whether a pixel v of self over q beneath merges; once self has its
    // transparent index t, the same index as the pixels merged before.
    const auto mergesWithIndex = [&](uint8_t v, uint8_t q) {
        return q != p && v != t && selfClass[v] == previousClass[q];
    };
    const auto merges = [&](uint8_t v, uint8_t q) {
        if (!pending) return mergesWithIndex(v, q);
        return q != p && ((sameMap && v == q) || (selfKeys[v] >= 0 && selfKeys[v] == previousKeys[q]));
    };
    if (!self.HasPixelBuffer() && common == BoundsOf(self) && !previous->HasPixelBuffer()) {
        // A frame whose data decoded nothing holds one value: over a frame
        // of one value beneath, all of it merges or none does, and it stays
        // without a buffer.
        const uint8_t v = self.OneValue();
        if (!merges(v, previous->OneValue())) return;
        if (pending) {
            t = TransparentIndexForMerging(self, sharing);
            taken = true;
        }
        std::array<uint8_t, 256> map;
        for (int i = 0; i < 256; ++i) map[static_cast<size_t>(i)] = static_cast<uint8_t>(i);
        map[v] = static_cast<uint8_t>(t);
        self.MapPixels(map);
    } else {
        // Elsewhere merging makes such a frame's buffer, which is not worth
        // it for millions of pixels from a few bytes.
        if (!self.HasPixelBuffer() && self.DataSize() > MaxMergedWithoutPixels) return;
        std::vector<uint8_t> fillRow;
        // The rows from the common left edge on; the frames' positions are
        // read once (a store of a pixel could change them for the compiler).
        const int selfLeft = common.Left - self.Left(), previousLeft = common.Left - previous->Left();
        const int selfTop = self.Top(), previousTop = previous->Top();
        const int commonWidth = common.Width();
        for (int y = common.Top; y < common.Bottom; ++y) {
            uint8_t* row = self.Data() + static_cast<int64_t>(y - selfTop) * selfWidth + selfLeft;
            const uint8_t* under = previous->ReadRow(y - previousTop, fillRow) + previousLeft;
            if (!pending) {
                for (int x = 0; x < commonWidth; ++x)
                    if (mergesWithIndex(row[x], under[x])) row[x] = static_cast<uint8_t>(t);
                continue;
            }
            for (int x = 0; x < commonWidth; ++x) {
                if (!merges(row[x], under[x])) continue;
                if (pending) {
                    t = TransparentIndexForMerging(self, sharing);
                    pending = false;
                    taken = true;
                }
                row[x] = static_cast<uint8_t>(t);
            }
        }
    }
    if (!wasTransparent && taken) {
        TGIFGraphicControlExtension& control = GraphicControlFor(self);
        control.SetTransparent(true);
        control.SetTransparentColorIndex(t);
    }
    // Frames whose data decoded nothing are made whole to be merged; most
    // come out of it of one value again and need no buffer.
    self.CompactUniformPixels();
    self.FreeBitmap();
}

bool CropGIFFrame(TGIFSubImage& frame) {
    if (frame.Empty() || !frame.Transparent()) return false;
    const TRect box = OpaqueBounds(frame, TransparentIndexOf(frame));
    if (box.IsEmpty()) {
        frame.SetWidth(0);
        frame.SetHeight(0);
        return true;
    }
    if (box == TRect{0, 0, frame.Width(), frame.Height()}) return false;
    Crop(frame, box);
    return true;
}

void OptimizeGIF(TGIFImage& image, TGIFOptimizeOptions options, uint8_t reductionMethod,
                 uint32_t reductionBits, uint8_t ditherMode) {
    (void)reductionBits;
    (void)ditherMode;
    if (image.Empty()) return;
    image.StopPainters();
    TOptimizeRun run(image);
    image.Progress(TProgressStage::Starting, 0, false, TRect{}, GIFMessages::Optimizing);
    try {
        const int frames = image.Images.Count();
        if (options & OptimizeColorMap) run.OptimizeColorMaps();
        if (options & OptimizeCleanup) {
            run.CleanupTransparency();
            run.CleanupDisposals();
        } else {
            run.Count(2 * frames);
        }
        if (options & OptimizeMerge)
            run.MergeFrames();
        else
            run.Count(frames);
        if (options & OptimizeCrop)
            run.CropFrames();
        else
            run.Count(frames);
        run.Count(image.Images.Count());
        if ((options & OptimizeReduceColors) && !(options & OptimizeCleanup) && reductionMethod == 9)
            throw GIFException(GIFMessages::InvalidReductionMethod);
        if (options & OptimizeCleanup) run.CleanupExtensionsAndFrames();
    } catch (...) {
        image.Progress(TProgressStage::Ending, 0, true, TRect{}, GIFMessages::Optimizing);
        image.Changed();
        throw;
    }
    image.Progress(TProgressStage::Ending, 100, true, TRect{}, GIFMessages::Optimizing);
    image.Changed();
}
