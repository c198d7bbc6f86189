#include "GIFColorReduction.h"

#include "Bitmap.h"
#include "GIFBestPalette.h"
#include "GIFColorQuantizer.h"
#include "GIFDitherer.h"
#include "GIFPalettes.h"

#include <algorithm>

namespace {

int ColorsOfBits(int bits) {
    return 1 << std::clamp(bits, 1, 8);
}

} // namespace

std::unique_ptr<TColorLookup> CreateReductionLookup(int method, const QImage& picture, const TPalette& given,
                                                    int reductionBits, const TTransparencyMask* mask,
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

QImage ReduceColors(const QImage& picture, int method, int ditherMode, const TPalette& given,
                    int reductionBits, const TTransparencyMask* mask, const TReductionProgress& progress) {
    if (method < 0 || method >= ColorReductionCount || ditherMode < 0 || ditherMode >= DitherModeCount)
        return QImage();
    if (method == rmNone) return AsRGB888(picture);
    const QImage rgb = AsRGB888(picture);
    // Building the palette reports the first half of the progress for the
    // methods that search the picture.
    const bool searches = method == rmQuantize || method == rmQuantizeWindows || method == rmBest;
    TReductionProgress paletteProgress;
    if (progress && method == rmBest) paletteProgress = [&](int percent) { progress(percent / 2); };
    std::unique_ptr<TColorLookup> lookup =
        CreateReductionLookup(method, rgb, given, reductionBits, mask, paletteProgress);
    const int base = searches ? 50 : 0;
    if (progress) progress(base);

    QImage out(rgb.width(), rgb.height(), QImage::Format_Indexed8);
    out.fill(0);
    QList<QRgb> table;
    for (const TPaletteEntry& e : lookup->Palette()) table.push_back(qRgb(e.Red, e.Green, e.Blue));
    out.setColorTable(table);
    if (lookup->Colors() == 0) return out;

    auto ditherer = TDitherEngine::Create(ditherMode, rgb.width(), *lookup);
    // The best method's palette fits the picture closely; full diffusion
    // would mostly add noise to it.
    if (method == rmBest)
        if (auto* diffusion = dynamic_cast<TErrorDiffusionDitherer*>(ditherer.get()))
            diffusion->SetErrorScale(BestErrorScale);
    const int width = rgb.width();
    for (int y = 0; y < rgb.height(); ++y) {
        const uint8_t* in = rgb.constScanLine(y);
        uint8_t* indices = out.scanLine(y);
        const int64_t rowStart = int64_t{y} * width;
        for (int i = 0; i < width; ++i) {
            const int x = ditherer->Column();
            if (IsMasked(mask, rowStart + x)) {
                ditherer->Skip();
                continue;
            }
            indices[x] = static_cast<uint8_t>(ditherer->Dither(in[3 * x], in[3 * x + 1], in[3 * x + 2]));
        }
        ditherer->NextLine();
        if (progress && (y & 63) == 0) progress(base + (100 - base) * y / std::max(1, rgb.height()));
    }
    if (progress) progress(100);
    return out;
}

std::unique_ptr<TBitmap> ReduceColors(const TBitmap& bitmap, int method, int ditherMode,
                                      const TPalette& given, int reductionBits) {
    const QImage reduced = ReduceColors(bitmap.Image(), method, ditherMode, given, reductionBits);
    if (reduced.isNull() && !bitmap.Empty()) return nullptr;
    auto result = std::make_unique<TBitmap>();
    if (reduced.format() == QImage::Format_Indexed8) {
        result->Assign(reduced);
    } else {
        result->Assign(reduced.convertToFormat(QImage::Format_BGR888));
    }
    return result;
}
