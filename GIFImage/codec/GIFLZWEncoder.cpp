#include "GIFLZWEncoder.h"

#include <algorithm>
#include <bit>
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
        break;
    case TTableKind::Fan4:
        Table4.Clear(FirstFreeCode);
        ClearLeaps(Table4);
        break;
    case TTableKind::Fan16:
        Table16.Clear(FirstFreeCode);
        ClearLeaps(Table16);
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
    // palettes; elsewhere each failed one costs more than it saves.
    constexpr bool leaps = !std::is_same_v<TTable, TLZWStringTable>;
    if (AllPixelsInTable())
        Encode<false, leaps>(table);
    else
        Encode<true, false>(table);
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

template <bool CheckColors, bool UseLeaps, class TTable> void TLZWEncoder::Encode(TTable& table) {
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
