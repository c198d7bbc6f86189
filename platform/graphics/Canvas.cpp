#include "Canvas.h"

#include "Graphic.h"

#include <QPainter>

namespace {

QRect ToQRect(const TRect& r) {
    return QRect(r.Left, r.Top, r.Width(), r.Height());
}

QColor ToQColor(TColor c) {
    return QColor(RedOf(c), GreenOf(c), BlueOf(c));
}

QPainter::CompositionMode ModeOf(TCopyMode mode) {
    switch (mode) {
    case TCopyMode::SrcAnd:
        return QPainter::RasterOp_SourceAndDestination;
    case TCopyMode::SrcPaint:
        return QPainter::RasterOp_SourceOrDestination;
    case TCopyMode::SrcCopy:
        break;
    }
    return QPainter::CompositionMode_Source;
}

bool PainterCanDrawOn(QImage::Format format) {
    // The raster operations are defined for the 32-bit formats only.
    return format == QImage::Format_RGB32 || format == QImage::Format_ARGB32_Premultiplied;
}

} // namespace

void TCanvas::SetClipRect(const TRect& rect) {
    HasClip = true;
    Clip = rect;
}

void TCanvas::ResetClipRect() {
    HasClip = false;
}

TRect TCanvas::ClipRect() const {
    return HasClip ? Clip : TRect{0, 0, Width(), Height()};
}

template <typename Paint> void TCanvas::Paint32(Paint&& paint) {
    if (!Target || Target->isNull()) return;
    const bool direct = PainterCanDrawOn(Target->format());
    QImage scratch = direct ? QImage() : Target->convertToFormat(QImage::Format_RGB32);
    QImage& surface = direct ? *Target : scratch;
    {
        QPainter painter(&surface);
        if (HasClip) painter.setClipRect(ToQRect(Clip));
        paint(painter);
    }
    if (!direct) {
        const QImage::Format format = Target->format();
        if (format == QImage::Format_Indexed8 || format == QImage::Format_Mono ||
            format == QImage::Format_MonoLSB)
            *Target =
                scratch.convertToFormat(format, Target->colorTable(), Qt::ThresholdDither | Qt::AvoidDither);
        else
            *Target = scratch.convertToFormat(format);
    }
}

void TCanvas::Draw(int x, int y, TGraphic& graphic) {
    StretchDraw(TRect::FromSize(x, y, graphic.Width(), graphic.Height()), graphic);
}

void TCanvas::StretchDraw(const TRect& rect, TGraphic& graphic) {
    if (!graphic.Empty()) graphic.Draw(*this, rect);
}

void TCanvas::FillRect(const TRect& rect) {
    if (Brush.Style == TBrushStyle::Clear) return;
    const QColor color = ToQColor(Brush.Color);
    Paint32([&](QPainter& p) { p.fillRect(ToQRect(rect), color); });
}

void TCanvas::CopyRect(const TRect& destRect, const TCanvas& source, const TRect& sourceRect) {
    if (!source.Target) return;
    QImage part = source.Target->copy(ToQRect(sourceRect)).convertToFormat(QImage::Format_RGB32);
    DrawImage(destRect, part);
}

void TCanvas::MaskedCopy(const TRect& destRect, const TCanvas& source, const TRect& sourceRect,
                         const QImage& mask) {
    if (!source.Target) return;
    // dest := (dest AND mask) OR (source AND NOT mask)
    QImage src = source.Target->copy(ToQRect(sourceRect)).convertToFormat(QImage::Format_RGB32);
    QImage m = mask.convertToFormat(QImage::Format_RGB32);
    if (m.size() != src.size()) m = m.scaled(src.size());
    for (int y = 0; y < src.height(); ++y) {
        auto* s = reinterpret_cast<QRgb*>(src.scanLine(y));
        const auto* k = reinterpret_cast<const QRgb*>(m.constScanLine(y));
        for (int x = 0; x < src.width(); ++x) s[x] &= ~k[x] | 0xFF000000u;
    }
    const TCopyMode saved = CopyMode;
    CopyMode = TCopyMode::SrcAnd;
    DrawImage(destRect, m);
    CopyMode = TCopyMode::SrcPaint;
    DrawImage(destRect, src);
    CopyMode = saved;
}

void TCanvas::DrawImage(const TRect& rect, const QImage& image) {
    if (image.isNull() || rect.IsEmpty()) return;
    const auto mode = ModeOf(CopyMode);
    Paint32([&](QPainter& p) {
        p.setCompositionMode(CopyMode == TCopyMode::SrcCopy && image.hasAlphaChannel()
                                 ? QPainter::CompositionMode_SourceOver
                                 : mode);
        // A picture drawn smaller than its pixels (a high-resolution one on
        // an ordinary screen) is averaged rather than thinned out.
        const QSizeF target = QSizeF(rect.Width(), rect.Height()) * p.device()->devicePixelRatioF();
        if (target.width() < image.width() || target.height() < image.height())
            p.setRenderHint(QPainter::SmoothPixmapTransform);
        p.drawImage(ToQRect(rect), image);
    });
}

TColor TCanvas::Pixel(int x, int y) const {
    if (!Target || !Target->valid(x, y)) return clBlack;
    const QRgb c = Target->pixel(x, y);
    return RGBColor(qRed(c), qGreen(c), qBlue(c));
}
