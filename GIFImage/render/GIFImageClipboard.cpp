// The image on the clipboard: the GIF stream under "GIF Image", with the
// drawn picture as a bitmap beside it.

#include "GIFException.h"
#include "GIFImage.h"
#include "GIFMessages.h"
#include "GIFRegistration.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QImage>
#include <QMimeData>

void TGIFImage::LoadFromClipboardFormat(const std::string& format, const std::vector<uint8_t>* data) {
    if (format == BitmapClipboardFormat) return AssignClipboardBitmap(data);
    if (format != GIFClipboardFormat) throw EInvalidGraphic("Unsupported clipboard format");
    if (data) {
        LoadFromClipboardData(*data);
        return;
    }
    const QMimeData* mime = qGuiApp ? QGuiApplication::clipboard()->mimeData() : nullptr;
    const QString name = QString::fromStdString(format);
    if (!mime || !mime->hasFormat(name)) throw EInvalidGraphic("Unsupported clipboard format");
    const QByteArray bytes = mime->data(name);
    LoadFromClipboardData(std::vector<uint8_t>(bytes.begin(), bytes.end()));
}

void TGIFImage::SaveToClipboardFormat() {
    if (Empty()) return;
    QClipboard* clipboard = qGuiApp ? QGuiApplication::clipboard() : nullptr;
    if (!clipboard) throw GIFException(GIFMessages::ClipboardStoreFailed);
    const std::vector<uint8_t> bytes = SaveToClipboardData();
    const QByteArray data(reinterpret_cast<const char*>(bytes.data()), static_cast<qsizetype>(bytes.size()));
    const QString format = QString::fromStdString(GIFClipboardFormat);
    const QImage picture = ScreenPicture().convertToFormat(QImage::Format_ARGB32);
    auto* mime = new QMimeData; // the clipboard owns it from here on
    mime->setImageData(picture);
    mime->setData(format, data);
    clipboard->setMimeData(mime);
    const QMimeData* kept = clipboard->mimeData();
    if (!kept || kept->data(format) != data) throw GIFException(GIFMessages::ClipboardStoreFailed);
}
