#include "GIFRenderer.h"

#include <QPainter>

namespace {

QRect ToQ(const TRect& r) {
    return QRect(r.Left, r.Top, r.Width(), r.Height());
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
