#include "GIFBestOptimizer.h"

#include "GIFColorIndex.h"
#include "GIFEmptyFrames.h"
#include "GIFEncoder.h"
#include "GIFFewestRuns.h"
#include "GIFFollowedScreen.h"
#include "GIFGraphicControlExtension.h"
#include "GIFImage.h"
#include "GIFLZWLookaheadEncoder.h"
#include "GIFLossyLZWEncoder.h"
#include "GIFLossyOptimizer.h"
#include "GIFParallelEncoder.h"
#include "GIFWireFormat.h"
#include "GIFWorkerThreads.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <functional>
#include <future>
#include <malloc.h>
#include <queue>
#include <span>
#include <unordered_map>
#include <utility>
#include <vector>

namespace {

using namespace GIFFollowedScreen;

int EncodedSize(const uint8_t* pixels, int width, int height, int bits, int fillValue = -1,
                bool interlaced = false, bool keepFullTable = false) {
    return static_cast<int>(
        CompressedSize(bits, 1 << bits, pixels, interlaced, height, width, fillValue, keepFullTable));
}

// The writer gives a frame with a table of its own straight rows.
bool WrittenInterlaced(TGIFSubImage& frame) {
    return frame.Interlaced() && frame.ColorMap.Count() == 0;
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
    Transparent, // all the transparent index
    Plain,       // their colour where the table has it
    FewestRuns,  // whichever leaves the fewest runs of one value in all
    LongGaps,    // transparent in long runs only, elsewhere plain where it can
};
// The shortest run of free pixels that LongGaps makes transparent. Among
// noisy pixels (a dithered picture quantised anew each frame) a short
// transparent run breaks the strings that its colours continue; from 8 to
// 32 the size hardly changed on any kind measured.
constexpr size_t LongFreeRun = 16;
inline constexpr TFreePixels FreePixelForms[] = {TFreePixels::Transparent, TFreePixels::Plain,
                                                 TFreePixels::FewestRuns, TFreePixels::LongGaps};

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
    std::vector<uint8_t> FewestRunsForm(int t) const;
    std::vector<uint8_t> LongGapsForm(int t) const;
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
    if (t < 0)
        for (const TPixelChoice& c : Choices)
            if (!c.Needed && c.Plain < 0) return; // cannot happen; keep the frame
    // A transparent frame stays transparent: other decoders show the screen
    // around the first frame, and what a frame restores to the background,
    // as transparent only when the frame has a transparent index.
    const bool keepTransparent = T0 >= 0;
    if (keepTransparent && t < 0) return;

    const int bits = Frame.ActiveColorMap().BitsPerPixel();
    const TGIFEncodeJob current = Frame.EncodeJob();
    int bestSize = EncodedSize(current.Pixels, Frame.Width(), Frame.Height(), bits, current.FillValue,
                               WrittenInterlaced(Frame));
    std::vector<uint8_t> best;
    bool bestTransparent = false;
    std::vector<std::vector<uint8_t>> tried;
    // A frame already redrawn is often one of the forms.
    if (current.Pixels && !WrittenInterlaced(Frame) && Area.Width() == Frame.Width() &&
        Area.Height() == Frame.Height())
        tried.emplace_back(current.Pixels, current.Pixels + Choices.size());
    // The sizes of the forms tried, 0 where not tried.
    std::array<int, std::size(FreePixelForms)> sizes{};
    for (const TFreePixels kind : FreePixelForms) {
        if ((kind == TFreePixels::Transparent || kind == TFreePixels::LongGaps) && t < 0) continue;
        // Mixing the two pays only where drawing free pixels plain stores
        // about as small as leaving them transparent: elsewhere (text
        // scrolling, say) it was never smaller.
        const int transparentSize = sizes[static_cast<size_t>(TFreePixels::Transparent)];
        const int plainSize = sizes[static_cast<size_t>(TFreePixels::Plain)];
        if (kind == TFreePixels::LongGaps && transparentSize > 0 && plainSize > 0 &&
            plainSize * 10 > transparentSize * 11)
            continue;
        std::vector<uint8_t> form = Form(kind, t);
        // A form made again stores the same and cannot be smaller.
        if (form.empty() || std::find(tried.begin(), tried.end(), form) != tried.end()) continue;
        const bool transparent = NeedsTransparency(form, t);
        // A graphic control extension to add costs its 8 bytes.
        const int control = transparent && !Frame.GraphicControlExtension() ? 8 : 0;
        // Rows in interlaced order mostly compress worse; the table choice
        // tries them again.
        const int size = EncodedSize(form.data(), Area.Width(), Area.Height(), bits) + control;
        sizes[static_cast<size_t>(kind)] = size;
        tried.push_back(form);
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
    const TColorIndex indexOf(colours.data(), Frame.ActiveColorMap().Count());
    const bool restoresToGround = DisposalOf(Frame) == TGIFDisposal::RestoreBackground;

    std::vector<TPixelChoice> all(static_cast<size_t>(width) * static_cast<size_t>(height));
    TRect box{width, height, 0, 0};
    std::vector<uint8_t> fillRow;
    uint32_t lastColour = Ground; // never settled
    int16_t lastPlain = -1;
    for (int y = 0; y < height; ++y) {
        const uint8_t* pixels = Frame.ReadRow(y, fillRow);
        const uint32_t* firstRow = First.At(Frame.Left(), Frame.Top() + y);
        const uint32_t* laterRow = Later.At(Frame.Left(), Frame.Top() + y);
        int left = -1, right = -1; // the row's first and last pixel in the box
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
                // Neighbours mostly show the same colour: the last one found
                // is asked first.
                if (first != lastColour) {
                    lastColour = first;
                    lastPlain = static_cast<int16_t>(indexOf.Find(first));
                }
                choice.Plain = lastPlain;
            }
            // Restoring to the ground must still reach whatever is not ground.
            const bool mustCover = restoresToGround && !(first == Ground && later == Ground);
            if (choice.Needed || mustCover) {
                if (left < 0) left = x;
                right = x;
            }
        }
        if (left < 0) continue;
        box.Left = std::min(box.Left, left);
        box.Right = std::max(box.Right, right + 1);
        box.Top = std::min(box.Top, y);
        box.Bottom = std::max(box.Bottom, y + 1);
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
    if (kind == TFreePixels::FewestRuns) return FewestRunsForm(t);
    if (kind == TFreePixels::LongGaps) return LongGapsForm(t);
    std::vector<uint8_t> form(Choices.size());
    for (size_t i = 0; i < Choices.size(); ++i) {
        const TPixelChoice& c = Choices[i];
        int value = c.Value;
        if (!c.Needed) value = kind == TFreePixels::Transparent || c.Plain < 0 ? t : c.Plain;
        form[i] = static_cast<uint8_t>(value);
    }
    return form;
}

// Free pixels are transparent in runs of at least LongFreeRun (in the order
// the compressor reads them), and elsewhere plain where the table has their
// colour. None (empty) where that differs from all transparent in fewer
// than one pixel in fifty: then it stored no smaller on any kind measured.
std::vector<uint8_t> TFrameRedraw::LongGapsForm(int t) const {
    std::vector<uint8_t> form(Choices.size());
    size_t plain = 0;
    for (size_t i = 0; i < Choices.size();) {
        if (Choices[i].Needed) {
            form[i] = Choices[i].Value;
            ++i;
            continue;
        }
        size_t end = i;
        while (end < Choices.size() && !Choices[end].Needed) ++end;
        const bool gap = end - i >= LongFreeRun;
        for (; i < end; ++i) {
            const bool clear = gap || Choices[i].Plain < 0;
            form[i] = static_cast<uint8_t>(clear ? t : Choices[i].Plain);
            plain += clear ? 0 : 1;
        }
    }
    if (plain * 50 < Choices.size()) return {};
    return form;
}

// Each free pixel takes the transparent index or its plain colour, whichever
// leaves the fewest runs.
std::vector<uint8_t> TFrameRedraw::FewestRunsForm(int t) const {
    return FewestRunsOf(Choices.size(), [&](size_t i, int(&values)[2]) {
        const TPixelChoice& c = Choices[i];
        if (c.Needed) {
            values[0] = values[1] = c.Value;
        } else {
            values[0] = t >= 0 ? t : c.Plain;
            values[1] = c.Plain >= 0 ? c.Plain : values[0];
        }
    });
}

bool TFrameRedraw::NeedsTransparency(const std::vector<uint8_t>& form, int t) const {
    if (t < 0) return false;
    for (size_t i = 0; i < Choices.size(); ++i)
        if (!Choices[i].Needed && form[i] == t && Choices[i].Plain != t) return true;
    return false;
}

// Gives every frame the one global table when all the colours the frames
// show (and the background colour) fit in it with room to spare, so that no
// frame carries a table of its own. Returns whether it did; then the
// picture as it was is saved to before.
bool UnifyColorTables(TGIFImage& image, TMemoryStream& before) {
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

// A frame's drawing over a given screen: the box it must cover and its
// pixels there, row by row, Transparent where the screen already shows
// what the frame leaves.
struct TDrawing {
    TRect Box;
    std::vector<uint8_t> Pixels;
    int Transparent = -1;
};

// Where a frame must draw to turn before into shown (screens of the same
// area) in both passes.
struct TNeededPixels {
    const TScreen& BeforeFirst;
    const TScreen& BeforeLater;
    const TScreen& ShownFirst;
    const TScreen& ShownLater;
    TRect Box;
    int64_t Count = 0;

    TNeededPixels(const TScreen& beforeFirst, const TScreen& beforeLater, const TScreen& shownFirst,
                  const TScreen& shownLater)
        : BeforeFirst(beforeFirst), BeforeLater(beforeLater), ShownFirst(shownFirst), ShownLater(shownLater) {
        const TRect& area = beforeFirst.Bounds;
        Box = TRect{area.Right, area.Bottom, area.Left, area.Top};
        for (int y = area.Top; y < area.Bottom; ++y) {
            const TRows rows = RowsAt(area.Left, y);
            int left = -1, right = -1;
            for (int x = 0; x < area.Width(); ++x)
                if (rows.Needed(x)) {
                    if (left < 0) left = x;
                    right = x;
                    ++Count;
                }
            if (left < 0) continue;
            Box.Left = std::min(Box.Left, area.Left + left),
            Box.Right = std::max(Box.Right, area.Left + right + 1);
            Box.Top = std::min(Box.Top, y), Box.Bottom = std::max(Box.Bottom, y + 1);
        }
        if (Box.IsEmpty()) Box = TRect::FromSize(area.Left, area.Top, 1, 1);
    }
    // The four screens from (x, y) on along the row (they share one area).
    struct TRows {
        const uint32_t *BeforeFirst, *BeforeLater, *ShownFirst, *ShownLater;
        bool Needed(int i) const {
            return BeforeFirst[i] != ShownFirst[i] || BeforeLater[i] != ShownLater[i];
        }
    };
    TRows RowsAt(int x, int y) const {
        return {BeforeFirst.At(x, y), BeforeLater.At(x, y), ShownFirst.At(x, y), ShownLater.At(x, y)};
    }
};

// The drawing of the needed pixels with the colours of frame's table;
// false when a pixel needs a colour the table lacks, or other colours in
// the two passes.
bool DrawingOf(const TNeededPixels& needed, TGIFSubImage& frame, TDrawing& drawing) {
    const TRect& box = needed.Box;
    const std::array<uint32_t, 256> colours = ColoursOf(frame);
    const int count = frame.ActiveColorMap().Count();
    const TColorIndex indexOf(colours.data(), count);
    std::array<bool, 256> used{};
    drawing.Box = box;
    drawing.Pixels.assign(static_cast<size_t>(box.Width()) * static_cast<size_t>(box.Height()), 0);
    std::vector<uint8_t> free(drawing.Pixels.size(), 0);
    // Neighbours mostly need the same colour: the last one found is asked
    // first.
    uint32_t lastColour = Ground;
    int lastFound = -1;
    size_t out = 0;
    for (int y = box.Top; y < box.Bottom; ++y) {
        const TNeededPixels::TRows rows = needed.RowsAt(box.Left, y);
        for (int x = 0; x < box.Width(); ++x, ++out) {
            if (!rows.Needed(x)) {
                free[out] = 1;
                continue;
            }
            const uint32_t colour = rows.ShownFirst[x];
            if (colour == Ground || rows.ShownLater[x] != colour) return false;
            if (colour != lastColour) {
                lastColour = colour;
                lastFound = indexOf.Find(colour);
                if (lastFound < 0) return false;
            }
            drawing.Pixels[out] = static_cast<uint8_t>(lastFound);
            used[static_cast<size_t>(lastFound)] = true;
        }
    }
    int t = TransparentIndexOf(frame);
    if (t < 0 || t >= count || used[static_cast<size_t>(t)])
        for (t = 0; t < count && used[static_cast<size_t>(t)];) ++t;
    if (t >= count) return false;
    for (size_t i = 0; i < free.size(); ++i)
        if (free[i]) drawing.Pixels[i] = static_cast<uint8_t>(t);
    drawing.Transparent = t;
    return true;
}

// Whether next, the frame after frame, must draw no more pixels over what
// showed before frame (restored) than over what frame leaves (kept); first
// and later are the screens before frame. Outside frame the two are the
// same screen, so only frame's pixels are walked, counting how many more
// restoring needs; the walk ends once the rows left cannot make up the
// difference.
bool RestoringDrawsNoMore(const TScreen& first, const TScreen& later, TGIFSubImage& frame,
                          TGIFSubImage& next) {
    const std::array<uint32_t, 256> frameColours = ColoursOf(frame), nextColours = ColoursOf(next);
    const int frameT = TransparentIndexOf(frame), nextT = TransparentIndexOf(next);
    const TRect a = GIFFrame::BoundsOf(frame), b = GIFFrame::BoundsOf(next);
    // Where next lies along frame's rows, in frame's columns.
    const int nextLeft = std::clamp(b.Left - a.Left, 0, a.Width());
    const int nextRight = std::clamp(b.Right - a.Left, 0, a.Width());
    std::vector<uint8_t> frameFill, nextFill;
    int64_t more = 0; // the pixels restoring needs, less those keeping needs
    for (int y = a.Top; y < a.Bottom; ++y) {
        if (more > int64_t{a.Bottom - y} * a.Width()) return false;
        const uint32_t* firstRow = first.At(a.Left, y);
        const uint32_t* laterRow = later.At(a.Left, y);
        const uint8_t* frameRow = frame.ReadRow(y - a.Top, frameFill);
        const bool nextHere = y >= b.Top && y < b.Bottom && nextLeft < nextRight;
        const uint8_t* nextRow =
            nextHere ? next.ReadRow(y - b.Top, nextFill) + (a.Left + nextLeft - b.Left) : nullptr;
        for (int x = 0; x < a.Width(); ++x) {
            const uint32_t before1 = firstRow[x], before2 = laterRow[x];
            const int v = frameRow[x];
            const uint32_t after1 = v != frameT ? frameColours[static_cast<size_t>(v)] : before1;
            const uint32_t after2 = v != frameT ? frameColours[static_cast<size_t>(v)] : before2;
            uint32_t shown1 = after1, shown2 = after2;
            if (nextRow && x >= nextLeft && x < nextRight) {
                const int w = nextRow[x - nextLeft];
                if (w != nextT) shown1 = shown2 = nextColours[static_cast<size_t>(w)];
            }
            more += (before1 != shown1 || before2 != shown2 ? 1 : 0) -
                    (after1 != shown1 || after2 != shown2 ? 1 : 0);
        }
    }
    return more <= 0;
}

// Gives next the drawing (its box, its pixels, its transparency), which
// shows what next showed over another screen.
void Redraw(TGIFSubImage& next, const TDrawing& drawing) {
    next.SetLeft(static_cast<uint16_t>(drawing.Box.Left));
    next.SetTop(static_cast<uint16_t>(drawing.Box.Top));
    next.SetWidth(static_cast<uint16_t>(drawing.Box.Width()));
    next.SetHeight(static_cast<uint16_t>(drawing.Box.Height()));
    next.SetPacked(next.Packed() & ~GIFWire::DescriptorInterlaced);
    for (int y = 0; y < drawing.Box.Height(); ++y)
        std::copy_n(drawing.Pixels.begin() + static_cast<ptrdiff_t>(y) * drawing.Box.Width(),
                    drawing.Box.Width(), next.ScanLine(y));
    TGIFGraphicControlExtension& control = GIFFrame::GraphicControlFor(next);
    control.SetTransparent(true);
    control.SetTransparentColorIndex(drawing.Transparent);
    // Some decoders (Pillow) carry a disposal over to later frames that
    // leave theirs unspecified: the next frame says that it stays.
    if (DisposalOf(next) == TGIFDisposal::Unspecified) control.SetDisposal(TGIFDisposal::DoNotDispose);
    next.FreeBitmap();
}

// Restores frame (disposal 3) once shown when next, the frame after it,
// stores smaller drawn over what showed before frame than over what frame
// leaves: a mark that comes and goes, a cursor blinking over a still
// screen. first and later are the screens before frame in the first and
// in every later pass.
void TryRestoring(const TScreen& first, const TScreen& later, TGIFSubImage& frame, TGIFSubImage& next) {
    const TRect area = GIFFrame::BoundsOf(frame).Unite(GIFFrame::BoundsOf(next));
    // Restoring mostly leaves more to draw: that is found first, cheaply.
    if (!RestoringDrawsNoMore(first, later, frame, next)) return;
    const TPassScreens before = PassScreens(first, later, area);
    TPassScreens after = before;
    after.Show(frame);
    // The next frame leaves its pixels in place: what it shows stays.
    TPassScreens shown = after;
    shown.Show(next);
    // As in making animations, restoring paid only where it left no more
    // pixels to draw.
    const TNeededPixels overKept(after.First, after.LaterScreen(), shown.First, shown.LaterScreen());
    const TNeededPixels overRestored(before.First, before.LaterScreen(), shown.First, shown.LaterScreen());
    if (overRestored.Count > overKept.Count) return;
    TDrawing kept, restored;
    if (!DrawingOf(overKept, next, kept) || !DrawingOf(overRestored, next, restored)) return;
    const int bits = next.ActiveColorMap().BitsPerPixel();
    // A graphic control extension to add costs its 8 bytes.
    const int controls = (frame.GraphicControlExtension() ? 0 : 8) + (next.GraphicControlExtension() ? 0 : 8);
    if (!RestoringPays(
            EncodedSize(kept.Pixels.data(), kept.Box.Width(), kept.Box.Height(), bits),
            EncodedSize(restored.Pixels.data(), restored.Box.Width(), restored.Box.Height(), bits) +
                controls))
        return;
    GIFFrame::GraphicControlFor(frame).SetDisposal(TGIFDisposal::RestorePrevious);
    Redraw(next, restored);
}

// The other way round: a frame restored once shown (disposal 3, as
// ImageMagick's -layers optimize often leaves one) that stays when the next
// frame then stores clearly smaller drawn over what it leaves.
void TryKeeping(const TScreen& first, const TScreen& later, TGIFSubImage& frame, TGIFSubImage& next) {
    const TRect area = GIFFrame::BoundsOf(frame).Unite(GIFFrame::BoundsOf(next));
    const TPassScreens before = PassScreens(first, later, area);
    // What frame leaves where it stays.
    TPassScreens after = before;
    TGIFGraphicControlExtension& control = GIFFrame::GraphicControlFor(frame);
    control.SetDisposal(TGIFDisposal::DoNotDispose);
    after.Show(frame);
    control.SetDisposal(TGIFDisposal::RestorePrevious);
    // What the next frame shows now, drawn over what showed before frame.
    TPassScreens shown = before;
    shown.Show(next);
    const TNeededPixels overKept(after.First, after.LaterScreen(), shown.First, shown.LaterScreen());
    const TNeededPixels overRestored(before.First, before.LaterScreen(), shown.First, shown.LaterScreen());
    if (overKept.Count > overRestored.Count) return;
    TDrawing kept;
    if (!DrawingOf(overKept, next, kept)) return;
    const int bits = next.ActiveColorMap().BitsPerPixel();
    const TGIFEncodeJob current = next.EncodeJob();
    const int restoredSize = EncodedSize(current.Pixels, next.Width(), next.Height(), bits, current.FillValue,
                                         WrittenInterlaced(next));
    const int keptSize = EncodedSize(kept.Pixels.data(), kept.Box.Width(), kept.Box.Height(), bits) +
                         (next.GraphicControlExtension() ? 0 : 8);
    if (!RestoringPays(restoredSize, keptSize)) return;
    control.SetDisposal(TGIFDisposal::DoNotDispose);
    Redraw(next, kept);
}

// Redraws every frame against the screen before it, having first restored
// it where its next frame then stores smaller drawn over what showed before
// it (see TryRestoring; only a frame with frames before and after it, as
// decoders disagree on what shows before the first). A redrawn frame leaves
// the screen as the frame did, and so does a restored one with the frame
// after it: the screens follow the frames as they are restored, while the
// frames already followed are redrawn side by side, each against copies of
// the screens under its own rectangle.
void RedrawFrames(TGIFImage& image) {
    // Frames only shrink here, so their union holds them throughout.
    const TRect bounds = image.FramesBounds();
    // Every pass after the first starts from what the first one left.
    TScreen later(bounds, Ground);
    for (const auto& frame : image.Images) ShowFrame(later, *frame);
    TScreen first(bounds, Ground);
    FollowScreens(
        image, first, later, EncodeThreadCount(), [](const TGIFSubImage&) { return true; },
        [&](size_t k) {
            const int count = image.Images.Count();
            TGIFSubImage& frame = image.Images[static_cast<int>(k)];
            if (static_cast<int>(k) + 1 >= count) return;
            TGIFSubImage& next = image.Images[static_cast<int>(k) + 1];
            if (GIFFrame::Restores(DisposalOf(next))) return;
            if (k >= 1 && !GIFFrame::Restores(DisposalOf(frame)))
                TryRestoring(first, later, frame, next);
            else if (DisposalOf(frame) == TGIFDisposal::RestorePrevious)
                TryKeeping(first, later, frame, next);
        },
        [&](TGIFSubImage& frame, TScreen& firstPart, TScreen& laterPart) {
            TFrameRedraw(frame, firstPart, laterPart).Run();
        });
}

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
// drawing, where that shows fewer colours than the frame as it is (Frame
// null elsewhere).
std::vector<TFrameTableNeeds>
TransparentAlternatives(TGIFImage& image, const std::vector<TFrameTableNeeds>& frames, int threads) {
    std::vector<TFrameTableNeeds> alternatives(frames.size());
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
            alternatives[redraw.Frame] =
                NeedsOf(*frames[redraw.Frame].Frame, UniformRunsDrawing(redraw), redraw.Transparent);
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

// A global table shared by as many frames as it can serve. While the
// frames' colours do not fit, the colour that the least weight of frames
// needs is dropped, every frame showing it then keeping a table of its own;
// a frame weighs what sharing saves it (see SharingGain), so frames of few
// colours give way first. The background colour stays.
enum class TSharedOrder {
    ByFrames,       // the colours most frames show first
    BySmallestFrame // the colours of the frames of fewest colours first
};
// Frames of few colours take low indices, and so short codes, when their
// colours come first.
enum class TSharedStart {
    Everything, // every colour, dropped while they do not fit
    Empty       // no frame: the heaviest frames that fit join one by one
};
// Which frames show which colours, and how often: what every way of
// building a shared table starts from.
struct TFrameColours {
    std::vector<uint32_t> ColourOf;                             // by colour id; the background's is 0
    std::vector<std::vector<int>> ColourIdsOf;                  // by frame
    std::vector<std::vector<std::pair<int, int64_t>>> FramesOf; // by colour id: frame, uses
    std::vector<bool> Transparent;                              // by frame
};

TFrameColours FrameColoursOf(const std::vector<const TFrameTableNeeds*>& frames, int background) {
    TFrameColours found;
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

std::vector<uint32_t> SharedColours(const TFrameColours& found, const std::vector<int64_t>& gains,
                                    int background, TSharedOrder order, TSharedStart start) {
    const std::vector<uint32_t>& colourOf = found.ColourOf;
    const std::vector<std::vector<int>>& colourIdsOf = found.ColourIdsOf;
    const std::vector<std::vector<std::pair<int, int64_t>>>& framesOf = found.FramesOf;
    const size_t frameCount = colourIdsOf.size();
    // A transparent frame takes for its transparency any entry it does not
    // show.
    const size_t room = 256;

    std::vector<int64_t> weight(colourOf.size(), 0);
    std::vector<bool> shared(frameCount, true);
    std::vector<bool> kept(colourOf.size(), true);
    const auto frameWeight = [&](size_t f) { return gains[f]; };
    for (size_t f = 0; f < frameCount; ++f)
        for (int id : colourIdsOf[f]) weight[static_cast<size_t>(id)] += frameWeight(f);
    if (background >= 0) weight[0] = INT64_MAX;
    size_t count = colourOf.size();
    // Lightest first; an entry whose weight has since fallen is stale.
    using TEntry = std::pair<int64_t, int>;
    std::priority_queue<TEntry, std::vector<TEntry>, std::greater<>> lightest;
    for (size_t id = 0; id < weight.size(); ++id) lightest.emplace(weight[id], static_cast<int>(id));
    if (start == TSharedStart::Empty) {
        std::fill(shared.begin(), shared.end(), false);
        std::fill(kept.begin(), kept.end(), false);
        count = background >= 0 ? 1 : 0;
        if (background >= 0) kept[0] = true;
    }
    while (count > room && !lightest.empty()) {
        const auto [w, id] = lightest.top();
        lightest.pop();
        if (!kept[static_cast<size_t>(id)] || w != weight[static_cast<size_t>(id)]) continue;
        kept[static_cast<size_t>(id)] = false;
        --count;
        for (const auto& [f, uses] : framesOf[static_cast<size_t>(id)]) {
            if (!shared[static_cast<size_t>(f)]) continue;
            shared[static_cast<size_t>(f)] = false;
            for (int other : colourIdsOf[static_cast<size_t>(f)]) {
                if (!kept[static_cast<size_t>(other)] || weight[static_cast<size_t>(other)] == INT64_MAX)
                    continue;
                weight[static_cast<size_t>(other)] -= frameWeight(static_cast<size_t>(f));
                lightest.emplace(weight[static_cast<size_t>(other)], other);
            }
        }
    }

    // Colours that no frame still sharing the table shows go too, and the
    // room they and the dropped frames leave goes to the heaviest of the
    // frames turned away that fit in it.
    for (size_t id = 0; id < weight.size(); ++id)
        if (kept[id] && weight[id] == 0) {
            kept[id] = false;
            --count;
        }
    std::vector<size_t> byWeight;
    for (size_t f = 0; f < frameCount; ++f)
        if (!shared[f]) byWeight.push_back(f);
    std::stable_sort(byWeight.begin(), byWeight.end(),
                     [&](size_t a, size_t b) { return frameWeight(a) > frameWeight(b); });
    for (const size_t f : byWeight) {
        size_t missing = 0;
        for (int id : colourIdsOf[f]) missing += kept[static_cast<size_t>(id)] ? 0 : 1;
        if (count + missing > room) continue;
        for (int id : colourIdsOf[f]) kept[static_cast<size_t>(id)] = true;
        count += missing;
        shared[f] = true;
    }

    struct TScore {
        size_t SmallestFrame = 256; // the fewest colours of a frame showing it
        int64_t Frames = 0;
        int64_t Uses = 0;
    };
    std::vector<TScore> score(colourOf.size());
    for (size_t id = 0; id < colourOf.size(); ++id)
        for (const auto& [f, uses] : framesOf[id])
            if (shared[static_cast<size_t>(f)]) {
                score[id].SmallestFrame =
                    std::min(score[id].SmallestFrame, colourIdsOf[static_cast<size_t>(f)].size());
                ++score[id].Frames;
                score[id].Uses += uses;
            }
    std::vector<int> ids;
    for (size_t id = 0; id < colourOf.size(); ++id)
        if (kept[id]) ids.push_back(static_cast<int>(id));
    std::stable_sort(ids.begin(), ids.end(), [&](int a, int b) {
        const auto& sa = score[static_cast<size_t>(a)];
        const auto& sb = score[static_cast<size_t>(b)];
        if (order == TSharedOrder::BySmallestFrame && sa.SmallestFrame != sb.SmallestFrame)
            return sa.SmallestFrame < sb.SmallestFrame;
        if (sa.Frames != sb.Frames) return sa.Frames > sb.Frames;
        return sa.Uses > sb.Uses;
    });
    std::vector<uint32_t> colours;
    for (int id : ids) colours.push_back(colourOf[static_cast<size_t>(id)]);
    // A transparent frame showing every colour kept needs an entry more.
    for (size_t f = 0; f < frameCount; ++f)
        if (shared[f] && found.Transparent[f] && colourIdsOf[f].size() == colours.size() &&
            colours.size() < room) {
            colours.push_back(0xFF000000u);
            break;
        }
    return colours;
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
int64_t ChooseWithGlobal(const std::vector<TFrameTableNeeds>& frames,
                         const std::vector<TFrameTableNeeds>& alternatives,
                         const std::vector<uint32_t>& colours, bool globalKept,
                         std::vector<TFrameTableChoice>& choices, int threads) {
    const TColorIndex indexOf(colours.data(), static_cast<int>(colours.size()));
    choices.assign(frames.size(), {});
    // Each frame's choice on its own core: most of it is compressing.
    GIFWorkers::ForEach(frames.size(), threads, [&](size_t f) {
        TFrameTableChoice& best = choices[f];
        best.Size = -1;
        ChooseFor(frames[f], colours, indexOf, globalKept, best);
        if (alternatives[f].Frame) ChooseFor(alternatives[f], colours, indexOf, globalKept, best);
    });
    int64_t total = colours.empty() ? 0 : TableBytes(static_cast<int>(colours.size()));
    for (const TFrameTableChoice& best : choices) {
        if (best.Size < 0) return -1;
        total += best.Size;
    }
    return total;
}

// The compressed size of frames' codes, where known.
using TStoredSizes = std::unordered_map<const TGIFSubImage*, int>;

// Chooses the global table and each frame's table so that they store
// smallest, their bytes counted with the pixels' codes: the global table as
// it is, or one shared by the frames it can serve (in three orders); each
// frame with the global table (when that has every colour it shows and an
// entry to spare for its transparency), a table of its own of just the
// colours it shows, or the one it had. The pictures stay the same. Returns
// the compressed size of each frame's codes as now stored.
TStoredSizes ChooseColorTables(TGIFImage& image) {
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
    const std::vector<TFrameTableNeeds> alternatives = TransparentAlternatives(image, frames, threads);
    // What each frame asks of a table, as it is or, where that differs, in
    // its transparent drawing.
    std::vector<const TFrameTableNeeds*> asIs, preferringTransparent;
    std::vector<int64_t> asIsGains, preferringTransparentGains;
    for (size_t f = 0; f < frames.size(); ++f) {
        asIs.push_back(&frames[f]);
        asIsGains.push_back(SharingGain(frames[f], frames[f]));
        preferringTransparent.push_back(alternatives[f].Frame ? &alternatives[f] : &frames[f]);
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
            const TFrameTableNeeds& needs = choices[f].Redrawn ? alternatives[f] : frames[f];
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
            const TFrameColours found =
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
        const TFrameTableNeeds& needs = choice.Redrawn ? alternatives[f] : frames[f];
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
    // while the frames and their union hold no more pixels than
    // MinFollowedPixels, so a huge picture costs one drawing's memory.
    const TRect bounds = image.FramesBounds();
    int64_t held = 0;
    for (const auto& frame : image.Images) held += int64_t{frame->Width()} * frame->Height();
    const bool small =
        held <= MinFollowedPixels && int64_t{bounds.Width()} * bounds.Height() <= MinFollowedPixels;
    if (lossyError < 2 || !small) {
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
