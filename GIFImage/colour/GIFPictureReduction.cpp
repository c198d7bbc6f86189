#include "GIFPictureReduction.h"

#include "Bitmap.h"
#include "GIFDitherer.h"

#include <QList>
#include <algorithm>

namespace {

// The picture with 3 bytes per pixel, red first.
QImage AsRGB888(const QImage& picture) {
    return picture.format() == QImage::Format_RGB888 ? picture
                                                     : picture.convertToFormat(QImage::Format_RGB888);
}

// The pixels of an RGB888 picture, for as long as the picture lives.
TRgbPixels RgbPixelsOf(const QImage& rgb888) {
    return {rgb888.constBits(), rgb888.width(), rgb888.height(), rgb888.bytesPerLine()};
}

} // namespace

TPalette CreateBestPalette(const QImage& picture, int colors, const TTransparencyMask* mask,
                           const TReductionProgress& progress) {
    const QImage rgb = AsRGB888(picture);
    return CreateBestPalette(RgbPixelsOf(rgb), colors, mask, progress);
}

std::unique_ptr<TColorLookup> CreateReductionLookup(int method, const QImage& picture, const TPalette& given,
                                                    int reductionBits, const TTransparencyMask* mask,
                                                    const TReductionProgress& progress) {
    const QImage rgb = AsRGB888(picture);
    return CreateReductionLookup(method, RgbPixelsOf(rgb), given, reductionBits, mask, progress);
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
        CreateReductionLookup(method, RgbPixelsOf(rgb), given, reductionBits, mask, paletteProgress);
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
