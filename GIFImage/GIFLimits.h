#pragma once
// How many pixels a GIF stream may make the reader allocate.
//
// An LZW code of at most 12 bits stands for at most 4096 pixels, so no image
// data can decode more than 4096 pixels per byte; a claim far above that is
// not a picture but a request for memory. An image may therefore hold, over
// its logical screen and over all its frames together, at most
// max(MinPixelBudget, PixelsPerDataByte × the bytes of its stream), which
// still lets a small file describe a large frame that is mostly pre-filled.

#include <algorithm>
#include <cstdint>

// A process-wide setting; the fuzz target lowers it to keep its runs fast.
inline int64_t MinPixelBudget = int64_t{4096} * 4096;
inline constexpr int64_t PixelsPerDataByte = 4096;

inline int64_t PixelBudget(int64_t streamBytes) {
    return std::max(MinPixelBudget, std::max<int64_t>(0, streamBytes) * PixelsPerDataByte);
}
