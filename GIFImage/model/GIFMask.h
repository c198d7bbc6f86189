#pragma once
// The transparency mask of a frame: one bit per pixel, most significant bit
// first, 1 where the pixel is transparent; each row padded to a multiple of
// 16 bits, as monochrome bitmaps of the platform are laid out.

#include <cstdint>
#include <vector>

class TGIFMask {
public:
    TGIFMask(int width, int height)
        : MaskWidth(width), MaskHeight(height), Stride(((width + 15) / 16) * 2),
          Rows(static_cast<size_t>(Stride) * static_cast<size_t>(height), 0) {}

    int Width() const { return MaskWidth; }
    int Height() const { return MaskHeight; }
    // Bytes per row.
    int RowSize() const { return Stride; }
    const uint8_t* Row(int y) const { return Rows.data() + static_cast<size_t>(y) * Stride; }
    void Set(int x, int y) {
        Rows[static_cast<size_t>(y) * Stride + x / 8] |= static_cast<uint8_t>(0x80 >> (x % 8));
    }
    bool Transparent(int x, int y) const { return Row(y)[x / 8] & (0x80 >> (x % 8)); }

private:
    int MaskWidth;
    int MaskHeight;
    int Stride;
    std::vector<uint8_t> Rows;
};
