#include "GIFFrameRedraw.h"

#include "GIFColorIndex.h"
#include "GIFEncoder.h"
#include "GIFFewestRuns.h"
#include "GIFFollowedScreen.h"
#include "GIFGraphicControlExtension.h"
#include "GIFImage.h"
#include "GIFParallelEncoder.h"
#include "GIFWireFormat.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <utility>
#include <vector>

namespace {

using namespace GIFFollowedScreen;
using GIFFrame::WrittenInterlaced;

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

} // namespace

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
