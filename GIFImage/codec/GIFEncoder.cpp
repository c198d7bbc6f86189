#include "GIFEncoder.h"

#include "GIFException.h"
#include "GIFLZWEncoder.h"
#include "GIFLZWLookaheadEncoder.h"
#include "GIFMessages.h"
#include "GIFRLEEncoder.h"

#include <algorithm>
#include <cstring>
#include <memory>

void TGIFEncoder::Compress(TStream& stream, int bitsPerPixel, int numColors, const uint8_t* data,
                           bool interlaced, int height, int width, int fillValue) {
    // Codes of 2 bits could not hold clear and end codes beside the pixels.
    BitsPerPixel = std::clamp(bitsPerPixel, 2, 8);
    NumColors = numColors;
    Data = data;
    FillRow.clear();
    if (!data && fillValue >= 0 && fillValue <= 255 && width > 0)
        FillRow.assign(static_cast<size_t>(width), static_cast<uint8_t>(fillValue));
    Interlaced = interlaced;
    Height = height;
    Width = width;
    InitialCodeWidth = BitsPerPixel + 1;
    CodeWidth = InitialCodeWidth;
    ClearCode = 1 << BitsPerPixel;
    EOFCode = ClearCode + 1;
    FirstFreeCode = ClearCode + 2;
    MaxCode = (1 << CodeWidth) - 1;
    Bits = 0;
    BitCount = 0;
    PackedCount = 0;

    const uint8_t codeSize = static_cast<uint8_t>(BitsPerPixel);
    stream.Write(&codeSize, 1);
    TGIFWriter writer(stream);
    Writer = &writer;
    try {
        if ((Data || !FillRow.empty()) && Width > 0 && Height > 0) DoCompress();
        OutputCode(EOFCode);
        PackWholeBytes();
        if (BitCount > 0) Packed[PackedCount++] = static_cast<uint8_t>(Bits);
        WriteBlocks(true);
    } catch (...) {
        // The whole bytes made before the failure stay in the stream, as
        // sub-blocks; a failing stream is not tried again.
        if (!writer.Failed()) {
            try {
                PackWholeBytes();
                WriteBlocks(true);
            } catch (...) {
            }
        }
        Writer = nullptr;
        throw;
    }
    Writer = nullptr;
    const uint8_t terminator = 0;
    stream.Write(&terminator, 1);
}

void TGIFEncoder::WriteBlocks(bool last) {
    // The bytes leave the buffer before the writer is asked, so that a
    // failing stream never sees them again.
    const int count = PackedCount;
    PackedCount = 0;
    Writer->Write(Packed, count);
    if (last) Writer->Flush();
}

bool TGIFEncoder::AllPixelsInTable() const {
    if (NumColors >= 256) return true;
    // First the bitwise or of all pixels, eight at a time: no pixel is above
    // it, so when it lies in the table every pixel does (for a power-of-two
    // colour count this is exact). Otherwise the highest pixel decides.
    uint64_t any = 0;
    WalkPixels([&](const uint8_t* p, int64_t n) {
        int64_t i = 0;
        for (; i + 8 <= n; i += 8) {
            uint64_t word;
            std::memcpy(&word, p + i, 8);
            any |= word;
        }
        for (; i < n; ++i) any |= p[i];
    });
    uint8_t orOfAll = 0;
    for (int i = 0; i < 8; ++i) orOfAll |= static_cast<uint8_t>(any >> (8 * i));
    if (orOfAll < NumColors) return true;
    uint8_t highest = 0;
    WalkPixels([&](const uint8_t* p, int64_t n) {
        for (int64_t i = 0; i < n; ++i) highest = std::max(highest, p[i]);
    });
    return highest < NumColors;
}

void TGIFEncoder::ColorNotInTable() {
    throw GIFException(GIFMessages::ColorNotInTable);
}

namespace {

// A stream that only counts what is written to it.
class TCountingStream : public TStream {
public:
    int64_t Read(void*, int64_t) override { return 0; }
    void Write(const void*, int64_t count) override { Count += count; }
    int64_t Seek(int64_t, TSeekOrigin) override { return Count; }
    int64_t Size() override { return Count; }

private:
    int64_t Count = 0;
};

} // namespace

int64_t CompressedSize(int bitsPerPixel, int numColors, const uint8_t* data, bool interlaced, int height,
                       int width, int fillValue, bool keepFullTable, TLZWLookAhead lookAhead) {
    TCountingStream counter;
    CompressImageData(counter, TGIFCompression::LZW, bitsPerPixel, numColors, data, interlaced, height, width,
                      fillValue, keepFullTable, lookAhead);
    return counter.Size();
}

void CompressImageData(TStream& stream, TGIFCompression compression, int bitsPerPixel, int numColors,
                       const uint8_t* data, bool interlaced, int height, int width, int fillValue,
                       bool keepFullTable, TLZWLookAhead lookAhead) {
    if (compression == TGIFCompression::RLE) {
        TRLEEncoder encoder;
        encoder.Compress(stream, bitsPerPixel, numColors, data, interlaced, height, width, fillValue);
    } else if (lookAhead.Used()) {
        // Made on first use: most threads never look ahead.
        thread_local std::unique_ptr<TLZWLookaheadEncoder> encoder;
        if (!encoder) encoder.reset(new TLZWLookaheadEncoder);
        encoder->KeepFullTable = keepFullTable;
        encoder->LookAhead = {std::min(lookAhead.ShorterBy, TLZWLookAhead::MaxShorterBy),
                              std::clamp(lookAhead.CodesAhead, 1, TLZWLookAhead::MaxCodesAhead)};
        encoder->Compress(stream, bitsPerPixel, numColors, data, interlaced, height, width, fillValue);
    } else {
        // One for each thread, kept: its table then needs emptying only
        // where the last frame filled it.
        thread_local std::unique_ptr<TLZWEncoder> encoder;
        if (!encoder) encoder.reset(new TLZWEncoder);
        encoder->KeepFullTable = keepFullTable;
        encoder->Compress(stream, bitsPerPixel, numColors, data, interlaced, height, width, fillValue);
    }
}
