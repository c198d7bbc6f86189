#pragma once
// What a frame's extensions and descriptor say about it, asked one way
// everywhere: by the optimisers, the screen they follow, colour-map
// optimisation and tvgif info. A frame without a graphic control extension
// reads as disposal 0, no transparent colour and delay 0; where a frame has
// several, the first made for it counts (GraphicControlExtension()).

#include "GIFWireFormat.h"
#include "Geometry.h"

#include <array>
#include <cstdint>

class TGIFSubImage;
class TGIFGraphicControlExtension;

namespace GIFFrame {

// The disposal as stored, including the undefined methods 4-7.
TGIFDisposal DisposalOf(const TGIFSubImage& frame);
// Methods 4-7: what they ask for is not defined.
inline bool IsUndefined(TGIFDisposal disposal) {
    return static_cast<int>(disposal) > static_cast<int>(TGIFDisposal::RestorePrevious);
}
// The frame's area goes back to the background or to what was under it.
inline bool Restores(TGIFDisposal disposal) {
    return disposal == TGIFDisposal::RestoreBackground || disposal == TGIFDisposal::RestorePrevious;
}

// The transparent colour index, or NoTransparency.
inline constexpr int NoTransparency = -1;
int TransparentIndexOf(const TGIFSubImage& frame);

// Whether the frame's rows are written interlaced: the writer gives a frame
// with a table of its own straight rows.
bool WrittenInterlaced(const TGIFSubImage& frame);

// The delay as stored, in hundredths of a second.
int DelayOf(const TGIFSubImage& frame);
// How long the painter shows the frame: a delay of 0 shows it for
// DelayDefault, shorter ones for DelayMinimum.
int ShownDelayOf(const TGIFSubImage& frame);

// The frame's rectangle on the logical screen.
TRect BoundsOf(const TGIFSubImage& frame);

// How many of the frame's pixels have each index.
std::array<int64_t, 256> IndexUses(const TGIFSubImage& frame);

// The frame's graphic control extension, made and added when it has none.
TGIFGraphicControlExtension& GraphicControlFor(TGIFSubImage& frame);

// Replaces the frame's pixels by the rectangle area of them (frame
// coordinates), moving the frame so that what remains stays in place.
void Crop(TGIFSubImage& frame, const TRect& area);

} // namespace GIFFrame
