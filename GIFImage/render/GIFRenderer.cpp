#include "GIFRenderer.h"

#include <QPainter>

namespace {

QRect ToQ(const TRect& r) {
    return QRect(r.Left, r.Top, r.Width(), r.Height());
}

// a × b / c rounded to the nearest integer.
int MulDiv(int a, int b, int c) {
    const int64_t product = int64_t{a} * b;
    return static_cast<int>((product + (product >= 0 ? c / 2 : -c / 2)) / c);
}

} // namespace

void CopyGIFImage(QImage& target, int x, int y, const QImage& source) {
    QPainter painter(&target);
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    painter.drawImage(x, y, source);
}

void FillGIFArea(QImage& target, const TRect& area, QRgb colour) {
    QPainter painter(&target);
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    painter.fillRect(ToQ(area), QColor::fromRgba(colour));
}

void CopyGIFArea(QImage& target, const QImage& source, const TRect& area) {
    QPainter painter(&target);
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    painter.drawImage(ToQ(area), source, ToQ(area));
}

TRect ScaleScreenArea(const TRect& area, int screenWidth, int screenHeight, const TRect& rect) {
    if (screenWidth <= 0 || screenHeight <= 0) return rect;
    return {rect.Left + MulDiv(area.Left, rect.Width(), screenWidth),
            rect.Top + MulDiv(area.Top, rect.Height(), screenHeight),
            rect.Left + MulDiv(area.Right, rect.Width(), screenWidth),
            rect.Top + MulDiv(area.Bottom, rect.Height(), screenHeight)};
}
