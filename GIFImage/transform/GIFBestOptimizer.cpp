#include "GIFBestOptimizer.h"

#include "GIFEncoder.h"
#include "GIFFollowedScreen.h"
#include "GIFGraphicControlExtension.h"
#include "GIFImage.h"
#include "GIFLossyOptimizer.h"
#include "GIFWireFormat.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <unordered_map>
#include <utility>
#include <vector>

namespace {

using namespace GIFFollowedScreen;

// The largest union of frames whose pixels choose among equal colours.
constexpr int64_t MaxEqualColourChoicePixels = int64_t{1} << 23;

int EncodedSize(const uint8_t* pixels, int width, int height, int bits, int fillValue = -1,
                bool interlaced = false) {
    TMemoryStream out;
    CompressImageData(out, TGIFCompression::LZW, bits, 1 << bits, pixels, interlaced, height, width,
                      fillValue);
    return static_cast<int>(out.Size());
}

// One pixel of the redrawn frame: a needed one keeps its index; a free one
// may be transparent or drawn with Plain (an index of the colour the screen
// already shows there, -1 when the table has none). Four bytes: one is held
// for every pixel of the frame.
struct TPixelChoice {
    bool Needed = false;
    uint8_t Value = 0;
    int16_t Plain = -1;
};

// The forms a redrawn frame's free pixels (those the screen already shows)
// can take.
enum class TFreePixels {
    Transparent,    // all the transparent index
    Plain,          // their colour where the table has it
    ContinuingRuns, // whichever continues the run of the pixel before
};
inline constexpr TFreePixels FreePixelForms[] = {TFreePixels::Transparent, TFreePixels::Plain,
                                                 TFreePixels::ContinuingRuns};

class TFrameRedraw {
public:
    TFrameRedraw(TGIFSubImage& frame, const TScreen& first, const TScreen& later)
        : Frame(frame), First(first), Later(later) {}
    // Finds the pixels the frame must draw and the area they need, picks a
    // transparent index, tries the forms and keeps the smallest.
    void Run();

private:
    // The choice for every pixel of the frame, and Area: the rectangle of
    // what is needed (and of what restoring to the ground must reach).
    void FindNeededPixels();
    // Among the entries no needed pixel uses, the one that most free pixels
    // could show plain anyway; -1 when every entry is used.
    int ChooseTransparentIndex() const;
    // The frame redrawn as best (Area's pixels), with its transparency.
    void Apply(const std::vector<uint8_t>& best, bool transparent, bool keepTransparent, int t);

    std::vector<uint8_t> Form(TFreePixels form, int t) const;
    bool NeedsTransparency(const std::vector<uint8_t>& form, int t) const;

    TGIFSubImage& Frame;
    const TScreen& First;              // the screen before the frame in the first pass
    const TScreen& Later;              // and in every later pass
    int T0 = GIFFrame::NoTransparency; // the frame's transparent index as it came
    TRect Area;                        // the redrawn rectangle, frame coordinates
    std::vector<TPixelChoice> Choices; // of Area, row by row
};

void TFrameRedraw::Run() {
    T0 = TransparentIndexOf(Frame);
    FindNeededPixels();
    const int t = ChooseTransparentIndex();
    for (const TPixelChoice& c : Choices)
        if (!c.Needed && c.Plain < 0 && t < 0) return; // cannot happen; keep the frame
    // A transparent frame stays transparent: other decoders show the screen
    // around the first frame, and what a frame restores to the background,
    // as transparent only when the frame has a transparent index.
    const bool keepTransparent = T0 >= 0;
    if (keepTransparent && t < 0) return;

    const int bits = Frame.ActiveColorMap().BitsPerPixel();
    const TGIFEncodeJob current = Frame.EncodeJob();
    int bestSize = EncodedSize(current.Pixels, Frame.Width(), Frame.Height(), bits, current.FillValue);
    std::vector<uint8_t> best;
    bool bestTransparent = false;
    for (const TFreePixels kind : FreePixelForms) {
        if (kind == TFreePixels::Transparent && t < 0) continue;
        std::vector<uint8_t> form = Form(kind, t);
        const bool transparent = NeedsTransparency(form, t);
        // A graphic control extension to add costs its 8 bytes.
        const int size = EncodedSize(form.data(), Area.Width(), Area.Height(), bits) +
                         (transparent && !Frame.GraphicControlExtension() ? 8 : 0);
        if (size < bestSize) {
            bestSize = size;
            best = std::move(form);
            bestTransparent = transparent;
        }
    }
    if (!best.empty()) Apply(best, bestTransparent, keepTransparent, t);
}

void TFrameRedraw::FindNeededPixels() {
    const int width = Frame.Width();
    const int height = Frame.Height();
    const std::array<uint32_t, 256> colours = ColoursOf(Frame);
    const TGIFColorMap& map = Frame.ActiveColorMap();
    std::unordered_map<uint32_t, int> indexOf;
    for (int i = map.Count() - 1; i >= 0; --i) indexOf[colours[static_cast<size_t>(i)]] = i;
    const bool restoresToGround = DisposalOf(Frame) == TGIFDisposal::RestoreBackground;

    std::vector<TPixelChoice> all(static_cast<size_t>(width) * static_cast<size_t>(height));
    TRect box{width, height, 0, 0};
    std::vector<uint8_t> fillRow;
    for (int y = 0; y < height; ++y) {
        const uint8_t* pixels = Frame.ReadRow(y, fillRow);
        const uint32_t* firstRow = First.At(Frame.Left(), Frame.Top() + y);
        const uint32_t* laterRow = Later.At(Frame.Left(), Frame.Top() + y);
        for (int x = 0; x < width; ++x) {
            TPixelChoice& choice = all[static_cast<size_t>(y) * width + x];
            const uint32_t first = firstRow[x];
            const uint32_t later = laterRow[x];
            // A colour every pass shows there before this frame.
            const bool settled = first == later && first != Ground;
            const int v = pixels[x];
            choice.Value = static_cast<uint8_t>(v);
            choice.Needed = v != T0 && !(settled && colours[static_cast<size_t>(v)] == first);
            if (settled) {
                const auto found = indexOf.find(first);
                if (found != indexOf.end()) choice.Plain = static_cast<int16_t>(found->second);
            }
            // Restoring to the ground must still reach whatever is not ground.
            const bool mustCover = restoresToGround && !(first == Ground && later == Ground);
            if (choice.Needed || mustCover) {
                box.Left = std::min(box.Left, x);
                box.Right = std::max(box.Right, x + 1);
                box.Top = std::min(box.Top, y);
                box.Bottom = std::max(box.Bottom, y + 1);
            }
        }
    }
    Area = box.IsEmpty() ? TRect{0, 0, 1, 1} : box;
    // The area's rows moved to the front of the frame's, in place.
    size_t kept = 0;
    for (int y = Area.Top; y < Area.Bottom; ++y)
        for (int x = Area.Left; x < Area.Right; ++x) all[kept++] = all[static_cast<size_t>(y) * width + x];
    all.resize(kept);
    all.shrink_to_fit();
    Choices = std::move(all);
}

int TFrameRedraw::ChooseTransparentIndex() const {
    // Drawing a free pixel transparent or plain is then the same byte.
    std::array<bool, 256> usedByNeeded{};
    std::array<int, 256> plainUse{};
    for (const TPixelChoice& c : Choices) {
        if (c.Needed)
            usedByNeeded[static_cast<size_t>(c.Value)] = true;
        else if (c.Plain >= 0)
            ++plainUse[static_cast<size_t>(c.Plain)];
    }
    int t = -1;
    for (int i = 0; i < Frame.ActiveColorMap().Count(); ++i) {
        if (usedByNeeded[static_cast<size_t>(i)]) continue;
        if (t < 0 || plainUse[static_cast<size_t>(i)] > plainUse[static_cast<size_t>(t)] ||
            (plainUse[static_cast<size_t>(i)] == plainUse[static_cast<size_t>(t)] && i == T0))
            t = i;
    }
    return t;
}

void TFrameRedraw::Apply(const std::vector<uint8_t>& best, bool transparent, bool keepTransparent, int t) {
    const int areaWidth = Area.Width();
    const int areaHeight = Area.Height();
    Frame.SetLeft(static_cast<uint16_t>(Frame.Left() + Area.Left));
    Frame.SetTop(static_cast<uint16_t>(Frame.Top() + Area.Top));
    Frame.SetWidth(static_cast<uint16_t>(areaWidth));
    Frame.SetHeight(static_cast<uint16_t>(areaHeight));
    Frame.SetPacked(Frame.Packed() & ~GIFWire::DescriptorInterlaced);
    for (int y = 0; y < areaHeight; ++y)
        std::copy_n(best.begin() + static_cast<ptrdiff_t>(y) * areaWidth, areaWidth, Frame.ScanLine(y));
    if (transparent || keepTransparent) {
        TGIFGraphicControlExtension& control = GIFFrame::GraphicControlFor(Frame);
        control.SetTransparent(true);
        control.SetTransparentColorIndex(t);
    } else if (Frame.Transparent()) {
        Frame.GraphicControlExtension()->SetTransparent(false);
    }
    Frame.FreeBitmap();
}

std::vector<uint8_t> TFrameRedraw::Form(TFreePixels kind, int t) const {
    std::vector<uint8_t> form(Choices.size());
    int previous = -1;
    for (size_t i = 0; i < Choices.size(); ++i) {
        const TPixelChoice& c = Choices[i];
        int value = c.Value;
        if (!c.Needed) {
            if (kind == TFreePixels::Transparent)
                value = t;
            else if (kind == TFreePixels::Plain)
                value = c.Plain >= 0 ? c.Plain : t;
            else if (previous >= 0 && (previous == t || previous == c.Plain))
                value = previous;
            else
                value = t >= 0 ? t : c.Plain;
        }
        form[i] = static_cast<uint8_t>(value);
        previous = value;
    }
    return form;
}

bool TFrameRedraw::NeedsTransparency(const std::vector<uint8_t>& form, int t) const {
    if (t < 0) return false;
    for (size_t i = 0; i < Choices.size(); ++i)
        if (!Choices[i].Needed && form[i] == t && Choices[i].Plain != t) return true;
    return false;
}

// Gives every frame the one global table when all the colours the frames
// show (and the background colour) fit in it with room to spare, so that no
// frame carries a table of its own. Returns whether it did.
bool UnifyColorTables(TGIFImage& image) {
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
    std::vector<std::array<int, 256>> maps;
    for (const auto& frame : image.Images) {
        const std::array<uint32_t, 256> frameColours = ColoursOf(*frame);
        std::array<bool, 256> used{};
        std::vector<uint8_t> fillRow;
        for (int y = 0; y < frame->Height(); ++y) {
            const uint8_t* row = frame->ReadRow(y, fillRow);
            for (int x = 0; x < frame->Width(); ++x) used[row[x]] = true;
        }
        const int t = TransparentIndexOf(*frame);
        std::array<int, 256> map{};
        map.fill(-1);
        for (int i = 0; i < 256; ++i)
            if (used[static_cast<size_t>(i)] && i != t)
                map[static_cast<size_t>(i)] = indexFor(frameColours[static_cast<size_t>(i)]);
        maps.push_back(map);
    }
    if (global.Count() > 0 && image.Header.BackgroundColorIndex() < global.Count()) {
        const TPaletteEntry e = global.Entry(image.Header.BackgroundColorIndex());
        background = indexFor(0xFF000000u | (uint32_t{e.Red} << 16) | (uint32_t{e.Green} << 8) | e.Blue);
    }
    if (colours.size() >= 256) return false;

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

// Redraws every frame against the screen before it.
void RedrawFrames(TGIFImage& image) {
    // Frames only shrink here, so the union stays the same throughout.
    const TRect bounds = image.FramesBounds();
    // Every pass after the first starts from what the first one left.
    TScreen later(bounds, Ground);
    for (const auto& frame : image.Images) ShowFrame(later, *frame);
    TScreen first(bounds, Ground);
    for (const auto& frame : image.Images) {
        // Rows in interlaced order mostly compress worse; the picture is
        // the same either way.
        if (frame->Interlaced()) {
            const uint8_t* pixels = std::as_const(*frame).Data();
            const int bits = frame->ActiveColorMap().BitsPerPixel();
            if (EncodedSize(pixels, frame->Width(), frame->Height(), bits) <=
                EncodedSize(pixels, frame->Width(), frame->Height(), bits, -1, true))
                frame->SetPacked(frame->Packed() & ~GIFWire::DescriptorInterlaced);
        }
        TFrameRedraw(*frame, first, later).Run();
        ShowFrame(first, *frame);
        ShowFrame(later, *frame);
    }
}

// The frame's pixels through map, row by row.
std::vector<uint8_t> MappedPixels(TGIFSubImage& frame, const std::array<int, 256>& map) {
    std::vector<uint8_t> mapped(static_cast<size_t>(frame.Width()) * static_cast<size_t>(frame.Height()));
    std::vector<uint8_t> fillRow;
    for (int y = 0; y < frame.Height(); ++y) {
        const uint8_t* row = frame.ReadRow(y, fillRow);
        for (int x = 0; x < frame.Width(); ++x)
            mapped[static_cast<size_t>(y) * frame.Width() + x] = static_cast<uint8_t>(map[row[x]]);
    }
    return mapped;
}

int BitsFor(int entries) {
    int bits = 1;
    while ((1 << bits) < entries) ++bits;
    return bits;
}

int TableBytes(int entries) {
    return 3 << BitsFor(entries);
}

// The code size the writer gives pixels of a table of tableEntries whose
// largest index is largest (the image is written with the smallest code
// sizes).
int CodeBits(int tableEntries, int largest) {
    return std::min(BitsFor(tableEntries), std::max(2, BitsFor(largest + 1)));
}

// Each frame takes whichever table stores it smallest, its bytes counted
// with the pixels' codes: the global table (when that has every colour the
// frame shows and an entry to spare for its transparency), or a table of
// its own of just the colours it shows. The pictures stay the same.
void ChooseFrameTables(TGIFImage& image) {
    TGIFColorMap& global = image.Header.ColorMap;
    std::unordered_map<uint32_t, int> globalIndexOf;
    std::array<uint32_t, 256> globalColours{};
    for (int i = global.Count() - 1; i >= 0; --i) {
        const TPaletteEntry e = global.Entry(i);
        globalColours[static_cast<size_t>(i)] =
            0xFF000000u | (uint32_t{e.Red} << 16) | (uint32_t{e.Green} << 8) | e.Blue;
        globalIndexOf[globalColours[static_cast<size_t>(i)]] = i;
    }
    std::vector<uint8_t> fillRow;
    for (const auto& framePointer : image.Images) {
        TGIFSubImage& frame = *framePointer;
        if (frame.Empty() || frame.ActiveColorMap().Count() == 0) continue;
        const std::array<uint32_t, 256> colours = ColoursOf(frame);
        const int t = TransparentIndexOf(frame);
        std::array<int64_t, 256> uses{};
        for (int y = 0; y < frame.Height(); ++y) {
            const uint8_t* row = frame.ReadRow(y, fillRow);
            for (int x = 0; x < frame.Width(); ++x) ++uses[row[x]];
        }
        const bool local = frame.ColorMap.Count() > 0;
        const TGIFEncodeJob job = frame.EncodeJob();
        int bestSize =
            EncodedSize(job.Pixels, job.Width, job.Height, job.Bits, job.FillValue, frame.Interlaced()) +
            (local ? TableBytes(frame.ColorMap.Count()) : 0);
        int bestKind = -1; // -1: as it is; 0: the global table; 1: one of its own
        std::array<int, 256> bestMap{};
        std::vector<uint32_t> bestTable;
        int bestTransparent = -1;

        // The global table.
        if (local && global.Count() > 0) {
            std::array<int, 256> map{};
            std::array<bool, 256> taken{};
            bool fits = true;
            for (int v = 0; v < 256 && fits; ++v) {
                if (uses[static_cast<size_t>(v)] == 0 || v == t) continue;
                const auto found = globalIndexOf.find(colours[static_cast<size_t>(v)]);
                if (found == globalIndexOf.end())
                    fits = false;
                else
                    taken[static_cast<size_t>(map[static_cast<size_t>(v)] = found->second)] = true;
            }
            int spare = -1;
            if (fits && t >= 0) {
                for (int i = 0; i < global.Count() && spare < 0; ++i)
                    if (!taken[static_cast<size_t>(i)]) spare = i;
                fits = spare >= 0;
                if (fits) map[static_cast<size_t>(t)] = spare;
            }
            if (fits) {
                const std::vector<uint8_t> mapped = MappedPixels(frame, map);
                const int largest = *std::max_element(mapped.begin(), mapped.end());
                const int size = EncodedSize(mapped.data(), frame.Width(), frame.Height(),
                                             CodeBits(global.Count(), largest), -1, frame.Interlaced());
                if (size < bestSize) {
                    bestSize = size, bestKind = 0, bestMap = map, bestTransparent = spare;
                }
            }
        }
        // A table of its own, the colours most used first.
        {
            std::vector<std::pair<int64_t, uint32_t>> byUse;
            std::unordered_map<uint32_t, int64_t> useOf;
            for (int v = 0; v < 256; ++v)
                if (uses[static_cast<size_t>(v)] > 0 && v != t)
                    useOf[colours[static_cast<size_t>(v)]] += uses[static_cast<size_t>(v)];
            for (const auto& [colour, count] : useOf) byUse.emplace_back(count, colour);
            std::sort(byUse.begin(), byUse.end(), [](const auto& a, const auto& b) {
                return a.first != b.first ? a.first > b.first : a.second < b.second;
            });
            std::vector<uint32_t> table;
            std::unordered_map<uint32_t, int> indexOf;
            for (const auto& [count, colour] : byUse) {
                indexOf[colour] = static_cast<int>(table.size());
                table.push_back(colour);
            }
            int transparent = -1;
            if (t >= 0) {
                transparent = static_cast<int>(table.size());
                table.push_back(0xFF000000u);
            }
            if (table.size() < 2) table.push_back(0xFF000000u);
            if (table.size() <= 256) {
                std::array<int, 256> map{};
                for (int v = 0; v < 256; ++v)
                    if (uses[static_cast<size_t>(v)] > 0)
                        map[static_cast<size_t>(v)] =
                            v == t ? transparent : indexOf.at(colours[static_cast<size_t>(v)]);
                const std::vector<uint8_t> mapped = MappedPixels(frame, map);
                const int largest = *std::max_element(mapped.begin(), mapped.end());
                const int size =
                    EncodedSize(mapped.data(), frame.Width(), frame.Height(),
                                CodeBits(static_cast<int>(table.size()), largest), -1, frame.Interlaced()) +
                    TableBytes(static_cast<int>(table.size()));
                if (size < bestSize) {
                    bestSize = size, bestKind = 1, bestMap = map, bestTransparent = transparent;
                    bestTable = std::move(table);
                }
            }
        }
        if (bestKind < 0) continue;
        const std::vector<uint8_t> mapped = MappedPixels(frame, bestMap);
        frame.ColorMap.Clear();
        for (uint32_t c : bestTable)
            frame.ColorMap.Add(RGBColor(static_cast<uint8_t>(c >> 16), static_cast<uint8_t>(c >> 8),
                                        static_cast<uint8_t>(c)));
        std::copy(mapped.begin(), mapped.end(), frame.Data());
        if (t >= 0) frame.GraphicControlExtension()->SetTransparentColorIndex(bestTransparent);
        frame.CompactUniformPixels();
        frame.FreeBitmap();
    }
}

int64_t SavedSize(TGIFImage& image) {
    TMemoryStream stream;
    image.SaveToStream(stream);
    return stream.Size();
}

} // namespace

void OptimizeGIFBest(TGIFImage& image) {
    if (image.Empty() || !CanFollow(image)) return;
    image.StopPainters();
    TMemoryStream before;
    image.SaveToStream(before);
    if (UnifyColorTables(image)) {
        // One table may make codes wider than the tables it replaces: keep
        // whichever way ends smaller.
        RedrawFrames(image);
        TGIFImage separate;
        before.SetPosition(0);
        separate.LoadFromStream(before);
        RedrawFrames(separate);
        TMemoryStream kept;
        separate.SaveToStream(kept);
        if (kept.Size() < SavedSize(image)) {
            kept.SetPosition(0);
            image.LoadFromStream(kept);
        }
    } else {
        RedrawFrames(image);
    }
    // Then each pixel that may show through or be drawn plain takes
    // whichever index makes the compressor's strings longest. That choice
    // holds about 27 bytes for each pixel of the frames' union, more than
    // the rest of the optimisation, for a gain of a few per cent: the
    // largest pictures go without it.
    const TRect bounds = image.FramesBounds();
    if (int64_t{bounds.Width()} * bounds.Height() <= MaxEqualColourChoicePixels) OptimizeGIFLossy(image, 0);
    image.SmallestCodeSize = true;
    // The global table sorted by use first, as it will be written: its
    // frames' code sizes follow from the order.
    image.Header.ColorMap.Optimize();
    ChooseFrameTables(image);
    image.Changed();
}

void OptimizeGIFSmallest(TGIFImage& image, TGIFOptimizeOptions options, int lossyError) {
    const TGIFOptimizeOptions again = options & (OptimizeCleanup | OptimizeColorMap);
    OptimizeGIF(image, options);
    OptimizeGIFBest(image);
    if (again) OptimizeGIF(image, again);
    if (lossyError <= 0) return;
    OptimizeGIFLossy(image, lossyError);
    if (again) OptimizeGIF(image, again);
}
