#pragma once
// The platform palette made from a GIF colour table, for frame bitmaps and
// the image.

#include "Geometry.h"

class TGIFColorMap;

// The palette flag that keeps an entry from being merged with an equal one
// of the system palette.
inline constexpr uint8_t PaletteNoCollapse = 4;

// The table's entries, each marked no-collapse.
TPalette GIFPaletteOf(const TGIFColorMap& colors);
