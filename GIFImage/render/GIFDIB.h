#pragma once
// An indexed image prepared in BMP layout (a device-independent bitmap) and
// handed to a framework bitmap: the way frame bitmaps get their pixels and
// their palette together.

#include "Geometry.h"

#include <cstdint>
#include <memory>

class TBitmap;

class TGIFDIB {
public:
    // Only 8 bits per pixel (with palette) and 24 are accepted: any other
    // depth fails with "Unsupported PixelFormat", a width or height of 0 with
    // "Invalid image dimensions"; memory that cannot be had, or more than
    // MaxDIBBytes, fails with EOutOfMemory "Failed to allocate memory for
    // GIF DIB".
    TGIFDIB(int width, int height, int bitsPerPixel, const TPalette& palette);

    int Width() const { return ImageWidth; }
    int Height() const { return ImageHeight; }
    // Bytes per stored row: padded to a multiple of 4.
    int RowSize() const { return Stride; }
    // Row y counted from the top. Fails with the framework's scan-line error
    // outside the image, and with "Image has no DIB" once the pixels have
    // been handed over.
    uint8_t* ScanLine(int y);
    // Writes the BMP file into memory and lets bitmap load it; the pixel
    // memory goes with it.
    void AssignTo(TBitmap& bitmap);

private:
    int ImageWidth;
    int ImageHeight;
    int Bits;
    int Stride = 0;
    TPalette Colors;
    std::unique_ptr<uint8_t[]> Pixels;
};
