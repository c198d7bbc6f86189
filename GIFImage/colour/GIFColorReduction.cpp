#include "GIFColorReduction.h"

#include "GIFBestPalette.h"
#include "GIFColorQuantizer.h"
#include "GIFPalettes.h"

#include <algorithm>

namespace {

int ColorsOfBits(int bits) {
    return 1 << std::clamp(bits, 1, 8);
}

} // namespace

std::unique_ptr<TColorLookup> CreateReductionLookup(int method, const TRgbPixels& picture,
                                                    const TPalette& given, int reductionBits,
                                                    const TTransparencyMask* mask,
                                                    const TReductionProgress& progress) {
    // With transparent pixels, one entry stays free for them.
    const int colors = mask ? std::min(ColorsOfBits(reductionBits), 255) : ColorsOfBits(reductionBits);
    switch (method) {
    case rmWindows20:
        return std::make_unique<TSlowColorLookup>(StaticColors());
    case rmWindows256:
        return std::make_unique<TSlowColorLookup>(HalftonePalette());
    case rmWindowsGray:
        return std::make_unique<TSlowColorLookup>(FourGreyPalette());
    case rmMonochrome:
        return std::make_unique<TMonochromeLookup>();
    case rmGrayScale:
        return std::make_unique<TGrayScaleLookup>();
    case rmNetscape:
        return std::make_unique<TNetscapeColorLookup>();
    case rmQuantize:
        return std::make_unique<TSlowColorLookup>(CreateOptimizedPalette(picture, colors, 8, false, mask));
    case rmQuantizeWindows:
        return std::make_unique<TSlowColorLookup>(CreateOptimizedPalette(picture, 256, 8, true, mask));
    case rmPalette:
        return std::make_unique<TSlowColorLookup>(
            given.size() > 256 ? TPalette(given.begin(), given.begin() + 256) : given);
    case rmBest:
        return std::make_unique<TSlowColorLookup>(CreateBestPalette(picture, colors, mask, progress));
    default:
        return nullptr;
    }
}
