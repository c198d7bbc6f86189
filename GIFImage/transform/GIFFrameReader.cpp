#include "GIFFrameReader.h"

#include "GIFLimits.h"

#include <QFileInfo>
#include <QImageReader>
#include <QPainter>

#include <algorithm>
#include <cmath>
#include <cstdint>

TFrameReader::TFrameReader(const std::vector<std::string>& files, const TGIFMakeOptions& options)
    : Files(files) {
    const QImage first = ReadFile(0);
    FirstSize = first.size();
    int width = options.Width, height = options.Height;
    if (width > 0 && height <= 0)
        height = std::max(1, int(std::lround(double(width) * FirstSize.height() / FirstSize.width())));
    else if (height > 0 && width <= 0)
        width = std::max(1, int(std::lround(double(height) * FirstSize.width() / FirstSize.height())));
    else if (width <= 0)
        width = FirstSize.width(), height = FirstSize.height();
    if (width > 0xFFFF || height > 0xFFFF)
        throw EGIFFrameError(files[0], "too large for a GIF (at most 65535 pixels a side)");
    Size = QSize(width, height);
}

QImage TFrameReader::Read(size_t index, bool& misfit) const {
    QImage picture = ReadFile(index);
    misfit = picture.size() != FirstSize;
    if (!misfit) {
        if (picture.size() != Size)
            picture = picture.scaled(Size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        return picture.convertToFormat(QImage::Format_ARGB32);
    }
    const QImage fitted = picture.scaled(Size, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    QImage framed(Size, QImage::Format_ARGB32);
    framed.fill(Qt::transparent);
    QPainter painter(&framed);
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    painter.drawImage((Size.width() - fitted.width()) / 2, (Size.height() - fitted.height()) / 2, fitted);
    return framed;
}

QImage TFrameReader::ReadFile(size_t index) const {
    const QString name = QString::fromStdString(Files[index]);
    // As the commands on GIF files say it (Qt would say "File not found").
    if (QFileInfo(name).isDir()) throw EGIFFrameError(Files[index], "is a folder, not a file");
    QImageReader reader(name);
    reader.setAutoTransform(true);
    // Decoding a picture costs its pixels: refuse what a GIF cannot hold,
    // or what Qt will not decode (its allocation limit, at 4 bytes a pixel),
    // before reading it, saying why.
    const QSize announced = reader.size();
    const int64_t decodable = int64_t{QImageReader::allocationLimit()} << 18;
    const int64_t most = decodable > 0 ? std::min(MaxScreenPicturePixels, decodable) : MaxScreenPicturePixels;
    if (announced.isValid() && int64_t(announced.width()) * announced.height() > most)
        throw EGIFFrameError(Files[index], "picture too large");
    QImage picture = reader.read();
    if (picture.isNull()) throw EGIFFrameError(Files[index], reader.errorString().toStdString());
    if (picture.width() == 0 || picture.height() == 0) throw EGIFFrameError(Files[index], "empty picture");
    return picture;
}
