#include "Icon.h"

#include "Canvas.h"
#include "Exceptions.h"

#include <QBuffer>
#include <QImageReader>
#include <QImageWriter>

void TIcon::SetImage(const QImage& image) {
    const QImage argb = image.convertToFormat(QImage::Format_ARGB32);
    Colors = QImage(argb.size(), QImage::Format_RGB32);
    Mask = QImage(argb.size(), QImage::Format_Mono);
    Mask.setColorTable({qRgb(255, 255, 255), qRgb(0, 0, 0)});
    Mask.fill(0);
    for (int y = 0; y < argb.height(); ++y) {
        const QRgb* in = reinterpret_cast<const QRgb*>(argb.constScanLine(y));
        QRgb* out = reinterpret_cast<QRgb*>(Colors.scanLine(y));
        for (int x = 0; x < argb.width(); ++x) {
            const bool clear = qAlpha(in[x]) < 128;
            out[x] = clear ? qRgb(0, 0, 0) : qRgb(qRed(in[x]), qGreen(in[x]), qBlue(in[x]));
            if (clear) Mask.setPixel(x, y, 1);
        }
    }
    Changed();
}

bool TIcon::MaskAt(int x, int y) const {
    if (!Mask.valid(x, y)) return false;
    return Mask.pixelIndex(x, y) == 1;
}

void TIcon::Draw(TCanvas& canvas, const TRect& rect) {
    QImage argb = Colors.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < argb.height(); ++y)
        for (int x = 0; x < argb.width(); ++x)
            if (MaskAt(x, y)) argb.setPixel(x, y, qRgba(0, 0, 0, 0));
    canvas.DrawImage(rect, argb);
}

void TIcon::LoadFromStream(TStream& stream) {
    const int64_t start = stream.Position();
    QByteArray bytes(static_cast<qsizetype>(std::max<int64_t>(0, stream.Size() - start)), 0);
    if (!bytes.isEmpty()) stream.ReadExact(bytes.data(), bytes.size());
    QBuffer buffer(&bytes);
    QImageReader reader(&buffer, "ICO");
    const QImage image = reader.read();
    if (image.isNull()) {
        stream.SetPosition(start);
        throw EInvalidGraphic("Invalid icon: " + reader.errorString().toStdString());
    }
    SetImage(image);
}

void TIcon::SaveToStream(TStream& stream) {
    QImage argb = Colors.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < argb.height(); ++y)
        for (int x = 0; x < argb.width(); ++x)
            if (MaskAt(x, y)) argb.setPixel(x, y, qRgba(0, 0, 0, 0));
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (!QImageWriter(&buffer, "ICO").write(argb)) throw EInvalidGraphicOperation("Cannot write icon");
    stream.Write(bytes.constData(), bytes.size());
}
