#pragma once
// The best palette of colour reduction (method 10, tvgif --method best).

#include "GIFPaletteChoice.h"
#include "Geometry.h"

#include <cstdint>
#include <vector>

// Method 10's palette: a variance-splitting palette refined by k-means on
// the picture's distinct colours; the octree palette instead when its error
// is smaller, so it is never worse than method 7.
TPalette CreateBestPalette(const TRgbPixels& picture, int colors, const TTransparencyMask* mask = nullptr,
                           const TReductionProgress& progress = {});

// A colour (0x00RRGGBB) with the number of pixels that show it.
struct TWeightedColor {
    uint32_t Color;
    uint32_t Count;
};

// Method 10's palette of at most colors entries for distinct colours given
// with their counts: the colours themselves when they fit, else a
// variance-splitting palette refined by k-means.
TPalette CreateBestPalette(const std::vector<TWeightedColor>& histogram, int colors);
