#pragma once
// The LZW decoder of a frame's table-based image data.

#include "Stream.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

struct TGIFDecodeTarget {
    // Width × Height bytes, rows top to bottom; the decoder writes every
    // one, FillValue where the data does not reach. When null, Allocate is
    // asked for them (their values unset) just before the first pixel is
    // written, so that data that decodes no pixel allocates nothing.
    uint8_t* Pixels = nullptr;
    int Width = 0;
    int Height = 0;
    bool Interlaced = false;
    uint8_t FillValue = 0;
    std::function<uint8_t*()> Allocate;
};

using TGIFDecodeWarning = std::function<void(const std::string& message)>;

// One frame's data decoded in two parts side by side, cut at a clear code:
// the codes after a clear code do not depend on those before it. A frame
// that is most of an animation's pixels then need not keep one thread busy
// while the others wait.
struct TGIFDataCut {
    uint64_t Bit = 0;   // the data bit just after the clear code: the second part starts there
    uint64_t Pixel = 0; // what the codes before it decode to: the second part's first value
};

// What DecodeImageData decodes of a frame that is not interlaced.
struct TGIFDecodePart {
    // The second part: decoding starts at this data bit, just after a clear
    // code, and its target is the frame's values from the cut on.
    uint64_t StartBit = 0;
    // The first part: decoding starts with the data, and when the reader
    // comes to the data sub-block DecideBlock, Decide tells where the cut is;
    // the decoder then stops there and writes nothing from the cut on.
    // Without a cut it decodes the whole frame.
    int DecideBlock = -1;
    std::function<std::optional<TGIFDataCut>()> Decide;
    // Out: the first part came to its cut, having written every value before
    // it.
    bool Stopped = false;
    // Out: the data is not as the cut says; the caller decodes the frame
    // whole instead.
    bool Mismatch = false;
};

// The data sub-block at whose reading the first part asks for its cut: the
// one holding the middle byte of the data.
int MiddleDataBlock(const uint8_t* data, int64_t size);

// The first clear code in or after the data sub-block decideBlock that is
// far enough past the values decoded before that sub-block, if the data up
// to it decodes cleanly (no code out of range, no end, within pixels
// values). data is the image data as stored: code size byte, sub-blocks.
std::optional<TGIFDataCut> FindDataCut(const uint8_t* data, int64_t size, int decideBlock, uint64_t pixels);

// Reads the minimum code size byte and the data sub-blocks that follow, and
// fills the target's pixels (undoing interlacing). Leaves the stream after
// the block terminator of the image data, or at the end of the stream.
// Recoverable problems go to warning; corrupt code tables fail with
// GIFException. With part, decodes that part of the frame.
void DecodeImageData(TStream& stream, const TGIFDecodeTarget& target, const TGIFDecodeWarning& warning,
                     TGIFDecodePart* part = nullptr);
