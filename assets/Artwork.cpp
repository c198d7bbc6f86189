#include "Artwork.h"

#include "Picture.h"
#include "PictureCache.h"

#include <QFile>
#include <QHash>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <cmath>

namespace Artwork {

namespace {

// A transparent picture of width x height units, drawn at HighResolution
// pixels a unit so that it stays sharp on screens scaled up to 200 %; a
// painter on it works in units.
QImage BlankPicture(int width, int height) {
    QImage image(width * HighResolution, height * HighResolution, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(HighResolution);
    image.fill(Qt::transparent);
    return image;
}

QFont Bold(int pixelSize) {
    QFont font("DejaVu Sans");
    font.setPixelSize(pixelSize);
    font.setBold(true);
    return font;
}

} // namespace

QImage ButtonPicture(const QString& word, int width, int height) {
    // The twelve game windows show the same faces: each is drawn once and
    // shared (pictures are drawn on the user-interface thread only).
    static QHash<QString, QImage> drawn;
    const QString key = QString("%1|%2|%3").arg(word).arg(width).arg(height);
    if (const auto it = drawn.constFind(key); it != drawn.cend()) return *it;
    QImage image = BlankPicture(width, height);
    image.setText("Description", word);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient bar(0, 0, 0, height);
    bar.setColorAt(0, QColor(70, 110, 230));
    bar.setColorAt(1, QColor(20, 40, 140));
    p.setBrush(bar);
    p.setPen(QColor(240, 220, 60));
    p.drawRoundedRect(QRectF(0.5, 0.5, width - 1, height - 1), 4, 4);
    p.setFont(Bold(std::max(9, height * 6 / 10)));
    p.setPen(Qt::white);
    p.drawText(QRect(0, 0, width, height), Qt::AlignCenter, word);
    p.end();
    drawn.insert(key, image);
    return image;
}

TButtonFace ButtonFace(const QString& word, int width, int height) {
    const QSize pixels(width * HighResolution, height * HighResolution);
    return {DrawnIcon(pixels, [word, width, height] { return ButtonPicture(word, width, height); }),
            QSize(width, height), word};
}

QImage DigitCountIcon(int digits) {
    QImage image = BlankPicture(16, 16);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setBrush(QColor::fromHsv((digits - 4) * 50, 200, 230));
    p.setPen(Qt::NoPen);
    p.drawEllipse(QRectF(0.5, 0.5, 15, 15));
    p.setPen(Qt::black);
    p.setFont(Bold(11));
    p.drawText(QRect(0, 0, 16, 16), Qt::AlignCenter, QString::number(digits));
    return image;
}

QImage HelpMenuPicture(int index) {
    QImage image = BlankPicture(16, 16);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setBrush(QColor::fromHsv(200 + index * 40, 180, 220));
    p.setPen(QColor(30, 30, 90));
    p.drawRoundedRect(QRectF(1.5, 1.5, 13, 13), 3, 3);
    p.setFont(Bold(11));
    p.drawText(QRect(0, 0, 16, 16), Qt::AlignCenter, "?");
    return image;
}

QIcon DigitCountMenuIcon(int digits) {
    return DrawnIcon(QSize(16, 16) * HighResolution, [digits] { return DigitCountIcon(digits); });
}

QIcon HelpMenuIcon(int index) {
    return DrawnIcon(QSize(16, 16) * HighResolution, [index] { return HelpMenuPicture(index); });
}

namespace {

QImage DrawErrorMarker() {
    QImage image = BlankPicture(24, 24);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setBrush(QColor(210, 20, 20));
    p.setPen(QColor(120, 0, 0));
    p.drawEllipse(QRectF(1, 1, 22, 22));
    p.setPen(QPen(Qt::white, 3, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(7, 7), QPointF(17, 17));
    p.drawLine(QPointF(17, 7), QPointF(7, 17));
    return image;
}

QImage DrawAttentionMarker() {
    QImage image = BlankPicture(24, 24);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    QPainterPath triangle;
    triangle.moveTo(12, 1);
    triangle.lineTo(23, 22);
    triangle.lineTo(1, 22);
    triangle.closeSubpath();
    p.setBrush(QColor(250, 215, 30));
    p.setPen(QColor(90, 70, 0));
    p.drawPath(triangle);
    p.setPen(QPen(Qt::black, 2.5, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(12, 8), QPointF(12, 15));
    p.drawPoint(QPointF(12, 19));
    return image;
}

} // namespace

// The twelve game windows show the same two markers: each is drawn once.
QImage ErrorMarker() {
    static const QImage drawn = DrawErrorMarker();
    return drawn;
}

QImage AttentionMarker() {
    static const QImage drawn = DrawAttentionMarker();
    return drawn;
}

QImage Background(const QString& kind, int width, int height) {
    QImage image(width, height, QImage::Format_RGB32);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    const int hue = kind == "main" ? 230 : kind == "game" ? 210 : kind == "clock" ? 30 : 220;
    QLinearGradient sky(0, 0, width * 0.3, height);
    sky.setColorAt(0, QColor::fromHsv(hue, 200, 150));
    sky.setColorAt(1, QColor::fromHsv((hue + 30) % 360, 230, 40));
    p.fillRect(image.rect(), sky);
    if (kind == "score") return image; // plain blue
    // Scattered digits give the backgrounds their theme.
    p.setFont(Bold(std::max(12, height / 14)));
    for (int i = 0; i < 40; ++i) {
        const double x = std::fmod(i * 97.31, 1.0 * width);
        const double y = std::fmod(i * 61.73 + i * i * 3.1, 1.0 * height);
        p.setPen(QColor::fromHsv((hue + i * 9) % 360, 120, 255, 40));
        p.drawText(QPointF(x, y), QString::number(i % 10));
    }
    return image;
}

QImage ProgramIcon(int size) {
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    const double s = size;
    // The blue of the main window, with a yellow rim.
    QLinearGradient sky(0, 0, s * 0.3, s);
    sky.setColorAt(0, QColor::fromHsv(230, 200, 170));
    sky.setColorAt(1, QColor::fromHsv(260, 230, 60));
    p.setBrush(sky);
    p.setPen(QPen(QColor(255, 216, 0), std::max(1.0, s / 24)));
    const double inset = std::max(0.5, s / 32);
    p.drawRoundedRect(QRectF(inset, inset, s - 2 * inset, s - 2 * inset), s / 6, s / 6);
    // A digit in place (green) and a digit elsewhere (orange): Tulva and Vesk.
    if (size >= 24) {
        p.setFont(Bold(static_cast<int>(s * 0.42)));
        p.setPen(QColor(90, 230, 90));
        p.drawText(QRectF(0, s * 0.08, s * 0.55, s * 0.6), Qt::AlignCenter, "7");
        p.setPen(QColor(255, 170, 40));
        p.drawText(QRectF(s * 0.45, s * 0.32, s * 0.55, s * 0.6), Qt::AlignCenter, "3");
    } else {
        p.setFont(Bold(static_cast<int>(s * 0.7)));
        p.setPen(QColor(255, 216, 0));
        p.drawText(image.rect(), Qt::AlignCenter, "7");
    }
    return image;
}

} // namespace Artwork

namespace {

// Decodes a picture that the program carries; touches no widget, so that it
// may run on any thread.
PictureCache::TDecode CarriedPicture(const QString& name) {
    return [name]() -> std::unique_ptr<TGraphic> {
        QFile file(":/pictures/" + name);
        if (!file.open(QIODevice::ReadOnly)) return nullptr;
        const QByteArray bytes = file.readAll();
        const TGraphicClass* graphicClass = TPicture::ClassForExtension(name.section('.', -1).toStdString());
        if (!graphicClass) return nullptr;
        std::unique_ptr<TGraphic> graphic = graphicClass->Create();
        TBorrowedMemoryStream stream(bytes.constData(), bytes.size());
        graphic->LoadFromStream(stream);
        return graphic;
    };
}

} // namespace

void LoadPicture(TPicture& picture, const QString& name) {
    // Several windows show the same picture: it is decoded once, when it is
    // first shown.
    PictureCache::Load(picture, name, CarriedPicture(name));
}

void DecodePictureAhead(const QString& name) {
    PictureCache::DecodeAhead(name, CarriedPicture(name));
}
