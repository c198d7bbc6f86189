#pragma once
// The second pass of making an animation (see GIFAnimationMaker.h): each
// frame against what the screen shows. Its changes are found in frame order
// (FindChanges), its colours chosen, several frames at once on worker
// threads (ChooseColours), and it is drawn over the screen in order (Draw)
// and compressed on a thread of its own (Compress).

#include "GIFAnimationMaker.h"
#include "GIFAnimationWriter.h"
#include "GIFColorLookup.h"
#include "GIFFrameCompression.h"
#include "GIFToneMerge.h"

#include <QImage>
#include <QSize>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

namespace GIFFrameMaking {

// The threads the frames are made on.
int MakerThreads(const TGIFMakeOptions& options);

// Twice the tolerance's distance: how far grain may move a pixel (see
// TFrameMaker::Differs and TFrameSmoother).
int GrainTolerance(int quality);

// How far near tones of a picture in continuous tone merge: each within the
// tolerance of its entry, a sixth of it on average; below the default
// quality, no farther than at it. Grain is a few steps whatever the
// quality, and farther merges show a photograph's gradients as contours (a
// grey film at quality 70 went to steps of fifteen, 1 dB below gifski's
// likeness).
TToneMerge ToneLimits(int quality);

// A picture's pixels (ARGB32) read as plain loads rather than calls into
// QImage, for the loops that visit every pixel of a frame.
struct TPixels {
    explicit TPixels(const QImage& picture)
        : Bits(picture.constBits()), Stride(size_t(picture.bytesPerLine())), Width(picture.width()),
          Height(picture.height()) {}
    QRgb At(int x, int y) const {
        QRgb color;
        std::memcpy(&color, Bits + size_t(y) * Stride + 4 * size_t(x), sizeof color);
        return color;
    }
    const uchar* Bits;
    size_t Stride;
    int Width, Height;
};

// A box of the screen: columns Left..Right-1 of rows Top..Bottom-1.
struct TBox {
    int Left = 0, Top = 0, Right = 0, Bottom = 0;

    // Grows the box to hold pixel (x, y).
    void Include(int x, int y) {
        Left = std::min(Left, x), Right = std::max(Right, x + 1);
        Top = std::min(Top, y), Bottom = std::max(Bottom, y + 1);
    }
};

// Copies the box of a plane of screen pixels, perPixel bytes each.
inline void CopyBox(const std::vector<uint8_t>& from, std::vector<uint8_t>& to, int screenWidth, int perPixel,
                    const TBox& box) {
    if (box.Right <= box.Left) return;
    const size_t length = size_t(box.Right - box.Left) * size_t(perPixel);
    for (int y = box.Top; y < box.Bottom; ++y) {
        const size_t at = (size_t(y) * size_t(screenWidth) + size_t(box.Left)) * size_t(perPixel);
        std::memcpy(to.data() + at, from.data() + at, length);
    }
}

// What the screen shows: a colour per pixel and whether any frame drew it.
struct TScreen {
    explicit TScreen(QSize size)
        : Width(size.width()), Colors(size_t(size.width()) * size_t(size.height()) * 3, 0),
          Drawn(size_t(size.width()) * size_t(size.height()), 0) {}
    int Width;
    std::vector<uint8_t> Colors;
    // 0 where no frame drew the pixel yet, else how the last one did.
    std::vector<uint8_t> Drawn;

    void CopyBoxTo(TScreen& to, const TBox& box) const {
        CopyBox(Colors, to.Colors, Width, 3, box);
        CopyBox(Drawn, to.Drawn, Width, 1, box);
    }
};

// What the screen showed in a frame's box once the frame was drawn: the
// frame's own thread reads it while the next frames are drawn.
struct TShownBox {
    TShownBox(const TScreen& screen, const TBox& box)
        : Width(box.Right - box.Left), Colors(size_t(Width) * size_t(box.Bottom - box.Top) * 3),
          Drawn(size_t(Width) * size_t(box.Bottom - box.Top)) {
        for (int y = box.Top; y < box.Bottom; ++y) {
            const size_t from = size_t(y) * size_t(screen.Width) + size_t(box.Left);
            const size_t to = size_t(y - box.Top) * size_t(Width);
            std::memcpy(&Colors[3 * to], &screen.Colors[3 * from], 3 * size_t(Width));
            std::memcpy(&Drawn[to], &screen.Drawn[from], size_t(Width));
        }
    }
    const uint8_t* Colour(int x, int y) const { return &Colors[3 * (size_t(y) * size_t(Width) + size_t(x))]; }
    bool WasDrawn(int x, int y) const { return Drawn[size_t(y) * size_t(Width) + size_t(x)] != 0; }
    // Whether pixel (x, y) shows the palette entry.
    bool Shows(int x, int y, const TPaletteEntry& e) const {
        const uint8_t* shown = Colour(x, y);
        return WasDrawn(x, y) && e.Red == shown[0] && e.Green == shown[1] && e.Blue == shown[2];
    }
    int Width;
    std::vector<uint8_t> Colors;
    std::vector<uint8_t> Drawn;
};

// A frame drawn over the screen, on its way to its own thread: the indices
// of the pixels it draws (transparent elsewhere), what showed beneath each
// pixel where a loss is allowed (empty where none is), and the box as it
// shows now.
struct TDrawnFrame {
    std::vector<uint8_t> Indices;
    std::vector<TLossyPixel> LossyPixels;
    std::optional<TShownBox> Shown;
};

// What a frame changes: the rectangle and mask of its pixels that differ
// from the colours the screen was last drawn for.
struct TFrameChanges {
    int Left = 0, Top = 0, Right = 0, Bottom = 0;
    int64_t Count = 0;
    std::vector<uint8_t> Changed;
    // The frame before is restored to what showed before it (disposal 3)
    // and this one drawn over that.
    bool RestoresPrevious = false;
    // Whether the frame was found to carry grain.
    bool Grainy = false;
    // Whether pixels that did not change are marked Sharpened: the frame
    // then takes a table of its own wherever that shows them better.
    bool Sharpens = false;
};

// How a pixel of the screen was last drawn (TScreen::Drawn): in the
// global table, or in a frame's own.
inline constexpr uint8_t DrawnInGlobalTable = 1;
inline constexpr uint8_t DrawnInOwnTable = 2;

// A mark in TFrameChanges::Changed: the pixel did not change, but the
// screen shows it less well than the frame's table may (see Refined).
inline constexpr uint8_t Sharpened = 2;

// The colours chosen for a frame's changes: the rectangle's pixels, the
// table (the global one or its own) and the index of each changed pixel.
struct TFrameColours {
    QImage Picture;
    TFrameChanges Changes;
    QImage Crop;
    bool UseLocal = false;
    TPalette Local;
    std::unique_ptr<TSlowColorLookup> LocalLookup;
    std::vector<uint8_t> Chosen;
    // Whether the chosen colours show every changed pixel exactly.
    bool Exact = false;
};

// The second pass: each frame against the screen.
class TFrameMaker {
public:
    TFrameMaker(const TGIFMakeOptions& options, QSize size, TPalette global);

    // The changes of frame picture against the colours the screen was drawn
    // for, which it then stands for. Frames go through in their order; the
    // changes depend on the pictures only, so that the colours of several
    // frames may be chosen at once.
    //
    // Here the frame before is also left in place or restored: the changes
    // are found against the colours after it and before it (they differ
    // only within the box it changed), and restoring is chosen where it
    // makes this frame smaller: a text fading out to a still ground, or a
    // mark that comes and goes, needs no ground drawn again where it was.
    // (A sprite that moves on gains nothing: what showed before the frame
    // before still holds it where the frame before that drew it.)
    //
    // In a frame with grain, a pixel may move with GrainNeighbours of its
    // neighbours and still be taken for grain (see Differs).
    TFrameChanges FindChanges(const QImage& picture, bool grainy);

    // Where every colour is to be exact (quality 98 and above), grain over
    // a still scene (a frame found grainy) settles to each pixel's mean
    // over the frames so far, rather than a few: the picture holds the
    // colour shown while the mean stays within SettledStep of it, else
    // takes the mean, rounded. A value beyond the grain's reach starts the
    // mean anew. Called on the frames in their order, before FindChanges.
    void SettleGrain(QImage& picture, bool grainy);

    // A lookup of the global table for one frame's search, kept warm from
    // the frames before; given back when the search is done.
    std::unique_ptr<TSlowColorLookup> TakeGlobalLookup() const;

    void GiveBackGlobalLookup(std::unique_ptr<TSlowColorLookup> lookup) const;

    // The palette and indices of a frame's changes. Safe to call on several
    // frames at once: it reads the options and the global table only.
    TFrameColours ChooseColours(const QImage& picture, TFrameChanges changes) const;

    // A picture that stays still (a frame that changes few pixels, or
    // none) is shown more closely while it stays, where every colour is
    // to be exact (quality 98 and above): small changes take the global
    // table when a table of their own would cost more than it shows
    // better, and the pixels it shows off their colour add up as the
    // picture settles (a panel sliding in, its soft shadow drawn anew in
    // every frame). Then those pixels join the frame's changes, marked
    // Sharpened, and the frame takes a table of its own for them all; a
    // pixel so marked is drawn only where its new entry lies nearer. So
    // each pixel is sharpened at most once, until the global table draws
    // it again. Against the screen as drawn: called in the frames'
    // order, before the frame is drawn.
    std::optional<TFrameChanges> Refined(const QImage& picture, const TFrameChanges& changes) const;

    // The record of a frame drawn in its chosen colours over what the
    // screen shows, or an empty record (Width 0) when it changes nothing
    // that shows. Frames go through in their order.
    TFrameRecord Draw(TFrameColours colours, int delay);

    // The frame's forms (see TFrameForm) from its drawing, compressed. Safe
    // to call on several frames at once, and while later frames are drawn.
    TCompressedFrame Compress(const TFrameColours& colours, TDrawnFrame drawn) const;

private:
    // How far pixel (x, y) lies from the colour the screen was drawn for
    // there (squared RGB): -1 where nothing was drawn yet, 0 where the
    // picture is transparent. A pixel is compared with the colour it was
    // last chosen for, not with the palette colour that shows: noise within
    // the tolerance never changes it, and slow changes add up until they
    // count.
    [[gnu::always_inline]] int DistanceFromSource(const TPixels& picture, int x, int y,
                                                  const std::vector<uint8_t>& sources,
                                                  const std::vector<uint8_t>& seen) const;

    // Whether pixel (x, y) changes what the screen should show: beyond the
    // tolerance it does, save for grain. A pixel that moves alone among its
    // neighbours, and less than twice the tolerance's distance, keeps what
    // shows: film grain or sensor noise over a still scene would otherwise
    // be drawn afresh in every frame, scattered pixels each costing codes
    // of their own (a grainy still film took six times gifski's bytes, two
    // and a half with this rule; TFrameSmoother takes the grain that moves
    // in clusters).
    [[gnu::always_inline]] bool Differs(const TPixels& picture, int x, int y,
                                        const std::vector<uint8_t>& sources,
                                        const std::vector<uint8_t>& seen) const;

    // Whether at most GrainNeighboursNow of the pixel's neighbours move past
    // the tolerance.
    bool MovesAlone(const TPixels& picture, int x, int y, const std::vector<uint8_t>& sources,
                    const std::vector<uint8_t>& seen) const;

    // A quick measure of a frame's size for choosing among ways to store
    // it: the pixels of the box that differ from sources, their colours
    // hashed to indices, the rest transparent, compressed. Equal colours
    // make equal indices, so runs and repeats compress as they would in
    // the frame's own colours.
    int64_t TrialSize(const QImage& picture, const TBox& box, const std::vector<uint8_t>& sources,
                      const std::vector<uint8_t>& seen) const;

    // The pixels of a row that keep what shows are transparent, save two
    // cases where drawing what shows continues the runs around them: a
    // short gap between drawn pixels takes the indices of the colours it
    // shows (a moving sprite's body between its eyes, say), and a gap
    // that shows the colour of the drawn pixel before it throughout takes
    // that pixel's index. Elsewhere the long transparent runs, between
    // the changes and across rows, compress best.
    static void FillKeptGaps(uint8_t* row, const TShownBox& shown, int y, TColorLookup& lookup,
                             const TPalette& palette, int transparent);

    // The two indices each pixel of a row may take (see Draw): row holds
    // the changed pixels' indices, transparent elsewhere.
    static void PlainChoices(const uint8_t* row, std::array<uint8_t, 2>* choices, const TShownBox& shown,
                             int y, TColorLookup& lookup, const TPalette& palette, int transparent);

    // The indices the lossy compressor starts from: a pixel that keeps what
    // shows repeats the index before it where that shows the same colour.
    // From these its choices kept more likeness than from FillKeptGaps'.
    static void ContinueRuns(uint8_t* row, const TShownBox& shown, int y, const TPalette& palette,
                             int transparent);

    // The palette index of each changed pixel, its nearest entry, into
    // chosen, and the sum of their squared errors (a run of one colour
    // looks it up once). No error diffusion: on every kind of sequence
    // measured it cost bytes and likeness alike, and without it a pixel's
    // index depends on its own colour only, so nothing crawls.
    static double Choose(const QImage& crop, const std::vector<uint8_t>& changed, TColorLookup& lookup,
                         std::vector<uint8_t>& chosen);

    const TGIFMakeOptions& Options;
    int Threads;
    TScreen Screen;
    TPalette Global;
    int GlobalBits;
    int Tolerance2;
    // Twice the tolerance's distance: how far a lone pixel may move and
    // still be grain (see Differs).
    int GrainTolerance2;
    // How many of its neighbours a grain pixel may move with in the frame
    // whose changes are being found.
    int GrainNeighboursNow = 0;
    // Each pixel's sum of settling grain values and their count (see
    // SettleGrain), made with the first grainy frame.
    std::vector<uint16_t> GrainSums;
    std::vector<uint8_t> GrainCounts;
    int LossyLevel;
    double LossyShare;
    // The colours the screen was last drawn for and whether any frame drew
    // each pixel, kept by FindChanges ahead of the frames drawn.
    std::vector<uint8_t> Sources;
    std::vector<uint8_t> SourceSeen;
    // The same before the last frame found, which differ from them only
    // within the box of its changes, and the frames found so far.
    std::vector<uint8_t> SourcesBefore;
    std::vector<uint8_t> SourceSeenBefore;
    TBox LastChanges;
    int64_t FramesFound = 0;
    // What the screen showed before the last frame drawn, which differs
    // from Screen only within the box of its changes.
    TScreen ScreenBefore;
    TBox LastDrawn;
    // Lookups of the global table for ChooseColours, one per frame being
    // chosen at once: each fills its cells as colours come, so it is kept
    // for the next frame rather than shared.
    mutable std::mutex LookupsMutex;
    mutable std::vector<std::unique_ptr<TSlowColorLookup>> GlobalLookups;
};

} // namespace GIFFrameMaking
