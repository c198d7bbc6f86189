#include "GIFLossyLZWEncoder.h"

#include "GIFException.h"
#include "GIFMessages.h"

#include <algorithm>
#include <climits>
#include <cstring>

// The rows of the table are cleared as their codes are made: a frame of few
// codes touches few of its pages.
TLossyLZWEncoder::TLossyLZWEncoder() : Child(new uint16_t[static_cast<size_t>(MaxCodes) * 256]) {}

void TLossyLZWEncoder::ClearTable() {
    std::fill_n(Child.get(), static_cast<size_t>(FirstFreeCode) * 256, uint16_t{0});
    for (int code = 0; code < FirstFreeCode; ++code) {
        FirstChild[code] = NoNode;
        Parent[code] = NoNode;
        Value[code] = static_cast<uint8_t>(code);
    }
    NextCode = FirstFreeCode;
}

// As TLZWEncoder: the code that would be 4095 is never made; the table is
// cleared instead. A kept table takes code 4095 and then no more.
void TLossyLZWEncoder::AddString(int prefix, int pixel) {
    if (KeepFullTable ? NextCode >= MaxCodes : NextCode > 4094) {
        if (!KeepFullTable) ClearTable();
        return;
    }
    const int code = NextCode++;
    Child[static_cast<size_t>(prefix) * 256 + static_cast<size_t>(pixel)] = static_cast<uint16_t>(code);
    std::fill_n(Child.get() + static_cast<ptrdiff_t>(code) * 256, 256, uint16_t{0});
    FirstChild[code] = NoNode;
    Parent[code] = prefix;
    Value[code] = static_cast<uint8_t>(pixel);
    NextSibling[code] = FirstChild[prefix];
    FirstChild[prefix] = code;
}

int TLossyLZWEncoder::ErrorOf(int index, const TLossyPixel& pixel) const {
    if (index == pixel.Exact) return 0;
    const uint32_t colour = index == Transparent ? pixel.Beneath : (*Colours)[static_cast<size_t>(index)];
    if (colour == TLossyPixel::NoColour || pixel.Wanted == TLossyPixel::NoColour) return INT_MAX;
    const int dr = static_cast<int>((colour >> 16) & 0xFF) - static_cast<int>((pixel.Wanted >> 16) & 0xFF);
    const int dg = static_cast<int>((colour >> 8) & 0xFF) - static_cast<int>((pixel.Wanted >> 8) & 0xFF);
    const int db = static_cast<int>(colour & 0xFF) - static_cast<int>(pixel.Wanted & 0xFF);
    return std::max(0, dr * dr + dg * dg + db * db - pixel.FreeError);
}

// Depth first, the exact child before the others; node stands for the
// pixels before position.
void TLossyLZWEncoder::Search(int node, size_t position, int64_t error) {
    if (position > BestEnd || (position == BestEnd && error < BestError)) {
        BestEnd = position;
        BestError = error;
        BestNode = node;
    }
    if (position == Pixels->size()) return;
    const TLossyPixel& pixel = (*Pixels)[position];
    const int exact = Child[static_cast<size_t>(node) * 256 + static_cast<size_t>(pixel.Exact)];
    if (exact) Search(exact, position + 1, error);
    for (int child = FirstChild[node]; child != NoNode; child = NextSibling[child]) {
        if (Evaluations >= SearchLimit) return;
        if (child == exact) continue;
        ++Evaluations;
        const int e = ErrorOf(Value[child], pixel);
        if (e <= Budget) Search(child, position + 1, error + e);
    }
}

std::vector<uint8_t> TLossyLZWEncoder::Choose(const std::vector<TLossyPixel>& pixels,
                                              const std::vector<uint32_t>& colours, int transparentIndex,
                                              int bitsPerPixel, int maxError) {
    const int bits = std::max(bitsPerPixel, 2);
    FirstFreeCode = (1 << bits) + 2;
    Pixels = &pixels;
    Colours = &colours;
    Transparent = transparentIndex;
    Budget = int64_t{maxError} * maxError;
    ClearTable();

    std::vector<uint8_t> chosen(pixels.size());
    StringCount = 0;
    size_t position = 0;
    while (position < pixels.size()) {
        const int first = pixels[position].Exact;
        if (first < 0 || first >= static_cast<int>(colours.size()) || first >= (1 << bits))
            throw GIFException(GIFMessages::ColorNotInTable);
        BestEnd = 0;
        Evaluations = 0;
        Search(first, position + 1, 0);
        // The string must not stop where the exact pixel would continue it,
        // or the usual encoder would parse the chosen pixels otherwise.
        while (BestEnd < pixels.size()) {
            const int next =
                Child[static_cast<size_t>(BestNode) * 256 + static_cast<size_t>(pixels[BestEnd].Exact)];
            if (!next) break;
            BestNode = next;
            ++BestEnd;
        }
        for (int node = BestNode, at = static_cast<int>(BestEnd) - 1; node != NoNode;
             node = Parent[node], --at)
            chosen[static_cast<size_t>(at)] = Value[node];
        position = BestEnd;
        ++StringCount;
        if (position < pixels.size()) AddString(BestNode, pixels[position].Exact);
    }
    return chosen;
}
