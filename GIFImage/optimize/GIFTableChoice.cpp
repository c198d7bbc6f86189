#include "GIFTableChoice.h"

#include "GIFColorIndex.h"
#include "GIFEncoder.h"
#include "GIFFollowedScreen.h"
#include "GIFGraphicControlExtension.h"
#include "GIFImage.h"
#include "GIFLossyLZWEncoder.h"
#include "GIFParallelEncoder.h"
#include "GIFSharedTable.h"
#include "GIFWireFormat.h"
#include "GIFWorkerThreads.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <memory>
#include <unordered_map>
#include <utility>
#include <vector>

namespace {

using namespace GIFFollowedScreen;
using GIFFrame::WrittenInterlaced;

// The frame's pixels (or those of drawing, when given) through map, row by
// row.
std::vector<uint8_t> MappedPixels(TGIFSubImage& frame, const std::array<int, 256>& map,
                                  const std::vector<uint8_t>& drawing = {}) {
    const size_t width = static_cast<size_t>(frame.Width());
    std::vector<uint8_t> mapped(width * static_cast<size_t>(frame.Height()));
    std::vector<uint8_t> fillRow;
    for (int y = 0; y < frame.Height(); ++y) {
        const uint8_t* row = drawing.empty() ? frame.ReadRow(y, fillRow) : drawing.data() + y * width;
        for (size_t x = 0; x < width; ++x) mapped[y * width + x] = static_cast<uint8_t>(map[row[x]]);
    }
    return mapped;
}

int TableBytes(int entries) {
    return 3 << GIFWire::BitsForEntries(entries);
}

// The code size the writer gives pixels of a table of tableEntries whose
// largest index is largest (the image is written with the smallest code
// sizes).
int CodeBits(int tableEntries, int largest) {
    return std::min(GIFWire::BitsForEntries(tableEntries), std::max(2, GIFWire::BitsForEntries(largest + 1)));
}

uint32_t OpaqueColour(const TPaletteEntry& e) {
    return 0xFF000000u | (uint32_t{e.Red} << 16) | (uint32_t{e.Green} << 8) | e.Blue;
}

// What a frame asks of a colour table, gathered once for every global
// table that is tried: its colours, how often each index is used, and the
// stores that do not depend on the global table.
struct TFrameTableNeeds {
    TGIFSubImage* Frame = nullptr;
    std::array<uint32_t, 256> Colours{};
    std::array<int64_t, 256> Uses{};
    int Transparent = -1;
    bool OnGlobal = false;
    int KeptSize = 0;    // as it is, its own table counted
    int KeptLZWSize = 0; // its codes alone
    int KeptBits = 0;    // their code size (0: not known)
    // A table of its own of just the colours it shows, the most used first.
    std::vector<uint32_t> OwnTable;
    std::array<int, 256> OwnMap{};
    int OwnTransparent = -1;
    int OwnSize = -1; // -1: more colours than a table holds
    // The compressed size of the frame with its colours merged as every
    // table here merges them, by code size and row order: the compressor's
    // output depends only on which pixels are equal, not on their indices.
    mutable std::array<int, 18> MergedSizes{};
    // For a frame's transparent drawing (see TransparentAlternatives): its
    // pixels, and the bytes of a graphic control extension it must add for
    // its transparency.
    std::vector<uint8_t> Drawing;
    int ControlBytes = 0;
};

int MergedSize(const TFrameTableNeeds& needs, int bits, bool interlaced) {
    int& size = needs.MergedSizes[static_cast<size_t>(bits * 2 + (interlaced ? 1 : 0))];
    if (size == 0) {
        TGIFSubImage& frame = *needs.Frame;
        const std::vector<uint8_t> mapped = MappedPixels(frame, needs.OwnMap, needs.Drawing);
        size = EncodedSize(mapped.data(), frame.Width(), frame.Height(), bits, -1, interlaced);
    }
    return size;
}

// The largest index of the frame's pixels through map.
int LargestIndex(const TFrameTableNeeds& needs, const std::array<int, 256>& map) {
    int largest = 0;
    for (int v = 0; v < 256; ++v)
        if (needs.Uses[static_cast<size_t>(v)] > 0) largest = std::max(largest, map[static_cast<size_t>(v)]);
    return largest;
}

// How one frame is stored with a given global table.
struct TFrameTableChoice {
    enum { Kept, Global, Own } Kind = Kept;
    int Size = 0;
    std::array<int, 256> Map{};
    int Transparent = -1;
    bool Interlaced = false; // with the global table
    bool Redrawn = false;    // the frame's transparent drawing
};

// What the frame asks of a table; with a drawing, what the frame redrawn so
// with transparent index drawingTransparent asks (it cannot be kept as it
// is).
TFrameTableNeeds NeedsOf(TGIFSubImage& frame, std::vector<uint8_t> drawing = {},
                         int drawingTransparent = -1) {
    TFrameTableNeeds needs;
    needs.Frame = &frame;
    needs.Colours = ColoursOf(frame);
    needs.Transparent = drawing.empty() ? TransparentIndexOf(frame) : drawingTransparent;
    needs.OnGlobal = frame.ColorMap.Count() == 0;
    if (drawing.empty()) {
        needs.Uses = GIFFrame::IndexUses(frame);
        const TGIFEncodeJob job = frame.EncodeJob();
        needs.KeptLZWSize =
            EncodedSize(job.Pixels, job.Width, job.Height, job.Bits, job.FillValue, WrittenInterlaced(frame));
        needs.KeptSize = needs.KeptLZWSize + (needs.OnGlobal ? 0 : TableBytes(frame.ColorMap.Count()));
        needs.KeptBits = job.FillValue < 0 ? job.Bits : 0; // a frame of one value is left out
    } else {
        for (const uint8_t v : drawing) ++needs.Uses[v];
        needs.KeptSize = -1;
        needs.ControlBytes = frame.GraphicControlExtension() ? 0 : 8;
        needs.Drawing = std::move(drawing);
    }

    const int t = needs.Transparent;
    std::unordered_map<uint32_t, int64_t> useOf;
    for (int v = 0; v < 256; ++v)
        if (needs.Uses[static_cast<size_t>(v)] > 0 && v != t)
            useOf[needs.Colours[static_cast<size_t>(v)]] += needs.Uses[static_cast<size_t>(v)];
    std::vector<std::pair<int64_t, uint32_t>> byUse;
    for (const auto& [colour, count] : useOf) byUse.emplace_back(count, colour);
    std::sort(byUse.begin(), byUse.end(), [](const auto& a, const auto& b) {
        return a.first != b.first ? a.first > b.first : a.second < b.second;
    });
    std::unordered_map<uint32_t, int> indexOf;
    for (const auto& [count, colour] : byUse) {
        indexOf[colour] = static_cast<int>(needs.OwnTable.size());
        needs.OwnTable.push_back(colour);
    }
    if (t >= 0) {
        needs.OwnTransparent = static_cast<int>(needs.OwnTable.size());
        needs.OwnTable.push_back(0xFF000000u);
    }
    if (needs.OwnTable.size() < 2) needs.OwnTable.push_back(0xFF000000u);
    if (needs.OwnTable.size() > 256) return needs;
    for (int v = 0; v < 256; ++v)
        if (needs.Uses[static_cast<size_t>(v)] > 0)
            needs.OwnMap[static_cast<size_t>(v)] =
                v == t ? needs.OwnTransparent : indexOf.at(needs.Colours[static_cast<size_t>(v)]);
    const int entries = static_cast<int>(needs.OwnTable.size());
    // Where no two of its indices show one colour, the frame as it is
    // compresses as merged: its size is known for its code size and row
    // order.
    if (needs.Drawing.empty() && needs.KeptBits >= 2 && needs.KeptBits <= 8) {
        std::vector<bool> merged(257, false);
        bool distinct = true;
        for (int v = 0; v < 256 && distinct; ++v)
            if (needs.Uses[static_cast<size_t>(v)] > 0) {
                const int m = needs.OwnMap[static_cast<size_t>(v)];
                distinct = !merged[static_cast<size_t>(m)];
                merged[static_cast<size_t>(m)] = true;
            }
        if (distinct)
            needs.MergedSizes[static_cast<size_t>(needs.KeptBits * 2 + (WrittenInterlaced(frame) ? 1 : 0))] =
                needs.KeptLZWSize;
    }
    needs.OwnSize = MergedSize(needs, CodeBits(entries, LargestIndex(needs, needs.OwnMap)), false) +
                    TableBytes(entries) + needs.ControlBytes;
    return needs;
}

// The number of distinct colours that pixels of uses show, t aside.
int ShownColours(const std::array<uint32_t, 256>& colours, const std::array<int64_t, 256>& uses, int t) {
    std::vector<uint32_t> shown;
    for (int v = 0; v < 256; ++v)
        if (uses[static_cast<size_t>(v)] > 0 && v != t) shown.push_back(colours[static_cast<size_t>(v)]);
    std::sort(shown.begin(), shown.end());
    return static_cast<int>(std::unique(shown.begin(), shown.end()) - shown.begin());
}

// A frame to redraw with every pixel that every pass already shows free to
// be transparent, so that it shows only the colours it changes: with fewer
// colours it may share a table that the frame as it is cannot, a gain the
// redraw, which chose each frame's drawing by its size alone, could not
// see.
struct TTransparentRedraw {
    size_t Frame = 0;                // among the frames the tables are chosen for
    int Transparent = -1;            // an entry no pixel it changes shows
    std::vector<TLossyPixel> Pixels; // what each pixel may show, a free one's Exact the transparent index
    std::vector<uint32_t> Colours;   // the table, entries it must not show matching nothing
};

// The frame's pixels as the redraw sees them (first and later: the screens
// before the frame in the first and in every later pass), when it shows
// fewer colours with them free than as it is.
bool PrepareTransparentRedraw(TGIFSubImage& frame, const TFrameTableNeeds& needs, const TScreen& first,
                              const TScreen& later, TTransparentRedraw& redraw) {
    const int width = frame.Width();
    const std::array<uint32_t, 256>& colours = needs.Colours;
    const int t0 = needs.Transparent;
    // What each pixel may show: the first walk counts the pixels that must
    // keep their colour, and only a frame that then shows fewer colours is
    // walked again to fill pixels.
    std::array<int64_t, 256> neededUses{};
    std::vector<TLossyPixel>& pixels = redraw.Pixels;
    std::vector<uint8_t> fillRow;
    for (const bool fill : {false, true}) {
        if (fill) pixels.assign(static_cast<size_t>(width) * static_cast<size_t>(frame.Height()), {});
        for (int y = 0; y < frame.Height(); ++y) {
            const uint8_t* row = frame.ReadRow(y, fillRow);
            const uint32_t* firstRow = first.At(frame.Left(), frame.Top() + y);
            const uint32_t* laterRow = later.At(frame.Left(), frame.Top() + y);
            for (int x = 0; x < width; ++x) {
                TLossyPixel p;
                const bool settled = firstRow[x] == laterRow[x] && firstRow[x] != Ground;
                p.Exact = row[x];
                p.Wanted = p.Exact != t0 ? colours[static_cast<size_t>(p.Exact)]
                           : settled     ? firstRow[x]
                                         : Ground;
                p.Beneath = settled ? firstRow[x] : Ground;
                if (fill)
                    pixels[static_cast<size_t>(y) * width + x] = p;
                else if (p.Exact != t0 && p.Wanted != p.Beneath)
                    ++neededUses[static_cast<size_t>(p.Exact)];
            }
        }
        if (!fill && ShownColours(colours, neededUses, -1) >= ShownColours(colours, needs.Uses, t0))
            return false;
    }
    int t = t0 >= 0 && neededUses[static_cast<size_t>(t0)] == 0 ? t0 : -1;
    for (int i = 0; t < 0 && i < 256; ++i)
        if (neededUses[static_cast<size_t>(i)] == 0) t = i;
    if (t < 0) return false;
    // Entries only free pixels show, and the transparent one, match no
    // colour: one no pixel wants.
    std::vector<uint32_t> wanted(colours.begin(), colours.end());
    for (const TLossyPixel& p : pixels) wanted.push_back(p.Wanted);
    std::sort(wanted.begin(), wanted.end());
    wanted.erase(std::unique(wanted.begin(), wanted.end()), wanted.end());
    uint32_t nothing = 0xFF000000u;
    while (std::binary_search(wanted.begin(), wanted.end(), nothing)) ++nothing;
    // (The transparent index may lie beyond the table: the table chosen
    // gives it an entry.)
    redraw.Colours.assign(colours.begin(), colours.begin() + std::max(frame.ActiveColorMap().Count(), t + 1));
    for (size_t i = 0; i < redraw.Colours.size(); ++i)
        if (neededUses[i] == 0) redraw.Colours[i] = nothing;
    for (TLossyPixel& p : pixels)
        if (p.Exact == t0 || p.Wanted == p.Beneath) p.Exact = t;
    redraw.Transparent = t;
    return true;
}

// The frame's transparent drawing: a run of free pixels (in the order the
// compressor reads them) that shows one colour the frame still shows is
// drawn in it, every other run transparent: either costs the compressor
// one string, and the colour may go on with the pixels beside the run.
std::vector<uint8_t> UniformRunsDrawing(const TTransparentRedraw& redraw) {
    const std::vector<TLossyPixel>& pixels = redraw.Pixels;
    const int t = redraw.Transparent;
    std::vector<uint8_t> drawing(pixels.size());
    for (size_t i = 0; i < pixels.size();) {
        if (pixels[i].Exact != t) {
            drawing[i] = static_cast<uint8_t>(pixels[i].Exact);
            ++i;
            continue;
        }
        const uint32_t colour = pixels[i].Wanted;
        bool uniform = colour != Ground;
        size_t end = i;
        for (; end < pixels.size() && pixels[end].Exact == t; ++end)
            uniform = uniform && pixels[end].Wanted == colour;
        const auto at = std::find(redraw.Colours.begin(), redraw.Colours.end(), colour);
        const int value =
            uniform && at != redraw.Colours.end() ? static_cast<int>(at - redraw.Colours.begin()) : t;
        std::fill(drawing.begin() + static_cast<ptrdiff_t>(i), drawing.begin() + static_cast<ptrdiff_t>(end),
                  static_cast<uint8_t>(value));
        i = end;
    }
    return drawing;
}

// For each of the frames, what it asks of a table in its transparent
// drawing, where that shows fewer colours than the frame as it is (none
// elsewhere: most frames have none, and each holds 4 KB).
using TAlternatives = std::vector<std::unique_ptr<TFrameTableNeeds>>;

TAlternatives TransparentAlternatives(TGIFImage& image, const std::vector<TFrameTableNeeds>& frames,
                                      int threads) {
    TAlternatives alternatives(frames.size());
    if (!CanFollow(image)) return alternatives;
    std::unordered_map<const TGIFSubImage*, size_t> indexOf;
    for (size_t f = 0; f < frames.size(); ++f) indexOf[frames[f].Frame] = f;
    const TRect bounds = image.FramesBounds();
    TScreen later(bounds, Ground);
    for (const auto& frame : image.Images) ShowFrame(later, *frame);
    TScreen first(bounds, Ground);
    FollowScreens(
        image, first, later, threads, [&](const TGIFSubImage& frame) { return indexOf.count(&frame) > 0; },
        nullptr,
        [&](TGIFSubImage& frame, TScreen& firstPart, TScreen& laterPart) {
            const auto at = indexOf.find(&frame);
            if (at == indexOf.end()) return;
            TTransparentRedraw redraw;
            redraw.Frame = at->second;
            if (!PrepareTransparentRedraw(frame, frames[at->second], firstPart, laterPart, redraw)) return;
            // Letting each free pixel change where that lengthens the
            // compressor's strings saved 6 bytes over 190 animations, and took
            // most of this step's time.
            alternatives[redraw.Frame] = std::make_unique<TFrameTableNeeds>(
                NeedsOf(*frames[redraw.Frame].Frame, UniformRunsDrawing(redraw), redraw.Transparent));
        });
    return alternatives;
}

// The frame drawn with the global table of colours (indexOf finds them),
// the lowest entry none of its colours takes serving its transparency;
// Size -1 when the table lacks a colour or that entry.
TFrameTableChoice GlobalChoice(const TFrameTableNeeds& needs, const std::vector<uint32_t>& colours,
                               const TColorIndex& indexOf) {
    TFrameTableChoice choice;
    choice.Kind = TFrameTableChoice::Global;
    choice.Size = -1;
    std::vector<bool> taken(colours.size(), false);
    for (int v = 0; v < 256; ++v) {
        if (needs.Uses[static_cast<size_t>(v)] == 0 || v == needs.Transparent) continue;
        const int found = indexOf.Find(needs.Colours[static_cast<size_t>(v)]);
        if (found < 0) return choice;
        choice.Map[static_cast<size_t>(v)] = found;
        taken[static_cast<size_t>(found)] = true;
    }
    if (needs.Transparent >= 0) {
        const auto spare = std::find(taken.begin(), taken.end(), false);
        if (spare == taken.end()) return choice;
        choice.Transparent = static_cast<int>(spare - taken.begin());
        choice.Map[static_cast<size_t>(needs.Transparent)] = choice.Transparent;
    }
    if (needs.OwnSize < 0) return choice; // cannot happen: a spare was found
    const int bits = CodeBits(static_cast<int>(colours.size()), LargestIndex(needs, choice.Map));
    // Either row order, whichever is smaller.
    choice.Size = MergedSize(needs, bits, false);
    const int interlacedSize = MergedSize(needs, bits, true);
    if (interlacedSize < choice.Size) choice.Size = interlacedSize, choice.Interlaced = true;
    choice.Size += needs.ControlBytes;
    choice.Redrawn = !needs.Drawing.empty();
    return choice;
}

// Which of the frames show which colours (see TColoursByFrame).
TColoursByFrame FrameColoursOf(const std::vector<const TFrameTableNeeds*>& frames, int background) {
    TColoursByFrame found;
    found.ColourIdsOf.resize(frames.size());
    for (const TFrameTableNeeds* needs : frames) found.Transparent.push_back(needs->Transparent >= 0);
    std::unordered_map<uint32_t, int> idOf;
    const auto idFor = [&](uint32_t colour) {
        const auto [at, added] = idOf.try_emplace(colour, static_cast<int>(found.ColourOf.size()));
        if (added) {
            found.ColourOf.push_back(colour);
            found.FramesOf.emplace_back();
        }
        return at->second;
    };
    if (background >= 0) idFor(static_cast<uint32_t>(background));
    for (size_t f = 0; f < frames.size(); ++f) {
        const TFrameTableNeeds& needs = *frames[f];
        for (int v = 0; v < 256; ++v) {
            const int64_t uses = needs.Uses[static_cast<size_t>(v)];
            if (uses == 0 || v == needs.Transparent) continue;
            const int id = idFor(needs.Colours[static_cast<size_t>(v)]);
            // Entries of one colour count as one.
            std::vector<std::pair<int, int64_t>>& shownBy = found.FramesOf[static_cast<size_t>(id)];
            if (!shownBy.empty() && shownBy.back().first == static_cast<int>(f)) {
                shownBy.back().second += uses;
                continue;
            }
            shownBy.emplace_back(static_cast<int>(f), uses);
            found.ColourIdsOf[f].push_back(id);
        }
    }
    return found;
}

// What needs (the frame as it is, frame, or its transparent drawing) saves
// on a table shared with others: a table of its own, and for a drawing the
// bytes its codes store less than the frame's, and one more, so that among
// frames of as many colours the drawing, which the frame as it is cannot
// replace on the table, keeps its place.
int64_t SharingGain(const TFrameTableNeeds& needs, const TFrameTableNeeds& frame) {
    const int64_t table = TableBytes(static_cast<int>(needs.OwnTable.size()));
    if (needs.Drawing.empty() || needs.OwnSize < 0) return table;
    const int64_t asIs = frame.OwnSize >= 0
                             ? frame.OwnSize - TableBytes(static_cast<int>(frame.OwnTable.size()))
                             : frame.KeptSize;
    return table + 1 + std::max<int64_t>(0, asIs - (needs.OwnSize - table));
}

// The smallest way to store the frame (or its drawing) with the global
// table of colours (indexOf finds them) into best, when smaller than best.
void ChooseFor(const TFrameTableNeeds& needs, const std::vector<uint32_t>& colours,
               const TColorIndex& indexOf, bool globalKept, TFrameTableChoice& best) {
    if (needs.Drawing.empty() && (!needs.OnGlobal || globalKept) &&
        (best.Size < 0 || needs.KeptSize < best.Size)) {
        best = {};
        best.Size = needs.KeptSize;
    }
    if (!colours.empty()) {
        const TFrameTableChoice global = GlobalChoice(needs, colours, indexOf);
        if (global.Size >= 0 && (best.Size < 0 || global.Size < best.Size)) best = global;
    }
    if (needs.OwnSize >= 0 && (best.Size < 0 || needs.OwnSize < best.Size)) {
        best.Kind = TFrameTableChoice::Own;
        best.Size = needs.OwnSize;
        best.Map = needs.OwnMap;
        best.Transparent = needs.OwnTransparent;
        best.Interlaced = false;
        best.Redrawn = !needs.Drawing.empty();
    }
}

// The bytes of every frame with the global table of colours, each frame
// stored whichever way is smallest (as it is only when it keeps its own
// table or the global table stays; or in its transparent drawing, where it
// has one); -1 when a frame cannot be stored.
int64_t ChooseWithGlobal(const std::vector<TFrameTableNeeds>& frames, const TAlternatives& alternatives,
                         const std::vector<uint32_t>& colours, bool globalKept,
                         std::vector<TFrameTableChoice>& choices, int threads) {
    const TColorIndex indexOf(colours.data(), static_cast<int>(colours.size()));
    choices.assign(frames.size(), {});
    // Each frame's choice on its own core: most of it is compressing.
    GIFWorkers::ForEach(frames.size(), threads, [&](size_t f) {
        TFrameTableChoice& best = choices[f];
        best.Size = -1;
        ChooseFor(frames[f], colours, indexOf, globalKept, best);
        if (alternatives[f]) ChooseFor(*alternatives[f], colours, indexOf, globalKept, best);
    });
    int64_t total = colours.empty() ? 0 : TableBytes(static_cast<int>(colours.size()));
    for (const TFrameTableChoice& best : choices) {
        if (best.Size < 0) return -1;
        total += best.Size;
    }
    return total;
}

// What a table choice holds for each frame: its table's colours, the uses
// of each index and their mappings (about 4 KB, twice where it has a
// transparent drawing, and 1 KB for each of the choices kept: some 7 KB
// measured). Many tiny frames (100,000 of one pixel in a 2.5 MB file) made
// that a gigabyte: beyond MaxChoiceFrames (about 170 MB of it), unless the
// frames hold ChoicePixelsPerFrame pixels each on average, the tables stay
// as they are.
constexpr int MaxChoiceFrames = 24576;
constexpr int64_t ChoicePixelsPerFrame = 2048;

bool ChoiceAffordable(const TGIFImage& image) {
    const int count = image.Images.Count();
    return count <= MaxChoiceFrames || FramesPixels(image) >= int64_t{count} * ChoicePixelsPerFrame;
}

} // namespace

bool UnifyColorTables(TGIFImage& image, TMemoryStream& before) {
    if (!ChoiceAffordable(image)) return false;
    // Frames that all take the global table share one already.
    if (std::all_of(image.Images.begin(), image.Images.end(),
                    [](const auto& frame) { return frame->ColorMap.Count() == 0; }))
        return false;
    std::vector<uint32_t> colours;
    std::unordered_map<uint32_t, int> indexOf;
    auto indexFor = [&](uint32_t colour) {
        const auto found = indexOf.find(colour);
        if (found != indexOf.end()) return found->second;
        colours.push_back(colour);
        return indexOf[colour] = static_cast<int>(colours.size()) - 1;
    };
    TGIFColorMap& global = image.Header.ColorMap;
    int background = -1;
    // Which indices each frame uses, found side by side.
    std::vector<std::array<int64_t, 256>> uses(static_cast<size_t>(image.Images.Count()));
    GIFWorkers::ForEach(uses.size(), EncodeThreadCount(),
                        [&](size_t f) { uses[f] = GIFFrame::IndexUses(image.Images[static_cast<int>(f)]); });
    std::vector<std::array<int, 256>> maps;
    for (const auto& frame : image.Images) {
        const std::array<uint32_t, 256> frameColours = ColoursOf(*frame);
        const std::array<int64_t, 256>& used = uses[maps.size()];
        const int t = TransparentIndexOf(*frame);
        std::array<int, 256> map{};
        map.fill(-1);
        for (int i = 0; i < 256; ++i)
            if (used[static_cast<size_t>(i)] > 0 && i != t)
                map[static_cast<size_t>(i)] = indexFor(frameColours[static_cast<size_t>(i)]);
        maps.push_back(map);
    }
    if (global.Count() > 0 && image.Header.BackgroundColorIndex() < global.Count()) {
        const TPaletteEntry e = global.Entry(image.Header.BackgroundColorIndex());
        background = indexFor(0xFF000000u | (uint32_t{e.Red} << 16) | (uint32_t{e.Green} << 8) | e.Blue);
    }
    if (colours.size() >= 256) return false;
    image.SaveToStream(before);

    // A transparent index for each transparent frame that none of its
    // visible colours takes; one spare entry serves every frame that shows
    // them all.
    std::vector<int> transparent(maps.size(), -1);
    int spare = -1;
    for (size_t f = 0; f < maps.size(); ++f) {
        if (TransparentIndexOf(image.Images[static_cast<int>(f)]) == GIFFrame::NoTransparency) continue;
        std::vector<bool> taken(colours.size() + 1, false);
        for (int v : maps[f])
            if (v >= 0) taken[static_cast<size_t>(v)] = true;
        int t = 0;
        while (t < static_cast<int>(colours.size()) && taken[static_cast<size_t>(t)]) ++t;
        if (t == static_cast<int>(colours.size())) {
            if (spare < 0) {
                colours.push_back(0xFF000000u);
                spare = t;
            }
            t = spare;
        }
        transparent[f] = t;
    }

    global.Clear();
    for (uint32_t c : colours)
        global.Add(
            RGBColor(static_cast<uint8_t>(c >> 16), static_cast<uint8_t>(c >> 8), static_cast<uint8_t>(c)));
    if (background >= 0) image.Header.SetBackgroundColorIndex(static_cast<uint8_t>(background));
    for (size_t f = 0; f < maps.size(); ++f) {
        TGIFSubImage& frame = image.Images[static_cast<int>(f)];
        const int t = TransparentIndexOf(frame);
        frame.ColorMap.Clear();
        std::array<uint8_t, 256> map{};
        for (int v = 0; v < 256; ++v)
            map[static_cast<size_t>(v)] =
                static_cast<uint8_t>(v == t ? transparent[f] : maps[f][static_cast<size_t>(v)]);
        frame.MapPixels(map);
        if (t >= 0) frame.GraphicControlExtension()->SetTransparentColorIndex(transparent[f]);
        frame.FreeBitmap();
    }
    return true;
}

TStoredSizes ChooseColorTables(TGIFImage& image) {
    if (!ChoiceAffordable(image)) return {};
    TGIFColorMap& global = image.Header.ColorMap;
    std::vector<TGIFSubImage*> tabled;
    bool canReplaceGlobal = true;
    for (const auto& frame : image.Images) {
        if (frame->Empty()) continue;
        if (frame->ActiveColorMap().Count() == 0) {
            canReplaceGlobal = false;
            continue;
        }
        tabled.push_back(frame.get());
    }
    if (tabled.empty()) return {};
    const int threads = EncodeThreadCount();
    std::vector<TFrameTableNeeds> frames(tabled.size());
    GIFWorkers::ForEach(tabled.size(), threads, [&](size_t f) { frames[f] = NeedsOf(*tabled[f]); });
    const TAlternatives alternatives = TransparentAlternatives(image, frames, threads);
    // What each frame asks of a table, as it is or, where that differs, in
    // its transparent drawing.
    std::vector<const TFrameTableNeeds*> asIs, preferringTransparent;
    std::vector<int64_t> asIsGains, preferringTransparentGains;
    for (size_t f = 0; f < frames.size(); ++f) {
        asIs.push_back(&frames[f]);
        asIsGains.push_back(SharingGain(frames[f], frames[f]));
        preferringTransparent.push_back(alternatives[f] ? alternatives[f].get() : &frames[f]);
        preferringTransparentGains.push_back(SharingGain(*preferringTransparent.back(), frames[f]));
    }

    std::vector<uint32_t> current;
    for (int i = 0; i < global.Count(); ++i) current.push_back(OpaqueColour(global.Entry(i)));
    const int backgroundIndex = image.Header.BackgroundColorIndex();
    const int background = backgroundIndex < global.Count()
                               ? static_cast<int>(current[static_cast<size_t>(backgroundIndex)])
                               : -1;
    std::vector<TFrameTableChoice> bestChoices;
    std::vector<uint32_t> bestColours;
    int64_t bestTotal = -1;
    bool replaced = false;
    // Returns the choices made with the table, and keeps it when it stores
    // smallest so far.
    const auto tryGlobal = [&](std::vector<uint32_t> colours, bool kept) {
        std::vector<TFrameTableChoice> choices;
        const int64_t total = ChooseWithGlobal(frames, alternatives, colours, kept, choices, threads);
        if (total < 0) return std::vector<TFrameTableChoice>{};
        if (bestTotal < 0 || total < bestTotal) {
            bestTotal = total, bestChoices = choices, bestColours = std::move(colours);
            replaced = !kept;
        }
        return choices;
    };
    // Each table is also tried without the entries that no frame drawn
    // with it, nor the background, then uses.
    const auto tryGlobalAndTrimmed = [&](const std::vector<uint32_t>& colours, bool kept) {
        const std::vector<TFrameTableChoice> choices = tryGlobal(colours, kept);
        if (choices.empty() || !canReplaceGlobal) return;
        std::vector<bool> used(colours.size(), false);
        for (size_t f = 0; f < frames.size(); ++f) {
            if (choices[f].Kind != TFrameTableChoice::Global) continue;
            const TFrameTableNeeds& needs = choices[f].Redrawn ? *alternatives[f] : frames[f];
            for (int v = 0; v < 256; ++v)
                if (needs.Uses[static_cast<size_t>(v)] > 0)
                    used[static_cast<size_t>(choices[f].Map[static_cast<size_t>(v)])] = true;
        }
        std::vector<uint32_t> trimmed;
        for (size_t i = 0; i < colours.size(); ++i)
            if (used[i] || static_cast<int>(colours[i]) == background) trimmed.push_back(colours[i]);
        if (trimmed.size() < 2) trimmed.resize(2, 0xFF000000u);
        if (TableBytes(static_cast<int>(trimmed.size())) < TableBytes(static_cast<int>(colours.size())))
            tryGlobal(std::move(trimmed), false);
    };
    tryGlobalAndTrimmed(current, true);
    // Other ways of building it, and the colours most used first, were
    // never the smallest on three corpus halves.
    constexpr std::pair<TSharedOrder, TSharedStart> sharedTables[] = {
        {TSharedOrder::ByFrames, TSharedStart::Everything},
        {TSharedOrder::BySmallestFrame, TSharedStart::Everything},
        {TSharedOrder::BySmallestFrame, TSharedStart::Empty}};
    if (canReplaceGlobal)
        for (const bool transparent : {false, true}) {
            if (transparent && preferringTransparent == asIs) break;
            const TColoursByFrame found =
                FrameColoursOf(transparent ? preferringTransparent : asIs, background);
            for (const auto& [order, start] : sharedTables) {
                std::vector<uint32_t> colours = SharedColours(
                    found, transparent ? preferringTransparentGains : asIsGains, background, order, start);
                if (colours.size() < 2) colours.resize(2, 0xFF000000u);
                tryGlobalAndTrimmed(colours, false);
            }
        }
    if (bestTotal < 0) return {};

    if (replaced) {
        global.Clear();
        for (uint32_t c : bestColours)
            global.Add(RGBColor(static_cast<uint8_t>(c >> 16), static_cast<uint8_t>(c >> 8),
                                static_cast<uint8_t>(c)));
        if (background >= 0) {
            const auto at =
                std::find(bestColours.begin(), bestColours.end(), static_cast<uint32_t>(background));
            image.Header.SetBackgroundColorIndex(static_cast<uint8_t>(at - bestColours.begin()));
        }
    }
    TStoredSizes stored;
    for (size_t f = 0; f < frames.size(); ++f) {
        const TFrameTableChoice& choice = bestChoices[f];
        const TFrameTableNeeds& needs = choice.Redrawn ? *alternatives[f] : frames[f];
        stored[needs.Frame] =
            choice.Kind == TFrameTableChoice::Kept ? needs.KeptLZWSize
            : choice.Kind == TFrameTableChoice::Own
                ? choice.Size - needs.ControlBytes - TableBytes(static_cast<int>(needs.OwnTable.size()))
                : choice.Size - needs.ControlBytes;
        if (choice.Kind == TFrameTableChoice::Kept) continue;
        TGIFSubImage& frame = *needs.Frame;
        const std::vector<uint8_t> mapped = MappedPixels(frame, choice.Map, needs.Drawing);
        frame.ColorMap.Clear();
        if (choice.Kind == TFrameTableChoice::Own)
            for (uint32_t c : needs.OwnTable)
                frame.ColorMap.Add(RGBColor(static_cast<uint8_t>(c >> 16), static_cast<uint8_t>(c >> 8),
                                            static_cast<uint8_t>(c)));
        std::copy(mapped.begin(), mapped.end(), frame.Data());
        frame.SetPacked((frame.Packed() & ~GIFWire::DescriptorInterlaced) |
                        (choice.Interlaced ? GIFWire::DescriptorInterlaced : 0));
        if (needs.Transparent >= 0) {
            TGIFGraphicControlExtension& control = GIFFrame::GraphicControlFor(frame);
            control.SetTransparent(true);
            control.SetTransparentColorIndex(choice.Transparent);
        }
        frame.CompactUniformPixels();
        frame.FreeBitmap();
    }
    return stored;
}
