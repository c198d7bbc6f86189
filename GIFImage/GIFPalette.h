#pragma once
// Platform palettes for frames and images: made from a GIF colour table, or
// the fixed 216-colour web palette that frames are dithered to.

#include "Geometry.h"

class TGIFColorMap;

// The palette flag that keeps an entry from being merged with an equal one
// of the system palette.
inline constexpr uint8_t PaletteNoCollapse = 4;

// The table's entries, each marked no-collapse.
TPalette GIFPaletteOf(const TGIFColorMap& colors);
// 216 entries: red, green and blue each on the levels 0, 51, ..., 255;
// entry 36 × red level + 6 × green level + blue level; no flags.
TPalette GIFWebPalette();
