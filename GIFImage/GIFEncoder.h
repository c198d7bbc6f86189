#pragma once
// The base of the two compressors of a frame's pixels into GIF table-based
// image data: the code size byte, variable-width codes packed least
// significant bit first into sub-blocks, the end code and the terminator.

#include "GIFWireFormat.h"
#include "GIFWriter.h"
#include "Stream.h"

#include <cstdint>

class TGIFEncoder {
public:
    virtual ~TGIFEncoder() = default;

    // Writes the minimum code size byte (bitsPerPixel, at least 2), the
    // compressed pixels and the end code as sub-blocks, and the terminator.
    // A pixel at or above numColors fails with "Color not in color table";
    // what was written before stays in the stream.
    void Compress(TStream& stream, int bitsPerPixel, int numColors, const uint8_t* data, bool interlaced,
                  int height, int width);

protected:
    virtual void Clear() = 0;
    virtual void DoCompress() = 0;

    // Appends the code's bits above those in the bucket and writes out whole
    // bytes. Not virtual: it runs once per code in the encoders' loops.
    void OutputCode(int code) {
        Bucket |= static_cast<uint32_t>(code) << BucketBits;
        BucketBits += CodeWidth;
        while (BucketBits >= 8) {
            Writer->PutByte(static_cast<uint8_t>(Bucket));
            Bucket >>= 8;
            BucketBits -= 8;
        }
    }
    // Fails with "Color not in color table" when a pixel of the frame is at or
    // above the number of colours; found before any code is written, so the
    // encoders' loops need no check of their own.
    bool AllPixelsInTable() const;
    [[noreturn]] static void ColorNotInTable();

    // Calls visit(row, count) for the runs of pixels in GIF order: the whole
    // buffer at once, or row by row in the four interlace passes.
    template <class Visit> void WalkPixels(Visit&& visit) const {
        if (!Interlaced) {
            visit(Data, int64_t{Width} * Height);
            return;
        }
        for (const auto& pass : GIFWire::InterlacePasses)
            for (int64_t row = pass.Start; row < Height; row += pass.Step)
                visit(Data + row * Width, int64_t{Width});
    }

    int NumColors = 0;
    int BitsPerPixel = 0;
    int Width = 0;
    int Height = 0;
    bool Interlaced = false;
    const uint8_t* Data = nullptr;
    TGIFWriter* Writer = nullptr;

    uint32_t Bucket = 0;
    int BucketBits = 0;
    int CodeWidth = 0;
    int InitialCodeWidth = 0;
    int MaxCode = 0;
    int ClearCode = 0;
    int EOFCode = 0;
    int FirstFreeCode = 0;
};

// Compresses a frame's pixels with TRLEEncoder for TGIFCompression::RLE, else
// with TLZWEncoder.
void CompressImageData(TStream& stream, TGIFCompression compression, int bitsPerPixel, int numColors,
                       const uint8_t* data, bool interlaced, int height, int width);
