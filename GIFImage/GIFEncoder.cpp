#include "GIFEncoder.h"

#include "GIFException.h"
#include "GIFLZWEncoder.h"
#include "GIFMessages.h"
#include "GIFRLEEncoder.h"

#include <algorithm>

void TGIFEncoder::Compress(TStream& stream, int bitsPerPixel, int numColors, const uint8_t* data,
                           bool interlaced, int height, int width) {
    // Codes of 2 bits could not hold clear and end codes beside the pixels.
    BitsPerPixel = std::clamp(bitsPerPixel, 2, 8);
    NumColors = numColors;
    Data = data;
    Interlaced = interlaced;
    Height = height;
    Width = width;
    InitialCodeWidth = BitsPerPixel + 1;
    CodeWidth = InitialCodeWidth;
    ClearCode = 1 << BitsPerPixel;
    EOFCode = ClearCode + 1;
    FirstFreeCode = ClearCode + 2;
    MaxCode = (1 << CodeWidth) - 1;
    Bucket = 0;
    BucketBits = 0;

    const uint8_t codeSize = static_cast<uint8_t>(BitsPerPixel);
    stream.Write(&codeSize, 1);
    TGIFWriter writer(stream);
    Writer = &writer;
    try {
        if (Data && Width > 0 && Height > 0) DoCompress();
        OutputCode(EOFCode);
        if (BucketBits > 0) writer.PutByte(static_cast<uint8_t>(Bucket));
        Bucket = 0;
        BucketBits = 0;
        writer.Flush();
    } catch (...) {
        Writer = nullptr;
        throw;
    }
    Writer = nullptr;
    const uint8_t terminator = 0;
    stream.Write(&terminator, 1);
}

bool TGIFEncoder::AllPixelsInTable() const {
    if (NumColors >= 256) return true;
    uint8_t highest = 0;
    WalkPixels([&](const uint8_t* p, int64_t n) {
        // A plain maximum that the compiler turns into vector code.
        for (int64_t i = 0; i < n; ++i) highest = std::max(highest, p[i]);
    });
    return highest < NumColors;
}

void TGIFEncoder::ColorNotInTable() {
    throw GIFException(GIFMessages::ColorNotInTable);
}

void CompressImageData(TStream& stream, TGIFCompression compression, int bitsPerPixel, int numColors,
                       const uint8_t* data, bool interlaced, int height, int width) {
    if (compression == TGIFCompression::RLE) {
        TRLEEncoder encoder;
        encoder.Compress(stream, bitsPerPixel, numColors, data, interlaced, height, width);
    } else {
        TLZWEncoder encoder;
        encoder.Compress(stream, bitsPerPixel, numColors, data, interlaced, height, width);
    }
}
