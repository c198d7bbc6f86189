#pragma once
// Reducing an animation's colour tables to fewer colours: each table gets a
// palette of a reduction method chosen over the pixels of the frames that
// use it, and those frames are mapped (and dithered) onto it. Timing,
// placement, disposal and transparency stay as they were.

class TGIFImage;

// Leaves every table with at most colors (2..256) entries, the transparent
// one included. method: a colour reduction method 1..8 or 10 (rmBest); the
// methods that choose colours (7, 10) choose colors of them, the fixed
// palettes keep their colors most used entries. ditherMode 0..6. A table
// that already fits is left alone, and so is the whole image when a value
// is out of range. Indices outside their table read as entry 0, as
// painting reads them.
void ReduceGIFTables(TGIFImage& image, int colors, int method, int ditherMode);
