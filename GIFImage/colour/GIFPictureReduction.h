#pragma once
// Colour reduction of Qt's pictures and the framework's bitmaps, through the
// palettes and lookups of GIFColorReduction.h.

#include "GIFBestPalette.h"
#include "GIFColorReduction.h"

#include <QImage>
#include <memory>

class TBitmap;

// The palette choices over a picture of any format.
TPalette CreateBestPalette(const QImage& picture, int colors, const TTransparencyMask* mask = nullptr,
                           const TReductionProgress& progress = {});
std::unique_ptr<TColorLookup> CreateReductionLookup(int method, const QImage& picture, const TPalette& given,
                                                    int reductionBits,
                                                    const TTransparencyMask* mask = nullptr,
                                                    const TReductionProgress& progress = {});

// Reduces picture: an 8-bit indexed picture with the method's palette as
// colour table, or, for method 0, a copy with 24 bits per pixel. A null
// picture for a method above 10 or a dither mode above 6. A palette without
// entries leaves every pixel 0.
QImage ReduceColors(const QImage& picture, int method, int ditherMode, const TPalette& given,
                    int reductionBits, const TTransparencyMask* mask = nullptr,
                    const TReductionProgress& progress = {});

// The same for the framework's bitmaps: an 8-bit bitmap with the palette, or
// a 24-bit copy for method 0; null for an unknown method or dither mode.
// The given bitmap is left as it is.
std::unique_ptr<TBitmap> ReduceColors(const TBitmap& bitmap, int method, int ditherMode,
                                      const TPalette& given, int reductionBits);
