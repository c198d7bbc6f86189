#pragma once
// The pixels that a frame may leave transparent or draw in the colour the
// screen already shows there store smallest, mostly, when the values change
// as seldom as possible: the compressor's strings are made of runs and
// their repeats. Both optimisers that redraw frames choose so.

#include <cstddef>
#include <cstdint>
#include <vector>

// One of two values for each of count pixels (row after row, as the
// compressor reads them) so that the sequence has the fewest runs of one
// value. values(i, pair) gives pixel i's two candidates (equal when it has
// no choice). Keeps two bits a pixel to trace the choice back: a frame may
// hold tens of millions of pixels.
template <class Values> std::vector<uint8_t> FewestRunsOf(size_t count, Values values) {
    std::vector<uint8_t> form(count);
    if (count == 0) return form;
    // Pixel i's two bits, at bit 2 * (i % 4) of byte i / 4: whether the
    // fewest runs ending in its candidate k came from candidate 1 before.
    std::vector<uint8_t> from((count + 3) / 4);
    int runs[2] = {1, 1};
    int previous[2];
    values(size_t{0}, previous);
    for (size_t i = 1; i < count; ++i) {
        int candidates[2];
        values(i, candidates);
        unsigned moved = 0;
        int next[2];
        for (int k = 0; k < 2; ++k) {
            const int stay = runs[0] + (previous[0] != candidates[k] ? 1 : 0);
            const int move = runs[1] + (previous[1] != candidates[k] ? 1 : 0);
            next[k] = stay <= move ? stay : move;
            moved |= static_cast<unsigned>(move < stay) << k;
        }
        from[i / 4] = static_cast<uint8_t>(from[i / 4] | moved << (2 * (i % 4)));
        runs[0] = next[0];
        runs[1] = next[1];
        previous[0] = candidates[0];
        previous[1] = candidates[1];
    }
    int k = runs[1] < runs[0] ? 1 : 0;
    for (size_t i = count; i-- > 0;) {
        int candidates[2];
        values(i, candidates);
        form[i] = static_cast<uint8_t>(candidates[k]);
        k = (from[i / 4] >> (2 * (i % 4) + k)) & 1;
    }
    return form;
}
