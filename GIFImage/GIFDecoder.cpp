#include "GIFDecoder.h"

#include "GIFException.h"
#include "GIFMessages.h"
#include "GIFStreamIO.h"

#include <algorithm>
#include <cstring>

// How the decoder works.
//
// The table keeps for each code its string's length, its first value, its
// prefix code and last value, and, where known, the position in the pixel
// buffer where the same string already stands. A code's string is then
// copied whole from there into the frame; only strings whose copy is not in
// the buffer (across an interlaced row end, or after corrupt data) are
// spelt out backwards along the prefix chain. Nothing is pushed value by
// value, so there is no stack to overflow: a code's length is known before
// a byte is written, and every write is checked against the current row.
//
// Bits come from a buffer that holds the current data sub-block behind two
// carry bytes (the end of the previous sub-block); a code is normally taken
// with one 32-bit load, one shift and one mask, and the stream is called
// once per sub-block.
//
// Corrupt data meets these rules: a minimum code size of 12 or more, and a
// code above the next free code, fail the load; a table entry that leads back
// to itself fails with "Circular decoder table entry" when it is used; an end
// code ends the data even right after a clear code; a code cut off by the
// end of the data is not used; after the end code nothing more is read; and
// the decoder always leaves the stream after the image data's terminator
// (or at the stream's end), whatever the pixels did.

namespace {

constexpr int TableSize = 4096;
constexpr uint32_t NoOffset = 0xFFFFFFFFu;

class LZWDecoder {
public:
    LZWDecoder(TStream& stream, const TGIFDecodeTarget& target, const TGIFDecodeWarning& warning)
        : Stream(stream), Pixels(target.Pixels), Width(static_cast<uint32_t>(std::max(0, target.Width))),
          Height(static_cast<uint32_t>(std::max(0, target.Height))), Interlaced(target.Interlaced),
          FillValue(target.FillValue), Warn(warning) {
        Total = Pixels ? Width * Height : 0;
    }

    void Run();

private:
    // Bits.
    int ReadCodeSlow();
    bool Refill();
    int Extract();
    void Warning(const char* message) {
        if (Warn) Warn(message);
    }

    // Codes.
    void ClearTable();
    void EndOfData();
    void Fill();
    void ExtraValue();
    void Finish();

    // Output.
    bool NextSegment();
    void Put(uint8_t* dst, int code, uint32_t length, uint32_t dstRoom) const;
    void Walk(uint8_t* dst, int code, uint32_t length) const;
    void WriteAcrossSegments(int code, uint32_t length, bool special, uint8_t lastValue);

    TStream& Stream;
    uint8_t* const Pixels;
    const uint32_t Width;
    const uint32_t Height;
    const bool Interlaced;
    const uint8_t FillValue;
    const TGIFDecodeWarning& Warn;
    uint32_t Total = 0;

    // The bit buffer: 2 carry bytes, one sub-block, and slack for the 32-bit
    // load at its end.
    uint8_t Buffer[2 + 255 + 8] = {};
    uint32_t ValidBytes = 2;
    uint32_t BitPos = 0;
    uint32_t ValidBits = 0;
    bool StartOfData = true;
    bool DataEnded = false;    // the terminator has been read
    bool NoMoreBlocks = false; // no sub-block follows
    bool Finished = false;     // the end code has been met

    int MinCodeSize = 0;
    int ClearCode = 0;
    int EndCode = 0;
    int CodeWidth = 0;
    int WidthLimit = 0;
    int NextFree = 0;
    int Prev = 0;
    uint8_t First = 0;
    uint32_t PrevOffset = NoOffset; // where Prev's string stands, followed by the next string

    uint16_t Prefix[TableSize];
    uint8_t Suffix[TableSize];
    uint8_t FirstOf[TableSize];
    uint16_t Length[TableSize]; // 0: the entry leads back to itself
    uint32_t Offset[TableSize]; // a copy of the string in the pixel buffer, or NoOffset

    // The current output segment: the whole frame, or one interlaced row.
    bool SegmentsStarted = false;
    uint32_t SegPos = 0;
    uint32_t SegEnd = 0;
    int Pass = 0;
    uint32_t Row = 0;
    uint32_t RowsDone = 0;
    // Values of the last string that did not fit into the frame.
    uint32_t Pending = 0;
    uint8_t Scratch[TableSize + 16];
};

void LZWDecoder::Run() {
    uint8_t size = 0;
    if (!GIFIO::ReadByte(Stream, size)) return;
    // The clear code must lie inside the 4096-entry table.
    if (size >= 12) throw GIFException(GIFMessages::UnsupportedCodeSize);
    MinCodeSize = size;
    ClearCode = 1 << size;
    EndCode = ClearCode + 1;
    CodeWidth = MinCodeSize + 1;
    WidthLimit = 2 * ClearCode;
    NextFree = ClearCode + 2;
    for (int i = 0; i < ClearCode; ++i) {
        Prefix[i] = 0;
        Suffix[i] = static_cast<uint8_t>(i);
        FirstOf[i] = static_cast<uint8_t>(i);
        Length[i] = 1;
        Offset[i] = NoOffset;
    }
    Fill();
    // Short strings are copied 16 bytes at a time; past the last string the
    // row must show its pre-filled value again.
    if (SegPos < SegEnd) std::memset(Pixels + SegPos, FillValue, std::min<uint32_t>(16, SegEnd - SegPos));
    Finish();
}

// ---- Bits ----

int LZWDecoder::Extract() {
    uint32_t bits;
    std::memcpy(&bits, Buffer + (BitPos >> 3), 4);
    const int code = static_cast<int>((bits >> (BitPos & 7)) & ((1u << CodeWidth) - 1));
    BitPos += static_cast<uint32_t>(CodeWidth);
    return code;
}

// Reads the next sub-block behind the last two bytes of the current one.
bool LZWDecoder::Refill() {
    uint8_t size = 0;
    if (Stream.Read(&size, 1) != 1) return false;
    Buffer[0] = Buffer[ValidBytes - 2];
    Buffer[1] = Buffer[ValidBytes - 1];
    uint32_t got = 0;
    if (size == 0) {
        DataEnded = true;
        NoMoreBlocks = true;
    } else {
        got = static_cast<uint32_t>(std::max<int64_t>(0, Stream.Read(Buffer + 2, size)));
        if (got < size) Warning(GIFMessages::PrematureEnd);
    }
    // Fewer than 13 bits were left unread, all inside the two carry bytes.
    BitPos = BitPos + 16 - ValidBits;
    ValidBytes = got + 2;
    ValidBits = ValidBytes * 8;
    return true;
}

int LZWDecoder::ReadCodeSlow() {
    if (StartOfData) {
        // The data is decoded as if it began with a clear code.
        StartOfData = false;
        return ClearCode;
    }
    const uint32_t width = static_cast<uint32_t>(CodeWidth);
    if (BitPos + width < ValidBits) return Extract();
    if (NoMoreBlocks) {
        if (BitPos >= ValidBits) Warning(GIFMessages::BitBufferUnderrun);
        return -1;
    }
    for (;;) {
        if (!Refill()) return -1;
        if (BitPos + width <= ValidBits) return Extract();
        if (NoMoreBlocks) {
            // The data ends inside this code: its bits are not there.
            BitPos = ValidBits;
            Warning(GIFMessages::BitBufferUnderrun);
            return -1;
        }
        // A sub-block shorter than the rest of the code: the code goes on in
        // the next one.
    }
}

// ---- Codes ----

void LZWDecoder::ClearTable() {
    CodeWidth = MinCodeSize + 1;
    WidthLimit = 2 * ClearCode;
    NextFree = ClearCode + 2;
    // Corrupt data may use the next free code before it is assigned; it then
    // reads as a cleared entry (prefix 0, value 0).
    const int free = NextFree;
    Prefix[free] = 0;
    Suffix[free] = 0;
    FirstOf[free] = 0;
    Length[free] = 2;
    Offset[free] = NoOffset;
}

void LZWDecoder::EndOfData() {
    Finished = true;
    if (!DataEnded) GIFIO::SkipSubBlocks(Stream);
}

bool LZWDecoder::NextSegment() {
    if (Total == 0) return false;
    if (!Interlaced) {
        if (SegmentsStarted) return false;
        SegmentsStarted = true;
        SegPos = 0;
        SegEnd = Total;
        return true;
    }
    static constexpr uint32_t PassStart[4] = {0, 4, 2, 1};
    static constexpr uint32_t PassStep[4] = {8, 8, 4, 2};
    if (RowsDone == Height) return false;
    if (!SegmentsStarted) {
        SegmentsStarted = true;
        Pass = 0;
        Row = 0;
    } else {
        Row += PassStep[Pass];
    }
    while (Row >= Height) {
        if (++Pass >= 4) return false;
        Row = PassStart[Pass];
    }
    ++RowsDone;
    SegPos = Row * Width;
    SegEnd = SegPos + Width;
    return true;
}

// Copies a string of length bytes; short strings move as one 16-byte block
// when both sides have the room, the bytes past the string being written
// again by the strings that follow.
inline void CopyString(uint8_t* dst, const uint8_t* src, uint32_t length, uint32_t dstRoom,
                       uint32_t srcRoom) {
    if (length <= 16 && dstRoom >= 16 && srcRoom >= 16) {
        uint8_t block[16];
        std::memcpy(block, src, 16);
        std::memcpy(dst, block, 16);
    } else {
        std::memcpy(dst, src, length);
    }
}

// Spells the string out backwards along the prefix chain: exactly length
// bytes, as the table's lengths follow the chain.
void LZWDecoder::Walk(uint8_t* dst, int code, uint32_t length) const {
    uint8_t* p = dst + length - 1;
    for (uint32_t i = length - 1; i > 0; --i) {
        *p-- = Suffix[code];
        code = Prefix[code];
    }
    *p = static_cast<uint8_t>(code);
}

void LZWDecoder::Put(uint8_t* dst, int code, uint32_t length, uint32_t dstRoom) const {
    if (code < ClearCode) {
        *dst = static_cast<uint8_t>(code);
        return;
    }
    const uint32_t offset = Offset[code];
    if (offset != NoOffset)
        CopyString(dst, Pixels + offset, length, dstRoom, Total - offset);
    else
        Walk(dst, code, length);
}

// A string that runs past the end of the current segment: it is built in the
// scratch buffer and laid out over the following segments. What is left when
// the frame is full stays pending.
void LZWDecoder::WriteAcrossSegments(int code, uint32_t length, bool special, uint8_t lastValue) {
    if (special) {
        Put(Scratch, code, length - 1, length - 1);
        Scratch[length - 1] = lastValue;
    } else {
        Put(Scratch, code, length, length);
    }
    uint32_t done = 0;
    while (done < length) {
        if (SegPos == SegEnd && !NextSegment()) {
            Pending = length - done;
            return;
        }
        const uint32_t n = std::min(length - done, SegEnd - SegPos);
        std::memcpy(Pixels + SegPos, Scratch + done, n);
        SegPos += n;
        done += n;
    }
}

// Fills the frame until it is full, the data ends, or the end code comes.
// The hot state lives in locals and is handed back to the members around
// each call that needs it.
void LZWDecoder::Fill() {
    uint8_t* const out = Pixels;
    const int clear = ClearCode;
    uint32_t pos = SegPos, end = SegEnd;
    uint32_t bitPos = BitPos, validBits = ValidBits;
    int codeWidth = CodeWidth;
    uint32_t codeMask = (1u << codeWidth) - 1;
    int nextFree = NextFree, widthLimit = WidthLimit;
    int prev = Prev;
    uint8_t first = First;
    uint32_t prevOffset = PrevOffset;

    const auto save = [&] {
        SegPos = pos;
        SegEnd = end;
        BitPos = bitPos;
        ValidBits = validBits;
        CodeWidth = codeWidth;
        NextFree = nextFree;
        WidthLimit = widthLimit;
        Prev = prev;
        First = first;
        PrevOffset = prevOffset;
    };
    const auto load = [&] {
        pos = SegPos;
        end = SegEnd;
        bitPos = BitPos;
        validBits = ValidBits;
        codeWidth = CodeWidth;
        codeMask = (1u << codeWidth) - 1;
        nextFree = NextFree;
        widthLimit = WidthLimit;
        prev = Prev;
        first = First;
        prevOffset = PrevOffset;
    };
    const auto readCode = [&]() -> int {
        if (bitPos + static_cast<uint32_t>(codeWidth) < validBits) {
            uint32_t bits;
            std::memcpy(&bits, Buffer + (bitPos >> 3), 4);
            const int code = static_cast<int>((bits >> (bitPos & 7)) & codeMask);
            bitPos += static_cast<uint32_t>(codeWidth);
            return code;
        }
        save();
        const int code = ReadCodeSlow();
        load();
        return code;
    };

    for (;;) {
        if (pos == end) {
            save();
            const bool more = NextSegment();
            load();
            if (!more) return;
        }
        int code = readCode();
        if (code < 0) break;
        if (code == clear) {
            save();
            ClearTable();
            load();
            do code = readCode();
            while (code == clear);
            if (code < 0) break;
            if (code == EndCode) {
                save();
                EndOfData();
                return;
            }
            if (code > nextFree) throw GIFException(GIFMessages::CodeOutOfRange);
            // The first code of a table stands for itself.
            out[pos] = static_cast<uint8_t>(code);
            prev = code;
            first = static_cast<uint8_t>(code);
            prevOffset = (code < clear && pos + 1 < end) ? pos : NoOffset;
            ++pos;
            continue;
        }
        if (code == EndCode) {
            save();
            EndOfData();
            return;
        }

        const uint32_t room = end - pos;
        uint32_t length;
        uint8_t newFirst;
        bool split = false;
        if (code < clear) {
            out[pos] = static_cast<uint8_t>(code);
            length = 1;
            newFirst = static_cast<uint8_t>(code);
        } else if (code < nextFree) {
            length = Length[code];
            if (length == 0) throw GIFException(GIFMessages::CircularTableEntry);
            newFirst = FirstOf[code];
            if (length <= room) {
                Put(out + pos, code, length, room);
            } else {
                save();
                WriteAcrossSegments(code, length, false, 0);
                load();
                split = true;
            }
        } else if (code == nextFree) {
            // The string of the previous code and its own first value.
            const uint32_t prevLength = Length[prev];
            if (prevLength == 0) throw GIFException(GIFMessages::CircularTableEntry);
            length = prevLength + 1;
            newFirst = FirstOf[prev];
            if (length <= room) {
                if (prevOffset != NoOffset)
                    CopyString(out + pos, out + prevOffset, prevLength, room, Total - prevOffset);
                else
                    Put(out + pos, prev, prevLength, room);
                out[pos + prevLength] = first;
            } else {
                save();
                WriteAcrossSegments(prev, length, true, first);
                load();
                split = true;
            }
        } else {
            throw GIFException(GIFMessages::CodeOutOfRange);
        }

        if (nextFree < TableSize) {
            const uint32_t prevLength = Length[prev];
            Prefix[nextFree] = static_cast<uint16_t>(prev);
            Suffix[nextFree] = newFirst;
            FirstOf[nextFree] = FirstOf[prev];
            Length[nextFree] =
                (prev == nextFree || prevLength == 0) ? 0 : static_cast<uint16_t>(prevLength + 1);
            Offset[nextFree] = prevOffset;
            if (++nextFree >= widthLimit && widthLimit < TableSize) {
                widthLimit <<= 1;
                ++codeWidth;
                codeMask = (1u << codeWidth) - 1;
            }
        }
        prev = code;
        first = newFirst;
        if (split) {
            prevOffset = NoOffset;
        } else {
            prevOffset = length < room ? pos : NoOffset;
            pos += length;
        }
        if (Pending > 0) break;
    }
    save();
}

// The value after the last pixel: for well-formed data this reads the end
// code, which skips the rest of the image data.
void LZWDecoder::ExtraValue() {
    int code = ReadCodeSlow();
    if (code == ClearCode) {
        ClearTable();
        do code = ReadCodeSlow();
        while (code == ClearCode);
        if (code == EndCode) EndOfData();
        return;
    }
    if (code == EndCode) {
        EndOfData();
        return;
    }
    if (code < ClearCode || code > NextFree) return;
    const int expanded = code == NextFree ? Prev : code;
    if (Length[expanded] == 0) throw GIFException(GIFMessages::CircularTableEntry);
}

void LZWDecoder::Finish() {
    if (Finished) return;
    if (Pending > 0)
        --Pending;
    else
        ExtraValue();
    // Whatever the pixels did, the next block starts after the terminator.
    if (!Finished && !NoMoreBlocks) GIFIO::SkipSubBlocks(Stream);
}

} // namespace

void DecodeImageData(TStream& stream, const TGIFDecodeTarget& target, const TGIFDecodeWarning& warning) {
    // The tables (about 50 KB) live in this call's own storage: decoding
    // allocates nothing but the frame's pixel buffer.
    LZWDecoder decoder(stream, target, warning);
    decoder.Run();
}
