#pragma once
// The LZW compressor: the longest string already in the table is sent as one
// code; the table is cleared instead of assigning code 4095, so that codes
// stay within 12 bits.

#include "GIFChildTable.h"
#include "GIFEncoder.h"
#include "GIFStringTable.h"

#include <algorithm>

// The longest run of each value that a code table holds: its node, the node
// a pixel shorter, and its length. A value's runs are made a pixel longer at
// a time, each from the one before, so every shorter run is there too, and
// a run as long as the longest, followed whole, gives the codes that a
// lookup a pixel would.
struct TLZWRuns {
    // Shorter runs are followed pixel by pixel: a lookup each costs about
    // what checking them costs.
    static constexpr int FollowFrom = 4;

    int Top[256];
    int BelowTop[256];
    int Length[256];

    // After a clear, each value's longest run is the value itself.
    template <class TTable> void Clear() {
        for (int value = 0; value < 256; ++value) {
            Top[value] = TTable::Node(value);
            BelowTop[value] = -1;
            Length[value] = 1;
        }
    }
    // The string node + pixel has been made as made.
    void Made(int node, int pixel, int made) {
        if (node != Top[pixel]) return;
        BelowTop[pixel] = node;
        Top[pixel] = made;
        ++Length[pixel];
    }
    // Whether the count pixels from p all have value.
    static bool AllValue(const uint8_t* p, int64_t count, int value);
};

class TLZWEncoder : public TGIFEncoder {
protected:
    // Sends the clear code at the current width and starts a fresh table.
    void Clear() override;
    void DoCompress() override;

    // After each code: widens the codes when the next free code no longer
    // fits, never beyond 12 bits.
    void GrowCodeWidth() {
        if (NextCode > MaxCode) {
            ++CodeWidth;
            MaxCode = CodeWidth >= 12 ? 4096 : (1 << CodeWidth) - 1;
        }
    }
    // Where the code next - 1 was just made and no longer fits the width or
    // the table: as after each code, the width grows when it no longer
    // fits, and at 4095 the table is cleared instead, unless a full table
    // is kept (then code 4095 stays, the last the table takes). NextCode is
    // then next, or the first free code after the clear.
    void CodeMade(int next);
    // The next code past which CodeMade must run.
    int SlowAbove() const { return std::min(MaxCode + 1, 4095); }
    // Calls use(table) with the table for the frame's palette, which the
    // clear then resets: small palettes index their children directly.
    // Pixels at or above the colour count fail before such a table is used.
    template <class Use> void WithTable(Use&& use) {
        if (NumColors <= 4 && BitsPerPixel <= 2) {
            Kind = TTableKind::Fan4;
            use(Table4);
        } else if (NumColors <= 16 && BitsPerPixel <= 4) {
            Kind = TTableKind::Fan16;
            use(Table16);
        } else {
            Kind = TTableKind::Hashed;
            use(Table);
        }
    }
    int NextCode = 0;
    // The longest runs of the table in use (see TLZWRuns), kept from the
    // clear on by encoders that follow runs whole.
    TLZWRuns Runs;

private:
    // The loop over the pixels; with UseLeaps, strings may also be followed
    // several pixels at a time (see TLeap); with FollowRuns, runs of one
    // value whole (see TLZWRuns).
    template <bool CheckColors, bool UseLeaps, bool FollowRuns, class TTable> void Encode(TTable& table);
    template <class TTable> void CompressWith(TTable& table);
    // Whether at least three pixels in four repeat the one before (in the
    // rows as stored): then following runs pays; a photograph's loop would
    // only carry its checks.
    bool MostlyRuns() const;
    void EncodeRun(int value, int64_t count);
    // Empties the leaps of the single-pixel codes, after a clear.
    template <class TTable> void ClearLeaps(const TTable& table);

    // Which table the clear resets: the hashed one, or a child table (with
    // leaps) for palettes of up to 4 or 16 colours.
    enum class TTableKind { Hashed, Fan4, Fan16 };
    TTableKind Kind = TTableKind::Hashed;
    TLZWStringTable Table;
    TLZWChildTable<4> Table4;
    TLZWChildTable<16> Table16;

    // A way past pixel-by-pixel lookups on runs and repeated patterns, which
    // small palettes have most: the string of a code followed by the Count
    // pixels in Pixels (at most 8, first in the lowest byte) is in the table
    // as node Target. Leaps are made from the code where a walk stood at
    // every eighth pixel of a string, and stay true until the next clear,
    // as the table only grows until then. Following one gives the same
    // codes as the lookups it saves.
    struct TLeap {
        uint64_t Pixels;
        int32_t Target;
        int32_t Count;
    };
    TLeap Leaps[TLZWStringTable::MaxCodes];
    int Prefix = 0; // a node of the table in use
};
