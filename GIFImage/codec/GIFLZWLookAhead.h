#pragma once
// How far TLZWLookaheadEncoder looks when it chooses a frame's codes: it
// weighs strings up to ShorterBy pixels shorter than the longest match
// (0: it is not used, the plain encoder is), following each for CodesAhead
// codes of the plain encoder.

struct TLZWLookAhead {
    static constexpr int MaxShorterBy = 10;
    static constexpr int MaxCodesAhead = 8;
    // More codes ahead found a few bytes more on some sequences and fewer
    // on others, at several times the cost: callers that try more keep the
    // smallest.
    static constexpr int UsualCodesAhead = 3;

    // Sparse frames (particles) gain from several pixels shorter; elsewhere
    // one alone can store smaller, as the wasted codes add up: callers try
    // both where it pays.
    int ShorterBy = 0;
    int CodesAhead = UsualCodesAhead;

    TLZWLookAhead() = default;
    // (Not explicit: most callers give how many pixels shorter alone.)
    TLZWLookAhead(int shorterBy, int codesAhead = UsualCodesAhead)
        : ShorterBy(shorterBy), CodesAhead(codesAhead) {}
    bool Used() const { return ShorterBy > 0; }
    bool operator==(const TLZWLookAhead&) const = default;
};
