#include "GIFLZWLookaheadEncoder.h"

// The longest string of the table from pixels[at]: its length and node,
// the nodes of the strings up to TLZWLookAhead::MaxShorterBy pixels
// shorter, and the slot where it and the pixel after it would go.
struct TLZWLookaheadMatch {
    int64_t Length = 0;
    int Node = -1;
    uint32_t Slot = 0;
    // The walk's nodes by string length, the last ones kept round a ring;
    // where a run was matched whole only the string a pixel shorter is
    // known.
    static constexpr int Ring = 16;
    static_assert(Ring >= TLZWLookAhead::MaxShorterBy);
    int Passed[Ring];
    bool Walked = false;
    int BelowTop = -1;

    // The node of the string by pixels shorter, or -1.
    int Shorter(int by) const {
        if (by >= Length) return -1;
        if (!Walked) return by == 1 ? BelowTop : -1;
        return Passed[(Length - by) & (Ring - 1)];
    }
};

namespace {

// A run longer than the longest of its value that the table holds (runs)
// matches that longest run, found without walking along it.
template <class TTable>
TLZWLookaheadMatch Longest(const TTable& table, const TLZWRuns& runs, const uint8_t* pixels, int64_t count,
                           int64_t at) {
    TLZWLookaheadMatch match;
    const int value = pixels[at];
    const int longest = runs.Length[value];
    if (longest >= TLZWRuns::FollowFrom && at + longest < count &&
        TLZWRuns::AllValue(pixels + at + 1, longest, value)) {
        match.Length = longest;
        match.Node = runs.Top[value];
        match.BelowTop = runs.BelowTop[value];
        // Not found (the run is the longest): Find gives the slot.
        table.Find(match.Node, value, match.Slot);
        return match;
    }
    int node = TTable::Node(value);
    int64_t length = 1;
    match.Walked = true;
    for (; at + length < count; ++length) {
        const int found = table.Find(node, pixels[at + length], match.Slot);
        if (found < 0) break;
        match.Passed[length & (TLZWLookaheadMatch::Ring - 1)] = node;
        node = found;
    }
    match.Length = length;
    match.Node = node;
    return match;
}

} // namespace

void TLZWLookaheadEncoder::DoCompress() {
    // A frame of one value and one with a pixel outside the table (which
    // fails where the plain encoder fails) are the plain encoder's.
    if (!Data || !AllPixelsInTable()) {
        TLZWEncoder::DoCompress();
        return;
    }
    const int64_t count = int64_t{Width} * Height;
    const uint8_t* pixels = Data;
    if (Interlaced) {
        Ordered.clear();
        Ordered.reserve(static_cast<size_t>(count));
        WalkPixels([&](const uint8_t* row, int64_t n) { Ordered.insert(Ordered.end(), row, row + n); });
        pixels = Ordered.data();
    }
    // The plain encoder's tables; the strings tried ahead are taken out
    // again, and its clear starts each frame.
    WithTable([&](auto& table) { EncodeWith(table, pixels, count); });
}

template <class TTable>
int64_t TLZWLookaheadEncoder::Reach(TTable& table, const uint8_t* pixels, int64_t count, int64_t at, int node,
                                    int64_t addedSlot, const TLZWLookaheadMatch* first) {
    // The codes made here stand above those in use and are taken out again;
    // past the table's end nothing is added (a clear would come first).
    uint32_t added[TLZWLookAhead::MaxCodesAhead + 1];
    int addedCount = 0;
    // The longest runs that the added strings made longer, as they were.
    struct TRunBefore {
        int Pixel, Top, BelowTop, Length;
    } runsBefore[TLZWLookAhead::MaxCodesAhead + 1];
    int runsBeforeCount = 0;
    int next = NextCode;
    const auto add = [&](uint32_t slot, int prefix, int pixel) {
        if (next >= TTable::MaxCodes) return;
        table.Insert(slot, prefix, pixel, next);
        if (prefix == Runs.Top[pixel])
            runsBefore[runsBeforeCount++] = {pixel, Runs.Top[pixel], Runs.BelowTop[pixel],
                                             Runs.Length[pixel]};
        Runs.Made(prefix, pixel, TTable::Node(next));
        ++next;
        added[addedCount++] = slot;
    };
    if (addedSlot >= 0)
        add(static_cast<uint32_t>(addedSlot), node, pixels[at]);
    else
        ++next;
    for (int k = 0; k < LookAhead.CodesAhead && at < count; ++k) {
        const TLZWLookaheadMatch match = k == 0 && first ? *first : Longest(table, Runs, pixels, count, at);
        at += match.Length;
        if (at < count) add(match.Slot, match.Node, pixels[at]);
    }
    while (addedCount > 0) table.Remove(added[--addedCount]);
    while (runsBeforeCount > 0) {
        const TRunBefore& run = runsBefore[--runsBeforeCount];
        Runs.Top[run.Pixel] = run.Top;
        Runs.BelowTop[run.Pixel] = run.BelowTop;
        Runs.Length[run.Pixel] = run.Length;
    }
    return at;
}

template <class TTable>
void TLZWLookaheadEncoder::EncodeWith(TTable& table, const uint8_t* pixels, int64_t count) {
    Clear();
    int64_t at = 0;
    TLZWLookaheadMatch match = Longest(table, Runs, pixels, count, at);
    for (;;) {
        const int64_t after = at + match.Length;
        if (after == count) {
            OutputCode(TTable::Code(match.Node));
            break;
        }
        // A shorter string is weighed only where the string after it
        // already ends beyond the one after the longest; it adds nothing to
        // the table.
        int cut = 0; // pixels less than the longest
        TLZWLookaheadMatch next;
        if (match.Shorter(1) >= 0) {
            next = Longest(table, Runs, pixels, count, after);
            int64_t farthest = -1;
            for (int by = 1; by <= LookAhead.ShorterBy && match.Shorter(by) >= 0; ++by) {
                // Where it is weighed, its longest match is the first of its reach.
                const TLZWLookaheadMatch from = Longest(table, Runs, pixels, count, after - by);
                if (after - by + from.Length <= after + next.Length) continue;
                if (farthest < 0)
                    farthest = Reach(table, pixels, count, after, match.Node, match.Slot, nullptr);
                const int64_t reach = Reach(table, pixels, count, after - by, match.Shorter(by), -1, &from);
                if (reach > farthest) farthest = reach, cut = by;
            }
        }
        const bool shorter = cut > 0;
        OutputCode(TTable::Code(shorter ? match.Shorter(cut) : match.Node));
        // The decoder makes a code for every string but the last; only the
        // longest one's is new to the table.
        if (NextCode < TTable::MaxCodes) {
            if (!shorter) {
                table.Insert(match.Slot, match.Node, pixels[after], NextCode);
                Runs.Made(match.Node, pixels[after], TTable::Node(NextCode));
            }
            ++NextCode;
        }
        if (NextCode > SlowAbove()) CodeMade(NextCode);
        const bool cleared = NextCode == FirstFreeCode;
        // The string after the longest, found before the table took the
        // longest's, is still the longest there unless its walk stopped
        // where that string went in or the table was cleared.
        const bool nextHolds = next.Length > 0 && !shorter && !cleared && next.Slot != match.Slot;
        at = after - cut;
        match = nextHolds ? next : Longest(table, Runs, pixels, count, at);
    }
    GrowCodeWidth();
}
