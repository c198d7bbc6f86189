#include "ReferenceDecoder.h"

#include "GIFException.h"
#include "GIFMessages.h"
#include "GIFStreamIO.h"
#include "GIFTestStreams.h"

#include <vector>

namespace {

class Reference {
public:
    Reference(TStream& stream, std::vector<std::string>& warnings) : Stream(stream), Warnings(warnings) {}

    void Decode(std::vector<uint8_t>& pixels, int width, int height, bool interlaced) {
        uint8_t size = 0;
        if (!GIFIO::ReadByte(Stream, size)) return;
        if (size >= 12) throw GIFException(GIFMessages::UnsupportedCodeSize);
        Min = size;
        Clear = 1 << size;
        End = Clear + 1;
        Width = Min + 1;
        Limit = 2 * Clear;
        NextFree = Clear + 2;
        std::vector<int> rows;
        if (interlaced) {
            rows = InterlacedRows(height);
        } else {
            for (int y = 0; y < height; ++y) rows.push_back(y);
        }
        bool stopped = false;
        for (const int y : rows) {
            for (int x = 0; x < width && !stopped; ++x) {
                const int value = Pop(false);
                if (value < 0) {
                    stopped = true;
                    break;
                }
                pixels[static_cast<size_t>(y) * width + x] = static_cast<uint8_t>(value);
            }
            if (stopped) break;
        }
        if (Finished) return;
        Pop(true);
        if (!Finished && !NoMoreBlocks) GIFIO::SkipSubBlocks(Stream);
    }

private:
    int Pop(bool extra) {
        if (!Stack.empty()) {
            const int value = Stack.back();
            Stack.pop_back();
            return value;
        }
        return NextDecodedValue(extra);
    }

    int NextCodeBits(bool extra) {
        if (Start) {
            Start = false;
            return Clear;
        }
        if (BitPos + Width < ValidBits) return Extract();
        if (NoMoreBlocks) {
            if (BitPos >= ValidBits) Warnings.push_back(GIFMessages::BitBufferUnderrun);
            return -1;
        }
        for (;;) {
            uint8_t size = 0;
            if (!GIFIO::ReadByte(Stream, size)) return -1;
            Buffer[0] = Buffer[ValidBytes - 2];
            Buffer[1] = Buffer[ValidBytes - 1];
            int got = 0;
            if (size == 0) {
                DataEnded = NoMoreBlocks = true;
            } else {
                got = static_cast<int>(Stream.Read(Buffer + 2, size));
                if (got < size) Warnings.push_back(GIFMessages::PrematureEnd);
            }
            BitPos = BitPos - ValidBits + 16;
            ValidBytes = got + 2;
            ValidBits = ValidBytes * 8;
            if (BitPos + Width <= ValidBits) return Extract();
            if (NoMoreBlocks) {
                // Cut off by the terminator: only a code asked for once all
                // bits are used warns, and the filling asks for another.
                BitPos = ValidBits;
                if (!extra) Warnings.push_back(GIFMessages::BitBufferUnderrun);
                return -1;
            }
        }
    }

    int Extract() {
        int code = 0;
        for (int i = 0; i < Width; ++i) {
            const int bit = BitPos + i;
            code |= ((Buffer[bit >> 3] >> (bit & 7)) & 1) << i;
        }
        BitPos += Width;
        return code;
    }

    void EndCode() {
        Finished = true;
        if (!DataEnded) GIFIO::SkipSubBlocks(Stream);
    }

    int NextDecodedValue(bool extra) {
        int code = NextCodeBits(extra);
        if (code < 0) return code;
        if (code == Clear) {
            for (int i = 0; i < 4096; ++i) {
                Prefix[i] = 0;
                Suffix[i] = i < Clear ? i : 0;
            }
            Width = Min + 1;
            Limit = 2 * Clear;
            NextFree = Clear + 2;
            Stack.clear();
            do code = NextCodeBits(extra);
            while (code == Clear);
            if (code == End) {
                EndCode();
                return -2;
            }
            if (code > NextFree) throw GIFException(GIFMessages::CodeOutOfRange);
            First = Prev = code;
            return code;
        }
        if (code == End) {
            EndCode();
            return -2;
        }
        if (code > NextFree) throw GIFException(GIFMessages::CodeOutOfRange);
        const int remembered = code;
        if (code >= NextFree) {
            Stack.push_back(First);
            code = Prev;
        }
        while (code >= Clear) {
            Stack.push_back(Suffix[code]);
            if (Prefix[code] == code) throw GIFException(GIFMessages::CircularTableEntry);
            code = Prefix[code];
        }
        First = Suffix[code];
        Stack.push_back(First);
        if (NextFree <= 4095) {
            Prefix[NextFree] = Prev;
            Suffix[NextFree] = First;
            ++NextFree;
            if (NextFree >= Limit && Limit <= 4095) {
                Limit *= 2;
                ++Width;
            }
        }
        Prev = remembered;
        const int value = Stack.back();
        Stack.pop_back();
        return value;
    }

    TStream& Stream;
    std::vector<std::string>& Warnings;
    int Min = 0, Clear = 0, End = 0, Width = 0, Limit = 0, NextFree = 0, First = 0, Prev = 0;
    int Prefix[4096] = {};
    int Suffix[4096] = {};
    std::vector<int> Stack;
    uint8_t Buffer[2 + 255 + 4] = {};
    int ValidBytes = 2, BitPos = 0, ValidBits = 0;
    bool Start = true, DataEnded = false, NoMoreBlocks = false, Finished = false;
};

} // namespace

ReferenceResult ReferenceDecode(TStream& stream, int width, int height, bool interlaced, uint8_t fill) {
    ReferenceResult result;
    result.Pixels.assign(static_cast<size_t>(width) * height, fill);
    Reference reference(stream, result.Warnings);
    try {
        reference.Decode(result.Pixels, width, height, interlaced);
    } catch (const GIFException& e) {
        result.Error = e.what();
    }
    result.EndPosition = stream.Position();
    return result;
}
