#pragma once
// How many pixels a GIF stream may make the reader allocate.
//
// An LZW code of at most 12 bits stands for at most 4096 pixels, so no image
// data can decode more than 4096 pixels per byte; a claim far above that is
// not a picture but a request for memory. A load may therefore allocate, over
// all its frames together, at most MinPixelBudget + PixelsPerDataByte × the
// bytes of image data read (only image data counts: not comments, padding or
// bytes after the trailer), and never more than MaxLoadPixels. A frame whose
// data decodes no pixel allocates nothing while loading (its pixels are made,
// pre-filled, when first asked for), and the logical screen allocates nothing.

#include <cstdint>

// Lets a small file still describe a large frame that is mostly pre-filled.
// A process-wide setting; the fuzz targets lower it to keep their runs fast.
inline int64_t MinPixelBudget = int64_t{4096} * 4096;
inline constexpr int64_t PixelsPerDataByte = 4096;
// The absolute ceiling of one load, whatever its data (1 GiB of pixels by
// default). A process-wide setting that callers may lower or raise.
inline int64_t MaxLoadPixels = int64_t{1} << 30;

// The pixels that bytes of image data may make allocate.
inline int64_t PixelBudget(int64_t imageDataBytes) {
    return MinPixelBudget + (imageDataBytes > 0 ? imageDataBytes : 0) * PixelsPerDataByte;
}
