#pragma once
// The icon: a colour image with a mask bitmap that says which pixels are
// transparent. Set from an image with alpha, pixels below half opacity are
// transparent.

#include "Graphic.h"

#include <QImage>

class TIcon : public TGraphic {
public:
    TIcon() { IsTransparent = true; }

    std::string ClassName() const override { return "TIcon"; }
    void Draw(TCanvas& canvas, const TRect& rect) override;
    int Width() const override { return Colors.width(); }
    int Height() const override { return Colors.height(); }
    bool Empty() const override { return Colors.isNull(); }

    // Reads an ICO file (through Qt).
    void LoadFromStream(TStream& stream) override;
    void SaveToStream(TStream& stream) override;

    void SetImage(const QImage& image);
    // The colours, opaque, with transparent pixels black.
    const QImage& ColorBitmap() const { return Colors; }
    // Whether the pixel is transparent by the mask.
    bool MaskAt(int x, int y) const;

private:
    QImage Colors; // RGB32
    QImage Mask;   // Format_Mono, 1 = transparent
};
