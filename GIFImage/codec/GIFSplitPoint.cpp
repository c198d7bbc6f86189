#include "GIFSplitPoint.h"

#include "GIFDecodeShare.h"

#include <cstdint>
#include <cstring>

namespace {

constexpr int TableSize = 4096;
constexpr int MaxCodeWidth = 12;

// The data bits of the sub-blocks from the one at block up to the byte at
// next (in one of them, or at the end of one).
uint64_t DataBitsUpTo(const uint8_t* data, int64_t block, int64_t next) {
    uint64_t before = 0;
    for (int64_t p = block;; p += 1 + data[p]) {
        if (next <= p + 1 + data[p]) return before + static_cast<uint64_t>(next - (p + 1)) * 8;
        before += uint64_t{data[p]} * 8;
    }
}

// The sub-block (its size byte) and the bit within its data of the data bit
// bit, counted from the sub-block at block on; false when the data ends
// before it (a clear code the data ends with).
bool LocateBit(const uint8_t* data, int64_t size, int64_t block, uint64_t bit, TGIFSplitPoint& at) {
    uint64_t before = 0;
    for (int64_t p = block; p < size && data[p] != 0 && p + 1 + data[p] <= size; p += 1 + data[p]) {
        const uint64_t bits = uint64_t{data[p]} * 8;
        if (bit < before + bits) {
            at.Block = p;
            at.Bit = static_cast<uint32_t>(bit - before);
            return true;
        }
        before += bits;
    }
    return false;
}

} // namespace

bool FindSplitPoint(const uint8_t* data, int64_t size, const TGIFSplitPoint& from, uint32_t goal,
                    uint32_t total, const TGIFDecodeShare& share, TGIFSplitPoint& at) {
    if (size < 2 || data[0] >= MaxCodeWidth || from.Block < 1 || from.Block >= size) return false;
    const int codeSize = data[0];
    const int clear = 1 << codeSize;
    const int end = clear + 1;
    // The lengths of the strings of the table's entries.
    uint16_t length[TableSize];
    for (int i = 0; i < clear; ++i) length[i] = 1;

    int width = codeSize + 1;
    int nextFree = clear + 2;
    uint32_t prevLength = 0; // the previous code's string; 0 right after a clear code
    uint32_t pixels = from.Pixel;
    // Bits not yet used, and where the bytes come from.
    uint64_t bits = 0;
    int bitCount = 0;
    int64_t next = from.Block; // the next data byte
    int64_t blockEnd = next;   // the end of the current sub-block's data
    uint32_t skip = from.Bit;  // bits of the first sub-block before from
    // A clear code where the data could be split, and where its next code
    // starts: bitCount bits before the byte at next.
    struct TCandidate {
        uint32_t Pixel = 0;
        int64_t Next = 0;
        int BitCount = 0;
    };
    TCandidate before; // the last one before the goal
    const auto choose = [&](const TCandidate& chosen) {
        at.Pixel = chosen.Pixel;
        const uint64_t bit =
            DataBitsUpTo(data, from.Block, chosen.Next) - static_cast<uint64_t>(chosen.BitCount);
        return LocateBit(data, size, from.Block, bit, at);
    };
    for (;;) {
        if (bitCount < width) {
            if (next + 8 <= blockEnd) {
                // As many whole bytes as the bits take, from one 8-byte load;
                // bits above them are the bytes that follow, loaded again.
                uint64_t word;
                std::memcpy(&word, data + next, 8);
                bits |= word << bitCount;
                const int bytes = (63 - bitCount) >> 3;
                next += bytes;
                bitCount += bytes * 8;
            } else {
                do {
                    if (next == blockEnd) {
                        // A sub-block cut short, the end of the data, or a
                        // frame full before the split: none here.
                        if (blockEnd >= size || data[blockEnd] == 0 || pixels >= total) return false;
                        const int64_t blockSize = data[blockEnd];
                        if (blockEnd + 1 + blockSize > size) return false;
                        next = blockEnd + 1;
                        blockEnd = next + blockSize;
                        // The first sub-block's bits before from.
                        if (skip > 0) {
                            if (skip >= blockSize * 8) return false;
                            next += skip / 8;
                            bits = data[next++] >> (skip % 8);
                            bitCount = 8 - static_cast<int>(skip % 8);
                            skip = 0;
                            continue;
                        }
                    }
                    bits &= (uint64_t{1} << bitCount) - 1; // no bytes loaded past a sub-block
                    bits |= uint64_t{data[next++]} << bitCount;
                    bitCount += 8;
                } while (bitCount < width);
            }
        }
        const int code = static_cast<int>(bits & ((1u << width) - 1));
        bits >>= width;
        bitCount -= width;

        if (code == clear) {
            if (pixels >= total) return false;
            uint32_t reach = 0;
            if (!share.Open(reach)) return false;
            if (pixels >= uint64_t{reach} + MinSplitGap) {
                // The clear code nearest to the goal: this one, or the last
                // one before the goal (while the decoder may not write up to
                // it yet).
                const TCandidate here{pixels, next, bitCount};
                if (pixels < goal) {
                    before = here;
                } else {
                    const bool earlier =
                        before.Pixel >= uint64_t{reach} + MinSplitGap && goal - before.Pixel < pixels - goal;
                    return choose(earlier ? before : here);
                }
            }
            width = codeSize + 1;
            nextFree = clear + 2;
            prevLength = 0;
            continue;
        }
        // At the end code, the last clear code before the goal if any.
        // Codes out of range and entries that lead back to themselves: the
        // frame is decoded in one piece.
        if (code == end) {
            uint32_t reach = 0;
            return before.Pixel > 0 && share.Open(reach) && before.Pixel >= uint64_t{reach} + MinSplitGap &&
                   choose(before);
        }
        if (code > nextFree) return false;
        uint32_t stringLength = 1;
        if (prevLength == 0) {
            if (code >= clear) return false;
        } else {
            stringLength = code == nextFree ? prevLength + 1 : length[code];
            if (nextFree < TableSize) {
                length[nextFree] = static_cast<uint16_t>(prevLength + 1);
                if (++nextFree > (1 << width) - 1 && width < MaxCodeWidth) ++width;
            }
        }
        pixels += stringLength;
        prevLength = stringLength;
    }
}
