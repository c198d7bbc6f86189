#include "Metafile.h"

#include "Canvas.h"
#include "Exceptions.h"

#include <QBuffer>
#include <QPainter>

void TMetafile::SetPicture(const QPicture& picture) {
    Drawing = picture;
    const QRect bounds = picture.boundingRect();
    Size = QSize(bounds.right() + 1, bounds.bottom() + 1).expandedTo(QSize(0, 0));
    if (bounds.isEmpty()) Size = QSize();
    Changed();
}

void TMetafile::PlayInto(QImage& image) const {
    if (Size.isEmpty() || image.isNull()) return;
    QPainter painter(&image);
    painter.scale(double(image.width()) / Size.width(), double(image.height()) / Size.height());
    painter.drawPicture(0, 0, Drawing);
}

void TMetafile::Draw(TCanvas& canvas, const TRect& rect) {
    if (Size.isEmpty() || rect.IsEmpty()) return;
    QImage layer(rect.Width(), rect.Height(), QImage::Format_ARGB32_Premultiplied);
    layer.fill(Qt::transparent);
    PlayInto(layer);
    canvas.DrawImage(rect, layer);
}

void TMetafile::LoadFromStream(TStream& stream) {
    const int64_t start = stream.Position();
    QByteArray bytes(static_cast<qsizetype>(std::max<int64_t>(0, stream.Size() - start)), 0);
    if (!bytes.isEmpty()) stream.ReadExact(bytes.data(), bytes.size());
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    QPicture picture;
    if (!picture.load(&buffer)) {
        stream.SetPosition(start);
        throw EInvalidGraphic("Invalid metafile");
    }
    SetPicture(picture);
}

void TMetafile::SaveToStream(TStream& stream) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (!Drawing.save(&buffer)) throw EInvalidGraphicOperation("Cannot write metafile");
    stream.Write(bytes.constData(), bytes.size());
}
