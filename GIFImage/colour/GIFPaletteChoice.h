#pragma once
// What every choice of a palette over a picture may be given besides the
// picture: which pixels take no part, and where to report how far it is.

#include <cstdint>
#include <functional>
#include <vector>

// Told how far a long conversion has come, 0..100.
using TReductionProgress = std::function<void(int percent)>;

// Per pixel, row by row: non-zero where the pixel is transparent. Such
// pixels take no part in choosing the palette and are not dithered; they
// get index 0. With a mask, methods 7 and 10 choose at most 255 colours, so
// that the transparent colour finds room in the table.
using TTransparencyMask = std::vector<uint8_t>;

// Whether the pixel at index (row by row) is left out by mask.
inline bool IsMasked(const TTransparencyMask* mask, int64_t index) {
    return mask && static_cast<size_t>(index) < mask->size() && (*mask)[static_cast<size_t>(index)];
}

// What palettes are chosen over: a picture of 3 bytes per pixel, red first,
// its rows Stride bytes apart. It points into pixels that someone else keeps.
struct TRgbPixels {
    const uint8_t* Data = nullptr;
    int Width = 0;
    int Height = 0;
    int64_t Stride = 0;

    const uint8_t* Row(int y) const { return Data + y * Stride; }
};
