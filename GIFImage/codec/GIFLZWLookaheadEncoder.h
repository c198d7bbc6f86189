#pragma once
// The LZW compressor that looks ahead. A decoder takes any string of the
// table, not only the longest one: where a string a pixel or a few shorter
// lets the strings after it run longer, sending it saves codes, though the
// code the decoder then makes is wasted (the table holds its string
// already). Where the string after a shorter one already ends beyond the
// string after the longest, this encoder follows both with a few codes of
// the plain encoder and sends whichever covered more pixels; ties go to the
// longer.
//
// Slower than TLZWEncoder, and not always smaller (the strings it leaves
// out of the table can be the ones a later row wanted), so callers keep
// whichever of the two is smaller.

#include "GIFLZWEncoder.h"
#include "GIFLZWLookAhead.h"

#include <cstdint>
#include <vector>

// The longest match from a pixel, as the encoder walks to it.
struct TLZWLookaheadMatch;

class TLZWLookaheadEncoder : public TLZWEncoder {
public:
    // How far it looks: ShorterBy 1 to TLZWLookAhead::MaxShorterBy,
    // CodesAhead 1 to TLZWLookAhead::MaxCodesAhead.
    TLZWLookAhead LookAhead{1};

protected:
    void DoCompress() override;

private:
    template <class TTable> void EncodeWith(TTable& table, const uint8_t* pixels, int64_t count);
    // How far the plain encoder's codes reach from pixel at, after the
    // string node was sent: added to the table at addedSlot (with the pixel
    // at) where that is not negative, else as a wasted code, and then the
    // longest match from at is first (where not null: found already). The
    // strings the walk adds are taken out again.
    template <class TTable>
    int64_t Reach(TTable& table, const uint8_t* pixels, int64_t count, int64_t at, int node,
                  int64_t addedSlot, const TLZWLookaheadMatch* first);

    // The pixels in GIF order, where an interlaced frame needs them copied.
    std::vector<uint8_t> Ordered;
};
