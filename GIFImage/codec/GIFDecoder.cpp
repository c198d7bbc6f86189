#include "GIFDecoder.h"

#include "GIFDecodeShare.h"
#include "GIFException.h"
#include "GIFMessages.h"
#include "GIFStreamIO.h"
#include "GIFWireFormat.h"

#include <algorithm>
#include <cstring>

// How the decoder works.
//
// The table keeps for each code its string's length, its first eight
// values (the head), its prefix code and last value, and, where known, the
// position in the pixel buffer where the same string already stands. A
// code's string is then written as the head's 8 bytes from the entry, and
// the rest from that earlier copy in one 16-byte block or one copy. Single
// values are table entries like any other, so the common path has no branch
// on the kind of code.
// Where the strings of the last sub-block were 4 to 16 values long on
// average (smooth pictures), strings of up to 24 values are written as the
// head and the 16 bytes after it without a branch on their length; where
// they were shorter (noise, dithering) or longer, a branch on the length is
// well predicted and the decoder writes just what each string needs.
// Only long strings whose copy is not in the buffer (across an interlaced
// row end, or after corrupt data) are spelt out backwards along the prefix
// chain. Nothing is pushed value by value, so there is no stack to
// overflow: a code's length is known before a byte is written, and every
// write is checked against the current row.
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
constexpr int MaxCodeWidth = 12;
constexpr uint32_t NoOffset = 0xFFFFFFFFu;
// A string is at most one value longer than the table has codes. Larger
// lengths mark entries that are no string: the clear and end codes, and
// entries that lead back to themselves (CircularLength, and above it the
// entries built on one, as every entry is one longer than its prefix).
constexpr uint32_t MaxLength = TableSize;
constexpr uint16_t CircularLength = 0x8000;
constexpr uint16_t ControlLength = 0xC000;
// Strings of at least this many values on average count as long, and of
// at least the second as very long, mostly beyond the 24 values that long
// strings are written with (see FillWriting).
constexpr uint64_t LongStringsMeanLength = 4;
constexpr uint64_t VeryLongStringsMeanLength = 16;
// What the reading of codes gives when the filling is to change its way of
// writing strings before the next code.
constexpr int PauseCode = -2;
// The pixels of a window, where another thread may take the rest of a frame
// (see TGIFDecodeShare): small enough for it to take a good part, large
// enough for the windows to cost nothing.
constexpr uint32_t ShareWindow = 16384;

// Where the next code's bits are: a bit position within the valid bits of
// the bit buffer.
struct TBitCursor {
    uint32_t BitPos = 0;
    uint32_t ValidBits = 0;
};

// Where the next pixels go: the current output segment (the whole frame, or
// one interlaced row), from Pos up to End.
struct TOutputCursor {
    uint32_t Pos = 0;
    uint32_t End = 0;
};

// The state that the filling works on for every code. It keeps a copy in
// locals and hands it back before each call that needs the members.
struct THotState {
    TBitCursor Bits;
    TOutputCursor Out;
    int CodeWidth = 0;
    int NextFree = 0;
    int Prev = 0;
    uint32_t PrevOffset = NoOffset; // where Prev's string stands, followed by the next string
    // Prev's string, which the entry that the next code adds extends by one
    // value, and that entry's length.
    uint64_t PrevHead = 0;
    uint32_t PrevLength = 1;
    uint32_t AddLength = 2;
};

// The data sub-blocks seen as a run of bits: the current sub-block behind
// two carry bytes (the end of the previous one).
class TBitReader {
public:
    TBitReader(TStream& stream, const TGIFDecodeWarning& warning, uint32_t skipBits)
        : Stream(stream), Warn(warning), SkipBits(skipBits) {}

    // The code of width bits at the cursor; the caller has checked that it
    // lies wholly before the cursor's valid bits.
    int Extract(TBitCursor& bits, int width) const {
        uint32_t word;
        std::memcpy(&word, Buffer + (bits.BitPos >> 3), 4);
        const int code = static_cast<int>((word >> (bits.BitPos & 7)) & ((1u << width) - 1));
        bits.BitPos += static_cast<uint32_t>(width);
        return code;
    }
    // The next code, reading sub-blocks as needed; -1 when the data has
    // ended. finalRead: the read after the last pixel, which finds the
    // terminator of well-formed data that has no end code without a warning.
    int ReadSlow(TBitCursor& bits, int width, int clearCode, bool finalRead);

    const uint8_t* Bytes() const { return Buffer; }
    // The data bytes of the sub-blocks read so far.
    uint64_t BytesRead() const { return Read; }
    bool DataEnded() const { return Ended; }
    // Where the current sub-block's size byte stands in the stream.
    int64_t BlockAt() const { return Stream.Position() - (ValidBytes - 2) - 1; }
    bool NoMoreBlocks() const { return NoMore; }

private:
    bool Refill(TBitCursor& bits);
    void Warning(const char* message) const {
        if (Warn) Warn(message);
    }

    TStream& Stream;
    const TGIFDecodeWarning& Warn;
    // 2 carry bytes, one sub-block, and slack for the 32-bit load at its end.
    uint8_t Buffer[2 + 255 + 8] = {};
    uint32_t ValidBytes = 2;
    uint64_t Read = 0;
    bool StartOfData = true;
    bool Ended = false;  // the terminator has been read
    bool NoMore = false; // no sub-block follows
    // Bits of the first sub-block that belong to codes before a clear code
    // (the rest of a frame's data, see TGIFDecodeTarget::ResumeBit).
    uint32_t SkipBits;
};

// The rows of a frame in the order the data fills them: all at once (or in
// windows of pixels, where another thread may take the rest of the frame),
// or the four interlace passes.
class TRowCursor {
public:
    TRowCursor(uint32_t width, uint32_t height, bool interlaced, uint32_t window)
        : Width(width), Height(height), Interlaced(interlaced), Window(window) {}

    // Moves out to the next segment; false when the frame is full.
    bool Next(TOutputCursor& out);
    // The values written so far, out being the current segment.
    uint64_t Done(const TOutputCursor& out) const {
        if (!Interlaced) return out.Pos;
        return uint64_t{RowsDone - 1} * Width + (out.Pos - Row * Width);
    }

private:
    const uint32_t Width;
    const uint32_t Height;
    const bool Interlaced;
    const uint32_t Window;
    bool Started = false;
    int Pass = 0;
    uint32_t Row = 0;
    uint32_t RowsDone = 0;
};

class LZWDecoder {
public:
    LZWDecoder(TStream& stream, const TGIFDecodeTarget& target, const TGIFDecodeWarning& warning)
        : Stream(stream), Pixels(target.Pixels), Allocate(target.Allocate),
          Width(static_cast<uint32_t>(std::max(0, target.Width))),
          Height(static_cast<uint32_t>(std::max(0, target.Height))), FillValue(target.FillValue),
          Reader(stream, warning, target.ResumeCodeSize >= 0 ? target.ResumeBit : 0),
          Rows(Width, Height, target.Interlaced, target.Share && !target.Interlaced ? ShareWindow : 0),
          Share(target.Share), ResumeCodeSize(target.ResumeCodeSize) {
        Total = Width * Height;
    }

    void Run();

private:
    int ReadCode(bool finalRead) {
        return Reader.ReadSlow(State.Bits, State.CodeWidth, ClearCode, finalRead);
    }
    void ClearTable();
    void ClearCodeMet();
    void EndOfData();
    void Fill();
    template <bool LongStrings> bool FillWriting();
    bool ChooseWriting();
    void FillRest(uint32_t limit);
    bool NextSegment(TOutputCursor& out);
    void ExtraValue();
    void Finish();
    uint8_t* AllocatePixels();

    void Put(uint8_t* dst, int code, uint32_t length) const;
    void Walk(uint8_t* dst, int code, uint32_t length) const;
    void WriteAcrossSegments(int code, uint32_t length, bool special, uint8_t lastValue);

    TStream& Stream;
    uint8_t* Pixels;
    const std::function<uint8_t*()>& Allocate;
    const uint32_t Width;
    const uint32_t Height;
    const uint8_t FillValue;
    uint32_t Total = 0;

    TBitReader Reader;
    TRowCursor Rows;
    THotState State;
    bool Finished = false; // the end code has been met
    // How strings are written (see FillWriting), and the progress when that
    // was last chosen.
    bool LongStrings = false;
    uint64_t ValuesWhenChosen = 0;
    uint64_t BytesWhenChosen = 0;

    int MinCodeSize = 0;
    int ClearCode = 0;
    int EndCode = 0;

    // One code's string; what the common path needs is read from one
    // 16-byte entry.
    struct TEntry {
        uint64_t Head; // the first up to 8 values, zero above the length
        // A copy of the string in the pixel buffer, or NoOffset; for single
        // values 0, the start of the buffer (see Fill).
        uint32_t Offset;
        uint16_t Length; // above MaxLength: no string (see CircularLength)
        uint16_t Prefix;
    };
    // One spare entry at the end takes the entries a full table would add,
    // so that adding needs no test of its own.
    TEntry Table[TableSize + 1];
    uint8_t Suffix[TableSize + 1]; // the last value, for spelling out

    // Values of the last string that did not fit into the frame.
    uint32_t Pending = 0;
    uint8_t Scratch[TableSize + 16];

    TGIFDecodeShare* const Share;
    const int ResumeCodeSize;
    // Stopped where another thread decodes the rest from.
    bool Stopped = false;
};

void LZWDecoder::Run() {
    uint8_t size = 0;
    if (ResumeCodeSize >= 0)
        size = static_cast<uint8_t>(ResumeCodeSize);
    else if (!GIFIO::ReadByte(Stream, size))
        return;
    // The clear code must lie inside the 4096-entry table.
    if (size >= 12) throw GIFException(GIFMessages::UnsupportedCodeSize);
    MinCodeSize = size;
    ClearCode = 1 << size;
    EndCode = ClearCode + 1;
    State.CodeWidth = MinCodeSize + 1;
    State.NextFree = ClearCode + 2;
    for (int i = 0; i < ClearCode; ++i) {
        Table[i] = TEntry{static_cast<uint64_t>(i & 0xFF), 0, 1, 0};
        Suffix[i] = static_cast<uint8_t>(i);
    }
    Table[ClearCode] = TEntry{0, NoOffset, ControlLength, 0};
    Table[EndCode] = TEntry{0, NoOffset, ControlLength, 0};
    // The pixels from where another thread took the rest on are its own.
    const auto limit = [this] { return Share ? Share->Close() : 0u; };
    try {
        Fill();
    } catch (...) {
        FillRest(limit());
        throw;
    }
    if (Stopped) return;
    FillRest(limit());
    Finish();
}

// Gives every pixel the data did not reach the fill value, from the output
// cursor on (up to limit, when not 0); this also covers what the 8- and
// 16-byte stores wrote past the last string.
void LZWDecoder::FillRest(uint32_t limit) {
    if (!Pixels) return;
    TOutputCursor& out = State.Out;
    // The pixels up to limit in the order the data fills them.
    const uint64_t end = limit > 0 ? limit : uint64_t{Width} * Height;
    do {
        if (out.Pos < out.End) {
            const uint64_t done = Rows.Done(out);
            if (done >= end) return;
            const uint32_t stop =
                out.Pos + static_cast<uint32_t>(std::min<uint64_t>(out.End - out.Pos, end - done));
            std::memset(Pixels + out.Pos, FillValue, stop - out.Pos);
            out.Pos = stop;
            if (stop < out.End) return;
        }
    } while (Rows.Next(out));
}

// Moves out to the next segment; false when the frame is full, or where
// another thread has taken the rest of it.
bool LZWDecoder::NextSegment(TOutputCursor& out) {
    if (!Rows.Next(out)) return false;
    if (!Share) return true;
    // Positions in the order the data fills the frame.
    const auto start = static_cast<uint32_t>(Rows.Done(out));
    out.End = out.Pos + (Share->Reach(start, start + (out.End - out.Pos)) - start);
    if (out.End > out.Pos) return true;
    Stopped = true;
    return false;
}

uint8_t* LZWDecoder::AllocatePixels() {
    if (!Pixels) Pixels = Allocate ? Allocate() : nullptr;
    if (!Pixels) Total = 0;
    return Pixels;
}

// ---- Bits ----

// Reads the next sub-block behind the last two bytes of the current one.
bool TBitReader::Refill(TBitCursor& bits) {
    uint8_t size = 0;
    if (Stream.Read(&size, 1) != 1) return false;
    Buffer[0] = Buffer[ValidBytes - 2];
    Buffer[1] = Buffer[ValidBytes - 1];
    uint32_t got = 0;
    if (size == 0) {
        Ended = true;
        NoMore = true;
    } else {
        got = static_cast<uint32_t>(std::max<int64_t>(0, Stream.Read(Buffer + 2, size)));
        if (got < size) Warning(GIFMessages::PrematureEnd);
    }
    // Fewer than 13 bits were left unread, all inside the two carry bytes.
    bits.BitPos = bits.BitPos + 16 - bits.ValidBits;
    if (Read == 0) {
        bits.BitPos += std::min(SkipBits, got * 8);
        SkipBits = 0;
    }
    ValidBytes = got + 2;
    bits.ValidBits = ValidBytes * 8;
    Read += got;
    return true;
}

int TBitReader::ReadSlow(TBitCursor& bits, int width, int clearCode, bool finalRead) {
    if (StartOfData) {
        // The data is decoded as if it began with a clear code.
        StartOfData = false;
        return clearCode;
    }
    const uint32_t w = static_cast<uint32_t>(width);
    if (bits.BitPos + w < bits.ValidBits) return Extract(bits, width);
    if (NoMore) {
        if (bits.BitPos >= bits.ValidBits) Warning(GIFMessages::BitBufferUnderrun);
        return -1;
    }
    for (;;) {
        if (!Refill(bits)) return -1;
        if (bits.BitPos + w <= bits.ValidBits) return Extract(bits, width);
        if (NoMore) {
            // The data ends inside this code: its bits are not there. Only a
            // code asked for once all data bits are used warns; the filling
            // asks for more after this one, the read after the last pixel
            // does not.
            bits.BitPos = bits.ValidBits;
            if (!finalRead) Warning(GIFMessages::BitBufferUnderrun);
            return -1;
        }
        // A sub-block shorter than the rest of the code: the code goes on in
        // the next one.
    }
}

// ---- Rows ----

bool TRowCursor::Next(TOutputCursor& out) {
    if (Width == 0 || Height == 0) return false;
    if (!Interlaced) {
        const uint32_t total = Width * Height;
        if (Window > 0) {
            // The next window, from where the last one ended.
            if (Started && out.End >= total) return false;
            out.Pos = Started ? out.End : 0;
            out.End = out.Pos + std::min(Window, total - out.Pos);
            Started = true;
            return true;
        }
        if (Started) return false;
        Started = true;
        out.Pos = 0;
        out.End = total;
        return true;
    }
    if (RowsDone == Height) return false;
    if (!Started) {
        Started = true;
        Pass = 0;
        Row = 0;
    } else {
        Row += GIFWire::InterlacePasses[Pass].Step;
    }
    while (Row >= Height) {
        if (++Pass >= 4) return false;
        Row = GIFWire::InterlacePasses[Pass].Start;
    }
    ++RowsDone;
    out.Pos = Row * Width;
    out.End = out.Pos + Width;
    return true;
}

// ---- Codes ----

void LZWDecoder::ClearTable() {
    State.CodeWidth = MinCodeSize + 1;
    State.NextFree = ClearCode + 2;
    // Corrupt data may use the next free code before it is assigned; it then
    // reads as a cleared entry (prefix 0, value 0).
    const int free = State.NextFree;
    Table[free] = TEntry{0, NoOffset, 2, 0};
    Suffix[free] = 0;
}

// A clear code in the data: the table starts again, and another thread may
// read the codes on from here. (A next code that starts in the two carry
// bytes has no place of its own.) Out of the filling's loop, which is faster
// without this code in it.
[[gnu::noinline]] void LZWDecoder::ClearCodeMet() {
    if (!Share) {
        ClearTable();
        return;
    }
    const auto done = static_cast<uint32_t>(Rows.Done(State.Out));
    if (done > 0 && State.Bits.BitPos >= 16)
        Share->TellPlace({done, Reader.BlockAt(), State.Bits.BitPos - 16});
    ClearTable();
}

void LZWDecoder::EndOfData() {
    Finished = true;
    if (!Reader.DataEnded()) GIFIO::SkipSubBlocks(Stream);
}

// The head of a string of length values followed by value: the value goes
// in when the head has room. Without a branch (the lengths around 8 are too
// irregular to predict).
inline uint64_t WithValue(uint64_t head, uint32_t length, uint8_t value) {
    const uint64_t room = 0 - static_cast<uint64_t>(length < 8);
    return head | ((uint64_t{value} << (8 * (length & 7))) & room);
}

inline void Store8(uint8_t* p, uint64_t v) {
    std::memcpy(p, &v, 8);
}

// Spells the string out backwards along the prefix chain: exactly length
// bytes, as the table's lengths follow the chain.
void LZWDecoder::Walk(uint8_t* dst, int code, uint32_t length) const {
    uint8_t* p = dst + length - 1;
    for (uint32_t i = length - 1; i > 0; --i) {
        *p-- = Suffix[code];
        code = Table[code].Prefix;
    }
    *p = static_cast<uint8_t>(code);
}

// Writes exactly the length bytes of the code's string (a table entry's
// length, or less for its prefix part); dst never overlaps the earlier copy.
void LZWDecoder::Put(uint8_t* dst, int code, uint32_t length) const {
    const TEntry& entry = Table[code];
    if (length <= 8)
        std::memcpy(dst, &entry.Head, length);
    else if (entry.Offset != NoOffset)
        std::memcpy(dst, Pixels + entry.Offset, length);
    else
        Walk(dst, code, length);
}

// A string that runs past the end of the current segment: it is built in the
// scratch buffer and laid out over the following segments. What is left when
// the frame is full stays pending.
void LZWDecoder::WriteAcrossSegments(int code, uint32_t length, bool special, uint8_t lastValue) {
    if (special) {
        Put(Scratch, code, length - 1);
        Scratch[length - 1] = lastValue;
    } else {
        Put(Scratch, code, length);
    }
    TOutputCursor& out = State.Out;
    uint32_t done = 0;
    while (done < length) {
        if (out.Pos == out.End && !NextSegment(out)) {
            Pending = length - done;
            return;
        }
        const uint32_t n = std::min(length - done, out.End - out.Pos);
        std::memcpy(Pixels + out.Pos, Scratch + done, n);
        out.Pos += n;
        done += n;
    }
}

// Fills the frame until it is full, the data ends, or the end code comes,
// writing strings as their lengths suit best.
void LZWDecoder::Fill() {
    while (!(LongStrings ? FillWriting<true>() : FillWriting<false>())) {
    }
}

// Once a sub-block: whether the strings of the data read since the last
// choice were long on average; true when that changes the way of writing.
bool LZWDecoder::ChooseWriting() {
    // Nothing new to judge by: before the first pixel, or right after a
    // change.
    if (!Pixels || Reader.BytesRead() == BytesWhenChosen) return false;
    const uint64_t values = Rows.Done(State.Out) - ValuesWhenChosen;
    const uint64_t bits = (Reader.BytesRead() - BytesWhenChosen) * 8;
    ValuesWhenChosen += values;
    BytesWhenChosen = Reader.BytesRead();
    const uint64_t codes = bits / static_cast<uint64_t>(State.CodeWidth);
    const bool longStrings =
        values >= LongStringsMeanLength * codes && values < VeryLongStringsMeanLength * codes;
    const bool changed = longStrings != LongStrings;
    LongStrings = longStrings;
    return changed;
}

// Fills as Fill does, until then or until the way of writing strings is to
// change; false then.
template <bool LongStrings> bool LZWDecoder::FillWriting() {
    const int clear = ClearCode;
    uint8_t* out = Pixels;
    const uint32_t total = Width * Height; // the pixel buffer's size
    // The hot state in locals, handed to the members for a call that needs
    // them and taken back after it.
    uint32_t bitPos = 0, validBits = 0, outPos = 0, outEnd = 0, prevOffset = NoOffset, codeMask = 0;
    int codeWidth = 0, nextFree = 0, prevCode = 0;
    // The previous code's string (head and length), which the entry that the
    // next code adds extends by one value, and that entry's length.
    uint64_t prevHead = 0;
    uint32_t prevLength = 0, addLength = 0;
    const auto load = [&] {
        bitPos = State.Bits.BitPos;
        validBits = State.Bits.ValidBits;
        outPos = State.Out.Pos;
        outEnd = State.Out.End;
        codeWidth = State.CodeWidth;
        nextFree = State.NextFree;
        prevCode = State.Prev;
        prevOffset = State.PrevOffset;
        codeMask = (1u << codeWidth) - 1;
    };
    const auto save = [&] {
        State.Bits = TBitCursor{bitPos, validBits};
        State.Out = TOutputCursor{outPos, outEnd};
        State.CodeWidth = codeWidth;
        State.NextFree = nextFree;
        State.Prev = prevCode;
        State.PrevOffset = prevOffset;
    };
    const auto slow = [&](auto&& call) {
        save();
        call();
        load();
    };
    load();
    // The calls in between leave these alone: they only go on from where a
    // pause left them.
    prevHead = State.PrevHead;
    prevLength = State.PrevLength;
    addLength = State.AddLength;
    // mayPause: a code read where the filling may stop to change its way
    // of writing strings (PauseCode).
    bool paused = false;
    const auto readCode = [&](bool mayPause) -> int {
        if (bitPos + static_cast<uint32_t>(codeWidth) < validBits) {
            uint32_t bits;
            std::memcpy(&bits, Reader.Bytes() + (bitPos >> 3), 4);
            const int code = static_cast<int>((bits >> (bitPos & 7)) & codeMask);
            bitPos += static_cast<uint32_t>(codeWidth);
            return code;
        }
        int code = 0;
        slow([&] {
            paused = mayPause && ChooseWriting();
            if (!paused) code = ReadCode(false);
        });
        return paused ? PauseCode : code;
    };

    for (;;) {
        if (outPos == outEnd) {
            bool more = false;
            slow([&] { more = NextSegment(State.Out); });
            if (!more) break;
        }
        int code = readCode(true);

        // The code's string: a table entry, or (the standard's special case,
        // the next free code) the previous string and its own first value.
        // What is not a plain entry (the end of the data, a clear or end
        // code, a code out of range, an entry that leads back to itself) is
        // sorted out behind these two tests.
        uint64_t head;
        uint32_t length;
        uint32_t offset;
        uint8_t newFirst;
        const bool special = static_cast<uint32_t>(code) >= static_cast<uint32_t>(nextFree);
        if (!special) {
            const TEntry& entry = Table[code];
            head = entry.Head;
            length = entry.Length;
            offset = entry.Offset;
            newFirst = static_cast<uint8_t>(head);
            if (length > MaxLength) {
                if (code == EndCode) {
                    slow([&] { EndOfData(); });
                    return true;
                }
                if (code != clear) {
                    save(); // how far the pixels got
                    throw GIFException(GIFMessages::CircularTableEntry);
                }
                slow([&] { ClearCodeMet(); });
                do code = readCode(false);
                while (code == clear);
                if (code < 0) break;
                if (code == EndCode) {
                    slow([&] { EndOfData(); });
                    return true;
                }
                if (code > nextFree) {
                    save(); // how far the pixels got
                    throw GIFException(GIFMessages::CodeOutOfRange);
                }
                // The first pixel the data gives: the buffer is made now.
                if (!out) {
                    slow([&] { out = AllocatePixels(); });
                    if (!out) break;
                }
                // The first code of a table stands for itself.
                out[outPos] = static_cast<uint8_t>(code);
                prevOffset = (code < clear && outPos + 1 < outEnd) ? outPos : NoOffset;
                ++outPos;
                // Corrupt data may start with the next free code: the entry
                // the next code adds then leads back to itself.
                prevHead = Table[code].Head;
                prevLength = Table[code].Length;
                addLength = code == nextFree ? CircularLength : prevLength + 1;
                prevCode = code;
                continue;
            }
        } else {
            if (code < 0) break;
            if (code > nextFree) {
                save(); // how far the pixels got
                throw GIFException(GIFMessages::CodeOutOfRange);
            }
            newFirst = static_cast<uint8_t>(prevHead);
            head = WithValue(prevHead, prevLength, newFirst);
            length = prevLength + 1;
            offset = prevOffset;
            if (length > MaxLength) {
                save(); // how far the pixels got
                throw GIFException(GIFMessages::CircularTableEntry);
            }
        }

        const uint32_t pos = outPos;
        const uint32_t room = outEnd - pos;
        bool split = false;
        // Writes the string through write(count): the code's entry, or in
        // the special case the previous code's entry and the first value.
        const auto spell = [&](auto&& write) {
            if (!special) {
                write(length);
            } else {
                write(length - 1);
                out[pos + length - 1] = newFirst;
            }
        };
        // Where strings are long on average (smooth pictures), their
        // lengths vary around 8 too much from code to code for a branch on
        // the length to be predicted. Strings of up to 24 values are then
        // written without one: the head as 8 bytes, then the next 16 from
        // the earlier copy; for strings of up to 8 values these are bytes
        // of no meaning (single values point at the buffer's start), which
        // the strings after them overwrite. In the special case the copy is
        // the previous string, which ends at pos, where the head's first
        // value now stands. Where nearly all strings are short (noise,
        // dithering), the branch is predicted and the copy would cost more.
        if (LongStrings && ((room >= 24) & (length <= 24) & (uint64_t{offset} + 24 <= total))) {
            Store8(out + pos, head);
            uint64_t low, high;
            std::memcpy(&low, out + offset + 8, 8);
            std::memcpy(&high, out + offset + 16, 8);
            Store8(out + pos + 8, low);
            Store8(out + pos + 16, high);
        } else if (length + 8 <= room) {
            // The head as one 8-byte store; what lands past the string is
            // written again by the strings that follow (or by FillRest).
            // Longer strings come from their earlier copy: before pos (the
            // special case: ending at pos and at least 8 long), or in an
            // interlaced frame perhaps in a later row, where a 16-byte block
            // could reach past the frame's last pixel.
            Store8(out + pos, head);
            if (length > 8) {
                if (offset != NoOffset) {
                    if (length <= 16 && offset + 16 <= total) {
                        // One 16-byte block. In the special case its bytes
                        // from pos on are the head, already written.
                        uint8_t block[16];
                        std::memcpy(block, out + offset, 16);
                        std::memcpy(out + pos, block, 16);
                    } else if (length + 16 <= room && offset + length + 16 <= total) {
                        // 16-byte blocks, the last reaching up to 15 bytes
                        // past the string as the head's store does: cheaper
                        // than a call for the lengths strings have.
                        for (uint32_t i = 0; i < length; i += 16) {
                            uint8_t block[16];
                            std::memcpy(block, out + offset + i, 16);
                            std::memcpy(out + pos + i, block, 16);
                        }
                        if (special) out[pos + length - 1] = newFirst;
                    } else {
                        spell([&](uint32_t n) { std::memcpy(out + pos, out + offset, n); });
                    }
                } else {
                    spell([&](uint32_t n) { Walk(out + pos, special ? prevCode : code, n); });
                }
            }
        } else if (length <= room) {
            // Near the end of the row: exactly the string's bytes.
            spell([&](uint32_t n) { Put(out + pos, special ? prevCode : code, n); });
        } else {
            const int from = special ? prevCode : code;
            slow([&] { WriteAcrossSegments(from, length, special, newFirst); });
            split = true;
        }

        // The entry this code adds: the previous string and this string's
        // first value. A full table adds into its spare entry.
        const int next = nextFree;
        Table[next] = TEntry{WithValue(prevHead, prevLength, newFirst), prevOffset,
                             static_cast<uint16_t>(addLength), static_cast<uint16_t>(prevCode)};
        Suffix[next] = newFirst;
        if (static_cast<uint32_t>(++nextFree) > codeMask) {
            if (codeWidth < MaxCodeWidth) {
                ++codeWidth;
                codeMask = (1u << codeWidth) - 1;
            } else {
                nextFree = TableSize;
            }
        }
        // In the special case this code is the entry just added, whose
        // length differs from the string's only where it leads back to
        // itself.
        prevHead = head;
        prevLength = special ? addLength : length;
        addLength = prevLength + 1;
        prevCode = code;
        if (split) {
            prevOffset = NoOffset;
            // Only a string split over segments can leave values pending.
            if (Pending > 0) break;
        } else {
            prevOffset = length < room ? pos : NoOffset;
            outPos = pos + length;
        }
    }
    save();
    State.PrevHead = prevHead;
    State.PrevLength = prevLength;
    State.AddLength = addLength;
    return !paused;
}

// The value after the last pixel: for well-formed data this reads the end
// code, which skips the rest of the image data. Codes are judged as in the
// filling: one above the next free code, or a table entry that leads back
// to itself, fails the load.
void LZWDecoder::ExtraValue() {
    int code = ReadCode(true);
    if (code == ClearCode) {
        ClearTable();
        do code = ReadCode(true);
        while (code == ClearCode);
        if (code == EndCode) EndOfData();
        if (code > State.NextFree) throw GIFException(GIFMessages::CodeOutOfRange);
        return;
    }
    if (code == EndCode) {
        EndOfData();
        return;
    }
    if (code < ClearCode) return;
    if (code > State.NextFree) throw GIFException(GIFMessages::CodeOutOfRange);
    const int expanded = code == State.NextFree ? State.Prev : code;
    if (Table[expanded].Length > MaxLength) throw GIFException(GIFMessages::CircularTableEntry);
}

void LZWDecoder::Finish() {
    if (Finished) return;
    if (Pending > 0)
        --Pending;
    else
        ExtraValue();
    // Whatever the pixels did, the next block starts after the terminator.
    if (!Finished && !Reader.NoMoreBlocks()) GIFIO::SkipSubBlocks(Stream);
}

} // namespace

void DecodeImageData(TStream& stream, const TGIFDecodeTarget& target, const TGIFDecodeWarning& warning) {
    // The tables (about 50 KB) live in this call's own storage: decoding
    // allocates nothing but the frame's pixel buffer.
    LZWDecoder decoder(stream, target, warning);
    decoder.Run();
}
