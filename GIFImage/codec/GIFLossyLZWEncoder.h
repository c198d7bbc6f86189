#pragma once
// Lossy LZW: chooses a frame's colour indices so that LZW strings grow
// longer, letting a string go on through a pixel whose colour is close
// enough to the one wanted there. It keeps the string table exactly as
// TLZWEncoder builds it, and a string it chooses stops only where no child
// of the string is close enough to the next pixel; the indices it returns
// therefore compress with TLZWEncoder into the very codes it chose, and the
// frame is written by the usual encoder.

#include "GIFZeroedPages.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <utility>
#include <vector>

// What one pixel may show: the index of the lossless frame, the colour the
// screen should show (0xFFRRGGBB; NoColour: the pixel keeps that index),
// and the colour the transparent index would show there (the screen
// beneath), or NoColour where the transparent index may only stand where
// the lossless frame has it.
struct TLossyPixel {
    static constexpr uint32_t NoColour = 0;
    uint32_t Wanted = NoColour;
    uint32_t Beneath = NoColour;
    // An index of 8 bits and a squared RGB distance (at most 3 x 255 x 255)
    // share a word: a large frame holds one of these per pixel.
    uint32_t Exact : 8 = 0;
    // The squared distance from Wanted that counts as no error: where
    // Wanted is the true colour rather than the exact one, about the exact
    // index's own error, so that another index counts only what it adds.
    uint32_t FreeError : 24 = 0;
};
static_assert(sizeof(TLossyPixel) == 12);

class TLossyLZWEncoder {
public:
    TLossyLZWEncoder();

    // This thread's encoder, its settings as a new one's. Its tables (3 MB)
    // are large to make and clear: a frame of a small animation took as
    // long to fault their pages in as to search its strings.
    static TLossyLZWEncoder& OfThisThread();

    // Chooses an index per pixel (in the order the encoder walks them) for
    // a table of colours (0xFFRRGGBB) with transparentIndex (-1 for none)
    // and a code size of bitsPerPixel. A pixel other than its exact index
    // takes a colour within maxError (Euclidean RGB distance) of the one
    // wanted; the longest string wins, then the smallest error (or, with
    // CodeError, the most pixels per error).
    std::vector<uint8_t> Choose(const std::vector<TLossyPixel>& pixels, const std::vector<uint32_t>& colours,
                                int transparentIndex, int bitsPerPixel, int maxError);

    // The strings (codes other than clear and end) the last Choose made.
    int Strings() const { return StringCount; }

    // Follows an encoder that keeps its full table (TGIFEncoder::
    // KeepFullTable) instead of clearing it: the long strings a lossy
    // choice makes keep serving.
    bool KeepFullTable = false;

    // Whether the error a pixel makes is handed on to the next pixel of the
    // string, which may then move only as far as maxError from its colour
    // plus what it was handed.
    enum class TErrorCarry {
        None,
        // Half of it, everywhere: a long run of errors in one direction
        // stays within half of maxError.
        Half,
        // All of it, but only inside a run of one colour, past its first
        // pixels: a string may not move a flat area's colour for long (a
        // band the eye sees, and a loss spread over a whole screen of flat
        // colour), while over texture each pixel takes its own error.
        AlongRuns,
    };
    TErrorCarry Carry = TErrorCarry::None;
    // With AlongRuns, a run's first pixels may each move as far as maxError
    // allows, about this far together (four pixels at maxError 19); past
    // them a string's errors add up. On four corpus sets, 76 met the aim of
    // at most 0.9 times gifsicle's --lossy bytes at no lower PSNR on 4 more
    // file and level pairs than a fixed four pixels, as many as 60, and one
    // more than 100.
    static constexpr int RunFreeDistance = 76;
    // A string may also start with an index other than the exact one
    // (within maxError; with none allowed, transparent where the screen
    // beneath shows the pixel's colour, or that colour where it is
    // transparent).
    bool OtherFirstPixels = false;
    // The squared error worth one code: above 0, the string with the most
    // pixels per (a code's error plus its own) wins, not the longest.
    int64_t CodeError = 0;
    // A node with more children than this has them found through the
    // pixel's list of entries within the loss rather than by walking them
    // all; either way the search finds the same strings. (Walking paid up
    // to eight children: a scrolling page took a tenth less time.)
    static constexpr int DefaultListedFrom = 8;
    int ListedFrom = DefaultListedFrom;

    // The squared RGB error of a drawing (as Choose returns it) against
    // what pixels wants, counting what FreeError forgives.
    int64_t SquaredError(const std::vector<TLossyPixel>& pixels, const std::vector<uint8_t>& drawing,
                         const std::vector<uint32_t>& colours, int transparentIndex);
    // The same, each pixel's error weighted.
    double WeightedSquaredError(const std::vector<TLossyPixel>& pixels, const std::vector<uint8_t>& drawing,
                                const std::vector<uint32_t>& colours, int transparentIndex,
                                const std::vector<float>& weights);

private:
    static constexpr int MaxCodes = 4096;
    static constexpr int NoNode = -1;
    // Child evaluations allowed in the search for one string: the search
    // goes deep along the closest child first, so this bounds the time on
    // pictures where many colours are near each other.
    // The searches from first pixels other than the exact one share as
    // many again.
    static constexpr int SearchLimit = 400;

    void ClearTable();
    int AddString(int prefix, int pixel);
    void Relabel(int prefix, int code, int pixel);
    // A colour's difference from the one wanted, per channel.
    struct TColourError {
        int R = 0, G = 0, B = 0;
        int Squared() const { return R * R + G * G + B * B; }
        // From colour b to colour a (0xRRGGBB).
        static TColourError Between(uint32_t a, uint32_t b) {
            return {static_cast<int>((a >> 16) & 0xFF) - static_cast<int>((b >> 16) & 0xFF),
                    static_cast<int>((a >> 8) & 0xFF) - static_cast<int>((b >> 8) & 0xFF),
                    static_cast<int>(a & 0xFF) - static_cast<int>(b & 0xFF)};
        }
    };
    bool DifferenceOf(int index, const TLossyPixel& pixel, TColourError& d) const;
    int ErrorOf(int index, const TLossyPixel& pixel) const;
    int DrawnError(int index, const TLossyPixel& pixel) const;
    // What the pixel at position hands on to the next, of its error d and
    // the error carry it was handed.
    TColourError Carried(TColourError carry, TColourError d, size_t position) const {
        if (Carry == TErrorCarry::Half)
            return {(carry.R + d.R) / 2, (carry.G + d.G) / 2, (carry.B + d.B) / 2};
        if (Carry == TErrorCarry::AlongRuns && position + 1 < InRun.size() && InRun[position + 1])
            return {carry.R + d.R, carry.G + d.G, carry.B + d.B};
        return {};
    }
    // For AlongRuns: whether each pixel lies past the first pixels of a run
    // of one colour wanted, those that move freely.
    void MarkRuns(int maxError);
    std::vector<uint8_t> InRun;
    void Search(int node, size_t position, int64_t error, TColourError carry);
    void SearchListed(int node, size_t position, int64_t error, TColourError carry, int exact);
    // The entries other than the exact one whose colour a pixel may take
    // (the count first, at most 255 of them), listed when first asked for.
    // The lists of the last WithinSlots positions are kept, as far as a
    // string's search reaches (it covers at most 4096 pixels), in memory
    // that does not grow with the frame (a frame holds fewer than 2^32
    // pixels).
    const uint8_t* EntriesWithin(size_t position);
    static constexpr size_t WithinSlots = 4096;
    static constexpr size_t WithinSlotSize = 256;
    static constexpr uint32_t NotListed = UINT32_MAX;
    std::vector<uint32_t> WithinOf;
    std::unique_ptr<uint8_t[]> WithinLists;
    // The table's entries (the transparent one aside) by red, for listing.
    std::vector<std::pair<uint8_t, uint8_t>> ByRed;
    void ListSameColours();
    void ListNearFirsts(int entry, int rootCount);
    bool CannotWin(int node, size_t position, int64_t error) const;
    std::vector<int> NearFrom;
    std::vector<int> NearTo;
    std::vector<uint8_t> NearList;
    // Without a loss allowed: the table's entries (the transparent one
    // aside) by colour.
    std::vector<std::pair<uint32_t, int>> ByColour;

    // The string table as a tree: the child of code c for pixel p at
    // Child[c * 256 + p] (0: none), and for walking the children, the
    // first child and the next sibling of each code.
    TZeroedArray<uint16_t> Child;
    int FirstChild[MaxCodes];
    int NextSibling[MaxCodes];
    int Parent[MaxCodes];
    uint8_t Value[MaxCodes];
    // How many children each code has, and for each code its place among
    // its parent's children in the order they were made (the sibling list
    // runs from the last made to the first).
    int ChildCount[MaxCodes];
    int Ordinal[MaxCodes];
    // The length of the longest string below each code.
    int Height[MaxCodes];
    int FirstFreeCode = 0;
    // The codes made since the table was last cleared: MadeFrom to NextCode.
    int MadeFrom = 0;
    int NextCode = 0;
    int StringCount = 0;

    // The search in progress.
    const std::vector<TLossyPixel>* Pixels = nullptr;
    const std::vector<uint32_t>* Colours = nullptr;
    int Transparent = -1;
    int64_t Budget = 0;
    size_t Start = 0;
    int Evaluations = 0;
    size_t BestEnd = 0;
    int64_t BestError = 0;
    int BestNode = 0;
    int BestRoot = 0;
    int Root = 0;
};
