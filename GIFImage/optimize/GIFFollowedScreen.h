#pragma once
// The logical screen as an animation's frames leave it, followed pixel by
// pixel in opaque colours 0xFFRRGGBB, with Ground (0) where the picture
// shows nothing: what the optimisers that redraw frames compare against.
// Only the frames' union is held; the rest of the screen only ever shows
// the ground.

#include "GIFFrameQueries.h"
#include "Geometry.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

class TGIFImage;
class TGIFSubImage;

namespace GIFFollowedScreen {

inline constexpr uint32_t Ground = 0;

struct TScreen {
    TScreen(const TRect& bounds, uint32_t fill)
        : Bounds(bounds),
          Pixels(static_cast<size_t>(bounds.Width()) * static_cast<size_t>(bounds.Height()), fill) {}
    // Row y of the screen from column x on; both within Bounds.
    uint32_t* At(int x, int y) {
        return Pixels.data() + static_cast<int64_t>(y - Bounds.Top) * Bounds.Width() + (x - Bounds.Left);
    }
    const uint32_t* At(int x, int y) const { return const_cast<TScreen*>(this)->At(x, y); }

    TRect Bounds;
    std::vector<uint32_t> Pixels;
};

// The frame's disposal (0 without a graphic control) and transparent index
// (-1 for none).
// The frame queries the screen is followed with.
using GIFFrame::DisposalOf;
using GIFFrame::TransparentIndexOf;
// The opaque colour of each entry of the frame's active table; 0 beyond it.
std::array<uint32_t, 256> ColoursOf(TGIFSubImage& frame);

// Frames' unions up to this many pixels can be followed whatever the frames
// hold (see CanFollow).
constexpr int64_t MinFollowedPixels = int64_t{1} << 24;
// Above MinFollowedPixels, a union of frames read from a file is followed
// only up to this many pixels for each byte of their image data.
constexpr int64_t FollowedPixelsPerDataByte = 64;
// The frames can be followed pixel by pixel: defined disposals, every frame
// inside the screen, every pixel naming an entry of its table, and a union
// of the frames no larger than MinFollowedPixels or than both the pixels
// they hold and, read from a file, FollowedPixelsPerDataByte for each byte
// of their image data.
bool CanFollow(TGIFImage& image);

// The pixels of all the image's frames.
int64_t FramesPixels(const TGIFImage& image);
// A frame's own objects, counted as pixels when a copy of the frames is
// weighed: a file of 100,000 one-pixel frames held 250 MB in them.
constexpr int64_t FrameObjectPixels = 2048;
// Whether a copy of the image's frames (their pixels and objects) and a
// screen of their union each hold no more than MinFollowedPixels: then a
// second choice may be made apart, side by side with the first.
bool SmallEnoughToCopy(const TGIFImage& image, const TRect& bounds);

// Shows the frame on screen and disposes of it as the painter does. The
// frame lies within the screen's bounds.
void ShowFrame(TScreen& screen, TGIFSubImage& frame);
// The same in two steps, for what the screen shows while the frame shows:
// DrawFrame draws it and gives the rows under it that disposal 3 puts back
// (none for other disposals), DisposeFrame then disposes of it.
std::vector<uint32_t> DrawFrame(TScreen& screen, TGIFSubImage& frame);
void DisposeFrame(TScreen& screen, TGIFSubImage& frame, const std::vector<uint32_t>& under);

// Copies of the screens of the first and of every later pass within an
// area: one copy where the passes show the same there (mostly so).
struct TPassScreens {
    TScreen First{TRect{}, Ground};
    std::optional<TScreen> Later; // none where the passes agree

    TScreen& LaterScreen() { return Later ? *Later : First; }
    const TScreen& LaterScreen() const { return Later ? *Later : First; }
    // Shows the frame on both.
    void Show(TGIFSubImage& frame);
};
TPassScreens PassScreens(const TScreen& first, const TScreen& later, const TRect& area);

// Follows the screens first and later (each bounding the frames) through the
// image's frames in order on one thread, while the frames already followed
// are worked on, up to threads side by side: work(frame, firstPart,
// laterPart) gets copies of the two screens under the frame's rectangle
// where wanted(frame) (one copy as both where they show the same), empty
// screens elsewhere; it may free them once done, but not change them.
// A few frames' copies are held at a time. beforeShowing(k), when given,
// runs just before frame k is shown. With one thread the frames are worked
// on in their order.
void FollowScreens(TGIFImage& image, TScreen& first, TScreen& later, int threads,
                   const std::function<bool(const TGIFSubImage&)>& wanted,
                   const std::function<void(size_t)>& beforeShowing,
                   const std::function<void(TGIFSubImage&, TScreen&, TScreen&)>& work);

// Whether a frame should be restored to what showed before it (disposal 3)
// once shown, given the sizes of the next frame drawn over what the frame
// leaves and drawn over what showed before it. Only a clearly smaller size
// counts: the sizes are measured before the frames take their final forms
// (or on stand-in colours), and within a percent they ranked the two ways
// wrongly about as often as rightly.
inline bool RestoringPays(int64_t keptSize, int64_t restoredSize) {
    return restoredSize * 100 < keptSize * 99;
}

} // namespace GIFFollowedScreen
