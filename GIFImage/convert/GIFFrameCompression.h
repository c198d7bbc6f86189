#pragma once
// How a frame of an animation being made is compressed: each of the forms
// it may be drawn in (see TFrameForm) as it is, and with a loss allowed the
// lossy compressor's choices from each, the smallest winning.

#include "GIFLZWLookAhead.h"
#include "GIFLossyLZWEncoder.h"

#include <cstdint>
#include <vector>

// A frame's indices compressed into image data (code size bits, a table of
// colors entries), in rows from the top or in interlaced order.
std::vector<uint8_t> CompressIndices(const std::vector<uint8_t>& indices, int width, int height, int bits,
                                     int colors, bool keepFullTable = false, TLZWLookAhead lookAhead = {},
                                     bool interlaced = false);

// A frame's image data as written, the row order it is in, and the code
// size and transparent index (-1: none) it was made for.
struct TCompressedFrame {
    std::vector<uint8_t> Data;
    bool Interlaced = false;
    int Bits = 8;
    int TransparentIndex = -1;
};

// What a lossy compressor may do with one frame: per pixel what it shows
// and what shows beneath, and the colours of the table's entries.
struct TLossyFrame {
    std::vector<TLossyPixel> Pixels;
    std::vector<uint32_t> Colours;
    int Transparent = -1;
    int MaxError = 0;
};

// One way to draw a frame: indices that show it exactly, those the lossy
// compressor starts from (empty: the same), and whether the compressor's
// exact choices start from it too (from other forms they came out the
// same on every kind of sequence measured).
struct TFrameForm {
    std::vector<uint8_t> Indices;
    std::vector<uint8_t> LossyStart;
    bool ExactChoices = false;
};

// The smallest compressed image data among a frame's forms as they are;
// with a loss allowed, the lossy compressor's choices from each form's
// start, for a code table cleared when full or one kept; and then
// (this rewrites what the lossy frame wants) the compressor's choices that
// show exactly what the forms that ask for them show: the transparent
// index moved to where the screen beneath shows the same colour, or away
// from it, as the strings run longer. Last, the smallest of them compressed
// by looking ahead, and in interlaced row order, where that is smaller.
TCompressedFrame CompressFrame(const std::vector<TFrameForm>& forms, int width, int height, int bits,
                               TLossyFrame* lossy);
