#include "GIFLZWEncoder.h"

#include <algorithm>
#include <cstring>
#include <type_traits>

void TLZWEncoder::Clear() {
    OutputCode(ClearCode);
    NextCode = FirstFreeCode;
    CodeWidth = InitialCodeWidth;
    MaxCode = (1 << CodeWidth) - 1;
    switch (Kind) {
    case TTableKind::Hashed:
        Table.Clear(FirstFreeCode);
        Runs.Clear<TLZWStringTable>();
        break;
    case TTableKind::Fan4:
        Table4.Clear(FirstFreeCode);
        ClearLeaps(Table4);
        Runs.Clear<TLZWChildTable<4>>();
        break;
    case TTableKind::Fan16:
        Table16.Clear(FirstFreeCode);
        ClearLeaps(Table16);
        Runs.Clear<TLZWChildTable<16>>();
        break;
    }
}

// The codes the loop over the pixels sends for count pixels of one value,
// a code at a time: after a clear, the value, then the strings the table
// made since, one value longer each, up to the longest the table holds.
// A frame of billions of pixels of data that decoded nothing takes
// milliseconds, not seconds.
void TLZWEncoder::EncodeRun(int value, int64_t count) {
    Clear();
    int64_t left = count - 1; // the pixels after the current string's first
    for (;;) {
        // The table holds the value's strings of 2 to longest values, from
        // the first free code on.
        const int64_t longest = 1 + (NextCode - FirstFreeCode);
        const int64_t length = 1 + std::min(longest - 1, left);
        left -= length - 1;
        OutputCode(length == 1 ? value : FirstFreeCode + static_cast<int>(length - 2));
        if (left == 0) break;
        // The next pixel ends the string (the string and it are added) and
        // starts the next one.
        --left;
        if (NextCode < TLZWStringTable::MaxCodes) ++NextCode;
        if (NextCode > SlowAbove()) CodeMade(NextCode);
    }
    GrowCodeWidth();
}

template <class TTable> void TLZWEncoder::ClearLeaps(const TTable& table) {
    // Other codes lose their leaps when they are assigned.
    for (int code = 0; code < FirstFreeCode; ++code) Leaps[code] = {0, table.Node(code), 0};
}

void TLZWEncoder::CodeMade(int next) {
    NextCode = next - 1;
    GrowCodeWidth();
    if (NextCode > 4094 && !KeepFullTable)
        Clear();
    else
        NextCode = next;
}

void TLZWEncoder::DoCompress() {
    // A frame without a pixel buffer holds one value throughout.
    if (!Data) {
        if (FillRow[0] >= NumColors) ColorNotInTable();
        EncodeRun(FillRow[0], int64_t{Width} * Height);
        return;
    }
    // The codes sent are the same whichever table holds the strings, as
    // they follow from the longest match and the clear rule alone.
    WithTable([this](auto& table) { CompressWith(table); });
}

template <class TTable> void TLZWEncoder::CompressWith(TTable& table) {
    // Frames whose pixels all lie in the table take the loop without a
    // check. Leaps pay where strings are long and repeat, as with small
    // palettes; elsewhere each failed one costs more than it saves. Runs
    // followed whole pay where most pixels repeat the one before (a screen,
    // a drawing over a transparent ground); a photograph's loop would only
    // carry their checks.
    constexpr bool leaps = !std::is_same_v<TTable, TLZWStringTable>;
    if (!AllPixelsInTable())
        Encode<true, false, false>(table);
    else if (leaps)
        Encode<false, leaps, false>(table);
    else if (MostlyRuns())
        Encode<false, false, true>(table);
    else
        Encode<false, false, false>(table);
}

namespace {

uint64_t Load8(const uint8_t* p) {
    uint64_t word;
    std::memcpy(&word, p, sizeof word);
    if constexpr (std::endian::native == std::endian::big) word = __builtin_bswap64(word);
    return word;
}

// The low count bytes (0 to 8) set.
uint64_t ByteMask(int count) {
    return ((uint64_t{1} << (4 * count)) << (4 * count)) - 1;
}

} // namespace

bool TLZWRuns::AllValue(const uint8_t* p, int64_t count, int value) {
    const uint64_t word = 0x0101010101010101u * static_cast<uint8_t>(value);
    int64_t i = 0;
    for (; i + 8 <= count; i += 8)
        if (Load8(p + i) != word) return false;
    for (; i < count; ++i)
        if (p[i] != value) return false;
    return true;
}

bool TLZWEncoder::MostlyRuns() const {
    // The pixels that differ from the one before, eight at a time (the high
    // bit of each byte of the difference that is not zero), until more than
    // a quarter do.
    const int64_t count = int64_t{Width} * Height;
    const int64_t limit = count / 4;
    constexpr uint64_t Low7 = 0x7F7F7F7F7F7F7F7Fu;
    int64_t changes = 0;
    int64_t i = 1;
    for (; i + 8 <= count; i += 8) {
        const uint64_t difference = Load8(Data + i) ^ Load8(Data + i - 1);
        // The high bits summed by a multiply: without a popcount
        // instruction in the baseline, std::popcount is a library call.
        const uint64_t high = (((difference & Low7) + Low7) | difference) & ~Low7;
        changes += static_cast<int64_t>(((high >> 7) * 0x0101010101010101u) >> 56);
        if (changes > limit) return false;
    }
    for (; i < count; ++i) changes += Data[i] != Data[i - 1];
    return changes <= limit;
}

template <bool CheckColors, bool UseLeaps, bool FollowRuns, class TTable>
void TLZWEncoder::Encode(TTable& table) {
    Clear();
    bool first = true;
    WalkPixels([&](const uint8_t* p, int64_t n) {
        int64_t i = 0;
        if (first) {
            if (CheckColors && p[0] >= NumColors) ColorNotInTable();
            Prefix = table.Node(p[0]);
            first = false;
            i = 1;
        }
        // Locals, so that the byte stores of the output cannot make the
        // compiler reload them on every pixel.
        int prefix = Prefix;
        int next = NextCode;
        uint64_t bits = Bits;
        int bitCount = BitCount;
        int packedCount = PackedCount;
        int width = CodeWidth;
        // Past this next code the width grows or the table is cleared.
        int slowAbove = SlowAbove();
        const auto save = [&]() __attribute__((always_inline)) {
            Prefix = prefix;
            NextCode = next;
            Bits = bits;
            BitCount = bitCount;
            PackedCount = packedCount;
        };
        const auto load = [&]() __attribute__((always_inline)) {
            next = NextCode;
            bits = Bits;
            bitCount = BitCount;
            packedCount = PackedCount;
            width = CodeWidth;
            slowAbove = SlowAbove();
        };
        // The string prefix ends before pixel: its code is sent, prefix +
        // pixel is added, and a string starts anew.
        const auto endString = [&](int pixel, uint32_t slot) __attribute__((always_inline)) {
            PackCode(Packed, bits, bitCount, packedCount, static_cast<uint32_t>(table.Code(prefix)), width);
            // A full table that is kept takes no more strings.
            if (next < TLZWStringTable::MaxCodes) [[likely]] {
                table.Insert(slot, prefix, pixel, next);
                if constexpr (UseLeaps) Leaps[next] = {0, table.Node(next), 0};
                if constexpr (FollowRuns) Runs.Made(prefix, pixel, table.Node(next));
                ++next;
            }
            prefix = table.Node(pixel);
            if (packedCount >= PackedLimit) [[unlikely]] {
                save();
                WriteBlocks(false);
                load();
            }
            if (next > slowAbove) [[unlikely]] {
                save();
                CodeMade(next);
                load();
            }
        };
        // A string has just started with pixel at: while the pixels after it
        // repeat it as far as the longest run of its value in the table,
        // that run is taken whole, and where the pixel after it repeats the
        // value too, the run ends there (it is the longest) and the next one
        // starts. The same codes as one lookup a pixel. Returns the last
        // pixel taken.
        const auto followRun = [&](int64_t at) __attribute__((always_inline)) {
            const int value = p[at];
            for (;;) {
                // Most strings are not followed by their first pixel again.
                if (at + 1 >= n || p[at + 1] != value) return at;
                const int length = Runs.Length[value];
                if (length < TLZWRuns::FollowFrom || at + length > n ||
                    !TLZWRuns::AllValue(p + at + 1, length - 1, value))
                    return at;
                prefix = Runs.Top[value];
                at += length - 1;
                if (at + 1 >= n || p[at + 1] != value) return at;
                ++at;
                // Not found: the run is the longest; Find gives the slot.
                uint32_t slot = 0;
                table.Find(prefix, value, slot);
                endString(value, slot);
            }
        };
        if constexpr (!UseLeaps) {
            for (; i < n; ++i) {
                const int pixel = p[i];
                if (CheckColors && pixel >= NumColors) {
                    save();
                    ColorNotInTable();
                }
                uint32_t slot;
                const int found = table.Find(prefix, pixel, slot);
                if (found >= 0) {
                    prefix = found;
                    continue;
                }
                endString(pixel, slot);
                if constexpr (FollowRuns) i = followRun(i);
            }
        } else {
            // The anchor is where the walk stood at anchorAt: at the start
            // of a string and every eighth pixel after. Its leap is tried
            // first, then single pixels until the next anchor or the end
            // of the string, which then leaves its path as the leap.
            const int64_t lastLeapAt = n - 8; // a leap reads 8 pixels
            int anchor = prefix;
            int64_t anchorAt = i;
            while (i < n) {
                const bool leapsHere = anchorAt <= lastLeapAt;
                TLeap& leap = Leaps[table.Code(anchor)];
                if (leapsHere && ((Load8(p + i) ^ leap.Pixels) & ByteMask(leap.Count)) == 0) {
                    prefix = leap.Target;
                    i += leap.Count;
                }
                const int64_t stop = std::min(anchorAt + 8, n);
                bool ended = false;
                for (; i < stop; ++i) {
                    const int pixel = p[i];
                    uint32_t slot;
                    const int found = table.Find(prefix, pixel, slot);
                    if (found >= 0) {
                        prefix = found;
                        continue;
                    }
                    // Before the string ends: a clear there voids the leap
                    // with the anchor's code.
                    if (leapsHere && i > anchorAt)
                        leap = {Load8(p + anchorAt), prefix, static_cast<int32_t>(i - anchorAt)};
                    endString(pixel, slot);
                    ++i;
                    ended = true;
                    break;
                }
                if (!ended && leapsHere && i == anchorAt + 8) leap = {Load8(p + anchorAt), prefix, 8};
                anchor = prefix;
                anchorAt = i;
            }
        }
        save();
    });
    OutputCode(table.Code(Prefix));
    GrowCodeWidth();
}
