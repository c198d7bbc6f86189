#include "GIFFrameReader.h"

#include "GIFLimits.h"

#include <QBuffer>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QPainter>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <sys/stat.h>

namespace {

// The most a piped frame is read to: a pipe that never ends is no picture,
// and Qt decodes no picture of more than 128 MB of pixels (a file seldom
// holds more bytes than its pixels).
constexpr qint64 MaxPipedBytes = qint64{128} << 20;

bool IsPipe(const std::string& name) {
    struct stat info;
    return ::stat(name.c_str(), &info) == 0 && S_ISFIFO(info.st_mode);
}

} // namespace

TFrameReader::TFrameReader(const std::vector<std::string>& files, const TGIFMakeOptions& options)
    : Files(files), Piped(files.size()) {
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
    QBuffer piped;
    QImageReader reader;
    if (IsPipe(Files[index])) {
        piped.setData(PipedBytes(index));
        piped.open(QIODevice::ReadOnly);
        reader.setDevice(&piped);
    } else {
        reader.setFileName(name);
    }
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

const QByteArray& TFrameReader::PipedBytes(size_t index) const {
    QByteArray& bytes = Piped[index];
    if (!bytes.isNull()) return bytes;
    QFile file(QString::fromStdString(Files[index]));
    if (!file.open(QIODevice::ReadOnly)) throw EGIFFrameError(Files[index], file.errorString().toStdString());
    // In pieces, as it comes: a read of the most a pipe may bring would ask
    // for that much memory at once.
    QByteArray read("");
    char piece[1 << 16];
    for (qint64 count; (count = file.read(piece, sizeof piece)) != 0;) {
        if (count < 0) throw EGIFFrameError(Files[index], file.errorString().toStdString());
        if (read.size() + count > MaxPipedBytes) throw EGIFFrameError(Files[index], "picture too large");
        read.append(piece, qsizetype(count));
    }
    bytes = std::move(read);
    return bytes;
}
