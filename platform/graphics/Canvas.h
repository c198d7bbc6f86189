#pragma once
// A drawing surface over a 32-bit image: the block transfers with raster
// operations, fills and clipping that pictures and windows draw with.

#include "Geometry.h"

#include <QImage>
#include <memory>

class TGraphic;

enum class TCopyMode { SrcCopy, SrcAnd, SrcPaint };
enum class TBrushStyle { Solid, Clear };

struct TBrush {
    TColor Color = clWhite;
    TBrushStyle Style = TBrushStyle::Solid;
};

class TCanvas {
public:
    // The canvas draws into target, which must outlive it. Targets of any
    // format are accepted; formats a painter cannot draw on are drawn through
    // a 32-bit copy and mapped back to their colour table.
    explicit TCanvas(QImage* target) : Target(target) {}

    QImage* Image() const { return Target; }
    int Width() const { return Target ? Target->width() : 0; }
    int Height() const { return Target ? Target->height() : 0; }

    TBrush Brush;
    TCopyMode CopyMode = TCopyMode::SrcCopy;

    // Clipping: everything drawn is limited to the clip rectangle, which is
    // the whole surface unless set.
    void SetClipRect(const TRect& rect);
    void ResetClipRect();
    TRect ClipRect() const;

    void Draw(int x, int y, TGraphic& graphic);
    void StretchDraw(const TRect& rect, TGraphic& graphic);
    void FillRect(const TRect& rect);
    // Copies source's sourceRect into destRect (stretched when sizes differ)
    // with the current CopyMode.
    void CopyRect(const TRect& destRect, const TCanvas& source, const TRect& sourceRect);
    // Copies source where mask is black and keeps the destination where the
    // mask is white (the classic transparent blit).
    void MaskedCopy(const TRect& destRect, const TCanvas& source, const TRect& sourceRect,
                    const QImage& mask);

    // Draws a 32-bit image stretched into rect with the current CopyMode;
    // the primitive that graphics use to put their pixels on a canvas.
    void DrawImage(const TRect& rect, const QImage& image);

    TColor Pixel(int x, int y) const;

    // Lives as long as this canvas: a holder of a weak copy can tell whether
    // the canvas it was given has gone away.
    std::weak_ptr<const void> Handle() const { return Alive; }

private:
    template <typename Paint> void Paint32(Paint&& paint);

    QImage* Target;
    std::shared_ptr<const int> Alive = std::make_shared<const int>(0);
    bool HasClip = false;
    TRect Clip;
};
