// Frame rendering: the frame's palette, its bitmap and mask, and drawing the
// frame onto a canvas.

#include "Bitmap.h"
#include "Canvas.h"
#include "Exceptions.h"
#include "GIFColorLookup.h"
#include "GIFColorMapPalette.h"
#include "GIFDIB.h"
#include "GIFDitherer.h"
#include "GIFGraphicControlExtension.h"
#include "GIFImage.h"
#include "GIFMessages.h"
#include "GIFPalettes.h"
#include "GIFRenderer.h"
#include "GIFSubImage.h"

#include <cstring>
#include <new>
#include <utility>
#include <vector>

TBitmap* TGIFSubImage::Bitmap() {
    if (FrameBitmap || Empty()) return FrameBitmap.get();
    try {
        BuildBitmap(OwnerImage && OwnerImage->DitheringWanted());
    } catch (const EAbort&) {
        FreeBitmap();
        return nullptr;
    } catch (...) {
        FreeBitmap();
        throw;
    }
    return FrameBitmap.get();
}

bool TGIFSubImage::HasMask() {
    if (NeedMask && Transparent()) {
        FreeBitmap();
        Bitmap();
    }
    return FrameMask != nullptr;
}

void TGIFSubImage::BuildBitmap(bool dither) {
    auto progress = [this](TProgressStage stage, int percent, bool redraw) {
        if (OwnerImage) OwnerImage->Progress(stage, percent, redraw, TRect{}, GIFMessages::Rendering);
    };
    progress(TProgressStage::Starting, 0, false);
    const int width = Width();
    const int height = Height();
    const TPalette palette = dither ? WebPalette() : Palette();
    TGIFDIB dib(width, height, 8, palette);
    const bool wantMask = NeedMask && Transparent();
    NeedMask = false;
    std::unique_ptr<TGIFMask> mask;
    int transparentIndex = -1;
    if (wantMask) {
        transparentIndex = GraphicControl->TransparentColorIndex();
        mask = std::make_unique<TGIFMask>(width, height);
    }
    bool anyTransparent = false;
    if (dither) {
        anyTransparent = DitherRows(dib, mask.get(), transparentIndex, progress);
    } else {
        std::vector<uint8_t> fillRow;
        for (int y = 0; y < height; ++y) {
            if (y % 32 == 0) progress(TProgressStage::Running, y * 100 / height, false);
            // Shared pixels stay shared, missing ones are not made.
            const uint8_t* row = ReadRow(y, fillRow);
            std::memcpy(dib.ScanLine(y), row, static_cast<size_t>(width));
            if (!mask) continue;
            for (int x = 0; x < width; ++x)
                if (row[x] == transparentIndex) {
                    mask->Set(x, y);
                    anyTransparent = true;
                }
        }
    }
    FrameMask = anyTransparent ? std::move(mask) : nullptr;
    auto bitmap = std::make_unique<TBitmap>();
    dib.AssignTo(*bitmap);
    FrameBitmap = std::move(bitmap);
    BitmapPalette = palette;
    const bool modified = OwnerImage && OwnerImage->PaletteModified;
    progress(TProgressStage::Ending, 100, modified);
    if (modified) {
        OwnerImage->PaletteModified = false;
        OwnerImage->Changed();
    }
}

bool TGIFSubImage::DitherRows(TGIFDIB& dib, TGIFMask* mask, int transparentIndex,
                              const std::function<void(TProgressStage, int, bool)>& progress) {
    const int width = Width();
    const int height = Height();
    // Indices beyond the table are black, as in the plain bitmap.
    TGIFColorMap& colors = ActiveColorMap();
    TPaletteEntry entries[256];
    for (int i = 0; i < 256; ++i) entries[i] = colors.Entry(i);
    // Transparent pixels keep the web colour nearest to the transparent
    // colour; only a draw without the mask shows it.
    const uint8_t fill =
        transparentIndex >= 0
            ? static_cast<uint8_t>(WebIndex(entries[transparentIndex].Red, entries[transparentIndex].Green,
                                            entries[transparentIndex].Blue))
            : 0;
    TNetscapeColorLookup lookup;
    TFloydSteinbergDitherer ditherer(width, lookup);
    std::vector<uint8_t> fillRow;
    bool anyTransparent = false;
    for (int y = 0; y < height; ++y) {
        if (y % 32 == 0) progress(TProgressStage::Running, y * 100 / height, false);
        const uint8_t* row = ReadRow(y, fillRow);
        uint8_t* out = dib.ScanLine(y);
        // Serpentine: the ditherer walks even rows left to right and odd
        // rows right to left; the mask bits are set in its walking order.
        for (int n = 0; n < width; ++n) {
            const int x = ditherer.Column();
            const uint8_t index = row[x];
            if (mask && index == transparentIndex) {
                mask->Set(x, y);
                anyTransparent = true;
                out[x] = fill;
                ditherer.Skip();
                continue;
            }
            const TPaletteEntry& c = entries[index];
            out[x] = static_cast<uint8_t>(ditherer.Dither(c.Red, c.Green, c.Blue));
        }
        ditherer.NextLine();
    }
    return anyTransparent;
}

TRect TGIFSubImage::ScaleRect(const TRect& rect) const {
    const int screenWidth = OwnerImage && OwnerImage->Width() > 0 ? OwnerImage->Width() : Width();
    const int screenHeight = OwnerImage && OwnerImage->Height() > 0 ? OwnerImage->Height() : Height();
    return ScaleScreenArea(TRect::FromSize(Left(), Top(), Width(), Height()), screenWidth, screenHeight,
                           rect);
}

void TGIFSubImage::Draw(TCanvas& canvas, const TRect& rect, bool tiled, bool transparent) {
    if (!tiled) {
        DrawAreas(canvas, {ScaleRect(rect)}, transparent);
        return;
    }
    StretchDraw(canvas, rect, true, transparent);
}

void TGIFSubImage::StretchDraw(TCanvas& canvas, const TRect& rect, bool tiled, bool transparent) {
    if (!tiled) {
        DrawAreas(canvas, {rect}, transparent);
        return;
    }
    const int screenWidth = OwnerImage && OwnerImage->Width() > 0 ? OwnerImage->Width() : Width();
    const int screenHeight = OwnerImage && OwnerImage->Height() > 0 ? OwnerImage->Height() : Height();
    if (screenWidth <= 0 || screenHeight <= 0) return;
    std::vector<TRect> tiles;
    for (int y = rect.Top + Top(); y < rect.Bottom; y += screenHeight)
        for (int x = rect.Left + Left(); x < rect.Right; x += screenWidth)
            tiles.push_back(TRect::FromSize(x, y, Width(), Height()));
    DrawAreas(canvas, tiles, transparent);
}

void TGIFSubImage::DrawAreas(TCanvas& canvas, const std::vector<TRect>& areas, bool transparent) {
    const bool masked = transparent && Transparent() && HasMask();
    const TBitmap* bitmap = Bitmap();
    if (!bitmap) return;
    // The mask is applied as alpha: pixels whose bit is 1 are left clear and
    // keep what lies under them; scaling picks whole pixels, so the picture
    // is the one a masked block transfer gives.
    std::shared_ptr<QImage>& made = masked ? MaskedImage : OpaqueImage;
    if (!made) {
        QImage image;
        if (masked) {
            image = bitmap->Image().convertToFormat(QImage::Format_ARGB32);
            if (image.isNull()) throw std::bad_alloc();
            for (int y = 0; y < image.height(); ++y) {
                auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
                for (int x = 0; x < image.width(); ++x)
                    if (FrameMask->Transparent(x, y)) line[x] = 0;
            }
        } else {
            image = bitmap->Image().convertToFormat(QImage::Format_RGB32);
        }
        // Qt answers a conversion it has no memory for with a null image.
        if (image.isNull()) throw std::bad_alloc();
        made = std::make_shared<QImage>(std::move(image));
    }
    const QImage& image = *made;
    const TCopyMode mode = canvas.CopyMode;
    canvas.CopyMode = TCopyMode::SrcCopy;
    for (const TRect& area : areas) canvas.DrawImage(area, image);
    canvas.CopyMode = mode;
}
