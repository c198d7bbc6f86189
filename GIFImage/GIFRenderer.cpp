#include "GIFRenderer.h"

#include "GIFImage.h"
#include "GIFSubImage.h"

#include <QPainter>

namespace {

QRect ToQ(const TRect& r) {
    return QRect(r.Left, r.Top, r.Width(), r.Height());
}

// The logical screen size, or the frame's own size for a frame without image.
QSize ScreenOf(TGIFSubImage& frame) {
    const TGIFImage* image = frame.Image();
    if (image && image->Width() > 0 && image->Height() > 0) return {image->Width(), image->Height()};
    return {frame.Width(), frame.Height()};
}

} // namespace

std::vector<TRect> GIFFrameAreas(const TRect& rect, TGIFSubImage& frame, bool tiled) {
    std::vector<TRect> areas;
    if (!tiled) {
        areas.push_back(frame.ScaleRect(rect));
        return areas;
    }
    const QSize screen = ScreenOf(frame);
    if (screen.isEmpty()) return areas;
    for (int y = rect.Top + frame.Top(); y < rect.Bottom; y += screen.height())
        for (int x = rect.Left + frame.Left(); x < rect.Right; x += screen.width())
            areas.push_back(TRect::FromSize(x, y, frame.Width(), frame.Height()));
    return areas;
}

void DrawGIFFrame(QImage& target, const TRect& rect, TGIFSubImage& frame, bool tiled, bool transparent) {
    const QImage& bitmap = frame.Bitmap();
    if (bitmap.isNull() || target.isNull()) return;
    QPainter painter(&target);
    // The frame's bitmap leaves transparent pixels clear: drawn over, they
    // keep the ground; copied, they replace it.
    painter.setCompositionMode(transparent && frame.Transparent() ? QPainter::CompositionMode_SourceOver
                                                                  : QPainter::CompositionMode_Source);
    for (const TRect& area : GIFFrameAreas(rect, frame, tiled)) painter.drawImage(ToQ(area), bitmap);
}

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
