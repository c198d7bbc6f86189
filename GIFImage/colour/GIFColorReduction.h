#pragma once
// Colour reduction: a picture of any depth becomes an 8-bit picture of at
// most 256 colours, with the palette of a reduction method and one of the
// seven dither modes.
//
//   method  palette                                           lookup
//   0       none: a 24-bit copy                               -
//   1       the 20 static colours of the default palette      nearest entry
//   2       the halftone palette                              nearest entry
//   3       4 greys 0, 128, 192, 255                          nearest entry
//   4       black and white                                   monochrome
//   5       256 greys                                         grey
//   6       the 216 web colours                               web
//   7       2^bits colours of the picture (octree)            nearest entry
//   8       236 colours of the picture + the 20 static ones   nearest entry
//   9       a copy of the given palette                       nearest entry
//   10      2^bits colours of the picture: a variance-        nearest entry
//           splitting palette refined by k-means (or the octree
//           palette when that serves better); its ditherers diffuse
//           3/4 of the error. Our best quality (tvgif --method best).

#include "GIFColorLookup.h"
#include "GIFPaletteChoice.h"

#include <QImage>
#include <memory>
#include <vector>

class TBitmap;

enum TColorReduction : uint8_t {
    rmNone = 0,
    rmWindows20 = 1,
    rmWindows256 = 2,
    rmWindowsGray = 3,
    rmMonochrome = 4,
    rmGrayScale = 5,
    rmNetscape = 6,
    rmQuantize = 7,
    rmQuantizeWindows = 8,
    rmPalette = 9,
    rmBest = 10,
};
inline constexpr int ColorReductionCount = 11;

// The share of the error (in sixteenths) that the best method's ditherers
// diffuse.
inline constexpr int BestErrorScale = 12;

// The lookup (with its palette) of a method 1..10; null for 0 and others.
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
