#pragma once
// How many pixels a GIF stream may make the reader allocate, and how large
// the pictures that rendering makes may be.
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

// The largest frame bitmap (GIFDIB) in bytes: a bigger one fails with "Failed
// to allocate memory for GIF DIB" before any memory is asked for, as one whose
// memory cannot be had does. 2 GiB holds every frame a load accepts. A
// process-wide setting.
inline int64_t MaxDIBBytes = int64_t{1} << 31;

// The largest logical screen made into one whole picture around frames that
// do not cover it (a bitmap assigned from the image, the clipboard's image, a
// PNG of tvgif render): 2^27 pixels (512 MiB at 32 bits), the 128 megapixels
// that ImageMagick's default policy reads at most, so that such a picture can
// be checked with the standard tools; larger ones take minutes per frame to
// write and no default reader opens them. Drawing is not limited by it, as it
// allocates only for the frames' union. A process-wide setting.
inline int64_t MaxScreenPicturePixels = int64_t{1} << 27;
