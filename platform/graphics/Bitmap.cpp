#include "Bitmap.h"

#include "Exceptions.h"
#include "Picture.h"

#include <QBuffer>
#include <QImageReader>
#include <QImageWriter>

namespace {

// The rest of a stream, for the decoders that want all of it at once.
QByteArray ReadRest(TStream& stream) {
    const int64_t left = stream.Size() - stream.Position();
    QByteArray bytes;
    if (left <= 0) return bytes;
    bytes.resize(static_cast<qsizetype>(left));
    stream.ReadExact(bytes.data(), left);
    return bytes;
}

QImage Decode(TStream& stream, const char* format) {
    const int64_t start = stream.Position();
    QByteArray bytes = ReadRest(stream);
    QBuffer buffer(&bytes);
    QImageReader reader(&buffer, format);
    QImage image = reader.read();
    if (image.isNull()) {
        stream.SetPosition(start);
        throw EInvalidGraphic("Invalid " + std::string(format) +
                              " image: " + reader.errorString().toStdString());
    }
    return image;
}

void Encode(TStream& stream, const QImage& image, const char* format) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (!QImageWriter(&buffer, format).write(image)) throw EInvalidGraphicOperation("Cannot write image");
    stream.Write(bytes.constData(), bytes.size());
}

} // namespace

TBitmap::TBitmap(int width, int height, TPixelFormat format) : Format(format) {
    SetSize(width, height);
}

QImage::Format TBitmap::QtFormat(TPixelFormat format) {
    switch (format) {
    case TPixelFormat::pf1bit:
    case TPixelFormat::pf4bit:
    case TPixelFormat::pf8bit:
        return QImage::Format_Indexed8;
    case TPixelFormat::pf24bit:
        return QImage::Format_BGR888;
    case TPixelFormat::pf32bit:
        break;
    }
    return QImage::Format_RGB32;
}

void TBitmap::Draw(TCanvas& canvas, const TRect& rect) {
    canvas.DrawImage(rect, ToImage());
}

TPalette TBitmap::Palette() const {
    TPalette palette;
    for (QRgb c : Pixels.colorTable())
        palette.push_back({uint8_t(qRed(c)), uint8_t(qGreen(c)), uint8_t(qBlue(c))});
    return palette;
}

void TBitmap::SetPalette(const TPalette& palette) {
    if (Pixels.format() != QImage::Format_Indexed8) return;
    QList<QRgb> table;
    for (const auto& e : palette) table.push_back(qRgb(e.Red, e.Green, e.Blue));
    Pixels.setColorTable(table);
    Changed();
}

void TBitmap::LoadFromStream(TStream& stream) {
    Assign(Decode(stream, "BMP"));
    Changed();
}

void TBitmap::SaveToStream(TStream& stream) {
    Encode(stream, Pixels, "BMP");
}

void TBitmap::SetSize(int width, int height) {
    if (width < 0 || height < 0) throw EInvalidGraphicOperation("Invalid bitmap size");
    if (width == Pixels.width() && height == Pixels.height() && !Pixels.isNull()) return;
    QImage sized(width, height, QtFormat(Format));
    if (width > 0 && height > 0 && sized.isNull()) throw EOutOfResources("Not enough memory for the bitmap");
    sized.fill(0);
    if (Pixels.format() == QImage::Format_Indexed8)
        sized.setColorTable(Pixels.colorTable());
    else if (sized.format() == QImage::Format_Indexed8) {
        const int colours = Format == TPixelFormat::pf1bit ? 2 : Format == TPixelFormat::pf4bit ? 16 : 256;
        QList<QRgb> grey;
        for (int i = 0; i < colours; ++i)
            grey.push_back(qRgb(i * 255 / (colours - 1), i * 255 / (colours - 1), i * 255 / (colours - 1)));
        sized.setColorTable(grey);
    }
    Pixels = sized;
    CanvasOnPixels.reset();
}

void TBitmap::SetPixelFormat(TPixelFormat format) {
    if (format == Format && !Pixels.isNull()) return;
    Format = format;
    if (Pixels.isNull()) return;
    Pixels = Pixels.convertToFormat(QtFormat(format));
    CanvasOnPixels.reset();
}

uint8_t* TBitmap::ScanLine(int y) {
    if (y < 0 || y >= Pixels.height()) throw EInvalidGraphicOperation("Scan line index out of range");
    return Pixels.scanLine(y);
}

const uint8_t* TBitmap::ScanLine(int y) const {
    if (y < 0 || y >= Pixels.height()) throw EInvalidGraphicOperation("Scan line index out of range");
    return Pixels.constScanLine(y);
}

TCanvas& TBitmap::Canvas() {
    if (!CanvasOnPixels) CanvasOnPixels = std::make_unique<TCanvas>(&Pixels);
    return *CanvasOnPixels;
}

QImage TBitmap::ToImage() const {
    return Pixels.convertToFormat(IsTransparent ? QImage::Format_ARGB32_Premultiplied : QImage::Format_RGB32);
}

void TBitmap::Assign(const QImage& image) {
    switch (image.depth()) {
    case 1:
        Format = TPixelFormat::pf1bit;
        break;
    case 8:
        Format = image.format() == QImage::Format_Indexed8 ? TPixelFormat::pf8bit : TPixelFormat::pf24bit;
        break;
    case 24:
        Format = TPixelFormat::pf24bit;
        break;
    default:
        Format = TPixelFormat::pf32bit;
    }
    Pixels = image.convertToFormat(QtFormat(Format));
    CanvasOnPixels.reset();
}

std::unique_ptr<TGraphic> TBitmap::Share() const {
    auto copy = std::make_unique<TBitmap>();
    copy->Format = Format;
    copy->Pixels = Pixels; // shared until either is written
    copy->SetTransparent(Transparent());
    return copy;
}

std::unique_ptr<TGraphic> TJPEGImage::Share() const {
    auto copy = std::make_unique<TJPEGImage>();
    copy->Pixels = Pixels;
    return copy;
}

void TJPEGImage::Draw(TCanvas& canvas, const TRect& rect) {
    canvas.DrawImage(rect, Pixels);
}

void TJPEGImage::LoadFromStream(TStream& stream) {
    Pixels = Decode(stream, "JPEG").convertToFormat(QImage::Format_RGB32);
    Changed();
}

void TJPEGImage::SaveToStream(TStream& stream) {
    Encode(stream, Pixels, "JPEG");
}

void RegisterStandardGraphics() {
    if (TPicture::ClassByName("TBitmap")) return;
    const TGraphicClass bitmap{"TBitmap", [] { return std::make_unique<TBitmap>(); }};
    const TGraphicClass jpeg{"TJPEGImage", [] { return std::make_unique<TJPEGImage>(); }};
    TPicture::RegisterFileFormat("bmp", "Bitmaps", bitmap);
    TPicture::RegisterFileFormat("jpg", "JPEG Image File", jpeg);
    TPicture::RegisterFileFormat("jpeg", "JPEG Image File", jpeg);
}
