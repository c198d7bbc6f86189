#pragma once
// The fixed palettes of colour reduction and dithered rendering: the 216-colour
// web palette, the 20 static colours of the default palette, the halftone
// palette and grey ramps.

#include "Geometry.h"

#include <cstdint>

// The web palette: red, green and blue each take the levels 0, 51, ..., 255;
// entry 36 × red level + 6 × green level + blue level, so red changes slowest.
inline constexpr int WebPaletteSize = 216;
const TPalette& WebPalette();

// The nearest web level (0..5) of a component. The nearest level, not
// (c + 3) div 51, which maps 28..50 to 0 and loses 5 dB on real pictures.
constexpr int WebLevel(int component) {
    return (component + 25) / 51;
}
constexpr int WebIndex(int red, int green, int blue) {
    return 36 * WebLevel(red) + 6 * WebLevel(green) + WebLevel(blue);
}

// The 20 static colours of the default palette, in its order: the first ten
// sit at entries 0-9 and the last ten at 246-255 of a 256-entry palette.
inline constexpr int StaticColorCount = 20;
const TPalette& StaticColors();

// The halftone palette of a 256-colour screen: the first ten static colours,
// the 216 web colours, 20 greys between the web levels, the last ten static
// colours.
const TPalette& HalftonePalette();

// count greys from black to white, evenly spread (count >= 2).
TPalette GreyPalette(int count);
// The four greys of the grey-scale reduction: 0, 128, 192, 255.
TPalette FourGreyPalette();
