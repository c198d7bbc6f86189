#pragma once
// How long each pixel a frame draws stays on screen: until a later frame
// draws over it, the frame's area is restored (disposal 2 or 3), or the
// animation ends. The likeness of an animation is measured over time, so an
// error in a pixel that stays for the whole animation (a still background
// drawn by the first frame) weighs as much as errors in every frame of a
// part that changes each frame.

#include "Geometry.h"

#include <vector>

class TGIFImage;

// For each frame with a pixel buffer, one value per pixel of its rectangle
// (row by row): the hundredths of a second the pixel stays, as the painter
// shows the frames (ShownDelayOf); 0 where the frame leaves the pixel
// transparent. Empty for a frame without a buffer. bounds holds every frame.
std::vector<std::vector<float>> PixelStays(TGIFImage& image, const TRect& bounds);
