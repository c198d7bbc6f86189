#pragma once
// Colour reduction: the palettes and lookups of the reduction methods, by
// which a picture of any depth becomes one of at most 256 colours (with one
// of the seven dither modes; GIFPictureReduction.h does it to Qt's pictures).
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

#include <memory>
#include <vector>

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
std::unique_ptr<TColorLookup> CreateReductionLookup(int method, const TRgbPixels& picture,
                                                    const TPalette& given, int reductionBits,
                                                    const TTransparencyMask* mask = nullptr,
                                                    const TReductionProgress& progress = {});
