#pragma once
// Where a frame's image data can be decoded in two parts: at a clear code,
// after which the codes depend on nothing before them. Found by reading the
// codes and the lengths of their strings, without writing a pixel, which
// takes a fraction of the time decoding takes.

#include <cstdint>

class TGIFDecodeShare;

// A place in a frame's image data right after a clear code.
struct TGIFSplitPoint {
    uint32_t Pixel = 0; // the pixels the codes before it give
    int64_t Block = 0;  // the size byte of the sub-block that holds the next code
    uint32_t Bit = 0;   // the next code's first bit within that sub-block's data
};

// How far beyond the pixels a decoder may write a split must lie: the
// decoder reads some bytes beyond the strings it writes.
constexpr uint32_t MinSplitGap = 64;

// data: a frame's image data (the code size byte, then sub-blocks). Reads
// the codes from (a clear code's place, or the data's first sub-block) and
// finds the clear code nearest to goal pixels, of those at least
// MinSplitGap pixels beyond where share's decoder may write, and before
// total pixels. False when there is none, when the codes up to it are not
// well-formed data (the frame is then decoded in one piece, which reports
// what is wrong with them), or when share's decoding ends meanwhile.
bool FindSplitPoint(const uint8_t* data, int64_t size, const TGIFSplitPoint& from, uint32_t goal,
                    uint32_t total, const TGIFDecodeShare& share, TGIFSplitPoint& at);
