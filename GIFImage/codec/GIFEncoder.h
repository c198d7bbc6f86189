#pragma once
// The base of the two compressors of a frame's pixels into GIF table-based
// image data: the code size byte, variable-width codes packed least
// significant bit first into sub-blocks, the end code and the terminator.

#include "GIFLZWLookAhead.h"
#include "GIFWireFormat.h"
#include "GIFWriter.h"
#include "Stream.h"

#include <bit>
#include <cstdint>
#include <cstring>
#include <vector>

class TGIFEncoder {
public:
    virtual ~TGIFEncoder() = default;

    // Writes the minimum code size byte (bitsPerPixel, at least 2), the
    // compressed pixels and the end code as sub-blocks, and the terminator.
    // A pixel at or above numColors fails with "Color not in color table";
    // what was written before stays in the stream. Without data, every pixel
    // has the value fillValue (when 0 to 255), read from one row.
    void Compress(TStream& stream, int bitsPerPixel, int numColors, const uint8_t* data, bool interlaced,
                  int height, int width, int fillValue = -1);

    // LZW: once the code table is full (code 4095 made), keep it for the
    // rest of the frame instead of clearing it.
    bool KeepFullTable = false;

protected:
    virtual void Clear() = 0;
    virtual void DoCompress() = 0;

    // Appends the code's bits above those in the 64-bit accumulator and
    // sends full sub-blocks on. Not virtual: it runs once per code in the
    // encoders' loops.
    void OutputCode(int code) {
        PackCode(Packed, Bits, BitCount, PackedCount, static_cast<uint32_t>(code), CodeWidth);
        if (PackedCount >= PackedLimit) WriteBlocks(false);
    }
    // Appends width bits of code above the bitCount bits in bits. Their low
    // 32 bits are stored on every call and kept once complete, without a
    // branch (a full word comes every two or three codes, too irregular to
    // predict); the sub-blocks are cut from the packed bytes in bulk. The
    // encoders' loops call it with locals of their own.
    [[gnu::always_inline]] static void PackCode(uint8_t* packed, uint64_t& bits, int& bitCount,
                                                int& packedCount, uint32_t code, int width) {
        bits |= static_cast<uint64_t>(code) << bitCount;
        bitCount += width;
        StoreWord(packed + packedCount, static_cast<uint32_t>(bits));
        const int full = bitCount >> 5; // 0 or 1
        packedCount += 4 * full;
        bits >>= 32 * full;
        bitCount -= 32 * full;
    }

    // Fails with "Color not in color table" when a pixel of the frame is at or
    // above the number of colours; found before any code is written, so the
    // encoders' loops need no check of their own.
    bool AllPixelsInTable() const;
    [[noreturn]] static void ColorNotInTable();

    // Calls visit(row, count) for the runs of pixels in GIF order: the whole
    // buffer at once, or row by row in the four interlace passes.
    template <class Visit> void WalkPixels(Visit&& visit) const {
        if (!Data) {
            for (int64_t row = 0; row < Height; ++row) visit(FillRow.data(), int64_t{Width});
            return;
        }
        if (!Interlaced) {
            visit(Data, int64_t{Width} * Height);
            return;
        }
        for (const auto& pass : GIFWire::InterlacePasses)
            for (int64_t row = pass.Start; row < Height; row += pass.Step)
                visit(Data + row * Width, int64_t{Width});
    }

    // The packed bytes to the sub-block writer, which sends full sub-blocks
    // on; with last set, the rest too.
    void WriteBlocks(bool last);
    // Moves the whole bytes of the accumulator to the packed bytes.
    void PackWholeBytes() {
        for (; BitCount >= 8; BitCount -= 8, Bits >>= 8) Packed[PackedCount++] = static_cast<uint8_t>(Bits);
    }
    static void StoreWord(uint8_t* p, uint32_t word) {
        if constexpr (std::endian::native == std::endian::little) {
            std::memcpy(p, &word, 4);
        } else {
            for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(word >> (8 * i));
        }
    }

    int NumColors = 0;
    int BitsPerPixel = 0;
    int Width = 0;
    int Height = 0;
    bool Interlaced = false;
    const uint8_t* Data = nullptr;
    // Every row of a frame given without data.
    std::vector<uint8_t> FillRow;
    TGIFWriter* Writer = nullptr; // for the time of Compress

    static constexpr int BlockBytes = 255; // data bytes of a full sub-block
    static constexpr int PackedLimit = 32 * BlockBytes;
    uint64_t Bits = 0;
    int BitCount = 0;
    int PackedCount = 0;
    uint8_t Packed[PackedLimit + 8];
    int CodeWidth = 0;
    int InitialCodeWidth = 0;
    int MaxCode = 0;
    int ClearCode = 0;
    int EOFCode = 0;
    int FirstFreeCode = 0;
};

// Compresses a frame's pixels with TRLEEncoder for TGIFCompression::RLE, else
// with TLZWEncoder, or, where lookAhead is used, with TLZWLookaheadEncoder.
void CompressImageData(TStream& stream, TGIFCompression compression, int bitsPerPixel, int numColors,
                       const uint8_t* data, bool interlaced, int height, int width, int fillValue = -1,
                       bool keepFullTable = false, TLZWLookAhead lookAhead = {});

// How many bytes CompressImageData writes for these pixels with LZW: the
// optimisers' measure of a candidate, counted without keeping the bytes.
int64_t CompressedSize(int bitsPerPixel, int numColors, const uint8_t* data, bool interlaced, int height,
                       int width, int fillValue = -1, bool keepFullTable = false,
                       TLZWLookAhead lookAhead = {});
// The same for a table of 1 << bitsPerPixel entries, as the optimisers
// measure the drawings they try for a frame.
inline int EncodedSize(const uint8_t* pixels, int width, int height, int bitsPerPixel, int fillValue = -1,
                       bool interlaced = false, bool keepFullTable = false) {
    return static_cast<int>(CompressedSize(bitsPerPixel, 1 << bitsPerPixel, pixels, interlaced, height, width,
                                           fillValue, keepFullTable));
}
