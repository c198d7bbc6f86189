#pragma once
// The bitmap: pixels with a format of 1, 4 or 8 bits through a palette, or
// 24 bits of colour, reachable row by row and through a canvas. Rows of the
// palette formats hold one palette index per byte.

#include "Canvas.h"
#include "Graphic.h"

#include <QImage>
#include <memory>

enum class TPixelFormat { pf1bit, pf4bit, pf8bit, pf24bit, pf32bit };

class TBitmap : public TGraphic {
public:
    TBitmap() = default;
    TBitmap(int width, int height, TPixelFormat format);

    std::string ClassName() const override { return "TBitmap"; }
    std::unique_ptr<TGraphic> Share() const override;
    void Draw(TCanvas& canvas, const TRect& rect) override;
    int Width() const override { return Pixels.width(); }
    int Height() const override { return Pixels.height(); }
    bool Empty() const override { return Pixels.isNull(); }
    TPalette Palette() const override;
    void SetPalette(const TPalette& palette);

    // Loads the BMP layout.
    void LoadFromStream(TStream& stream) override;
    void SaveToStream(TStream& stream) override;

    void SetSize(int width, int height);
    TPixelFormat PixelFormat() const { return Format; }
    void SetPixelFormat(TPixelFormat format);
    // Row y, top to bottom: one byte per pixel in the palette formats, three
    // (blue, green, red) in pf24bit and four in pf32bit.
    uint8_t* ScanLine(int y);
    const uint8_t* ScanLine(int y) const;

    TCanvas& Canvas();
    // The pixels as a 32-bit image, for display.
    QImage ToImage() const;
    const QImage& Image() const { return Pixels; }
    void Assign(const QImage& image);

private:
    static QImage::Format QtFormat(TPixelFormat format);
    TPixelFormat Format = TPixelFormat::pf24bit;
    QImage Pixels;
    std::unique_ptr<TCanvas> CanvasOnPixels;
};

// The JPEG pictures, decoded by Qt.
class TJPEGImage : public TGraphic {
public:
    std::string ClassName() const override { return "TJPEGImage"; }
    std::unique_ptr<TGraphic> Share() const override;
    void Draw(TCanvas& canvas, const TRect& rect) override;
    int Width() const override { return Pixels.width(); }
    int Height() const override { return Pixels.height(); }
    bool Empty() const override { return Pixels.isNull(); }
    void LoadFromStream(TStream& stream) override;
    void SaveToStream(TStream& stream) override;
    const QImage& Image() const { return Pixels; }

private:
    QImage Pixels;
};

// Registers the bitmap and JPEG classes with the picture registry.
void RegisterStandardGraphics();
