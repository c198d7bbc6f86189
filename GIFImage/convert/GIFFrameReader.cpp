#include "GIFFrameReader.h"

#include "GIFLimits.h"
#include "InputFile.h"

#include <QBuffer>
#include <QFile>
#include <QImageReader>
#include <QPainter>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <sys/stat.h>

namespace {

// The most bytes of a frame read here rather than by Qt: Qt decodes no
// picture of more than 128 MB of pixels, and a file seldom holds more bytes
// than its pixels (a pipe that never ends is no picture).
constexpr int64_t MaxReadBytes = int64_t{128} << 20;

} // namespace

TFrameReader::TFrameReader(const std::vector<std::string>& files, const TGIFMakeOptions& options)
    : Files(files), Piped(files.size()), First(ReadFile(0)) {
    FirstSize = First.size();
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
    QImage picture = index == 0 ? First : ReadFile(index);
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
    const std::string& file = Files[index];
    const std::string shown = InputName(file);
    // Qt opens a file by a UTF-8 name and reads what it needs. Anything else
    // (standard input, a pipe such as <(...) gives, a folder, a name in
    // another encoding, a missing file) is read here as the commands on GIF
    // files read theirs, with their messages; standard input and pipes are
    // kept, as each pass reads every frame.
    struct stat info;
    const bool found = file != "-" && ::stat(file.c_str(), &info) == 0;
    const QString name = QString::fromStdString(file);
    QBuffer bytes;
    QImageReader reader;
    if (found && S_ISREG(info.st_mode) && QFile::encodeName(name).toStdString() == file) {
        reader.setFileName(name);
    } else {
        const bool once = !found || S_ISFIFO(info.st_mode);
        QByteArray read;
        if (!once || Piped[index].isNull()) {
            try {
                const std::vector<uint8_t> data = ReadInputFile(file, MaxReadBytes);
                read = QByteArray(reinterpret_cast<const char*>(data.data()), qsizetype(data.size()));
            } catch (const EStreamError& e) {
                throw EGIFFrameError(shown, e.what());
            }
            if (once) Piped[index] = read;
        }
        bytes.setData(once ? Piped[index] : read);
        bytes.open(QIODevice::ReadOnly);
        reader.setDevice(&bytes);
    }
    // A PNG (known by its signature) goes straight to Qt's own reader: told
    // nothing, Qt loads every image plugin, and the libraries they need, to
    // ask each whether it reads the suffix (a spinner of 24 small frames
    // took 7 % longer).
    QIODevice* device = reader.device();
    if (device && (device->isOpen() || device->open(QIODevice::ReadOnly)) &&
        device->peek(8) == QByteArray("\x89PNG\r\n\x1a\n", 8)) {
        reader.setFormat("png");
        reader.setAutoDetectImageFormat(false);
    }
    reader.setAutoTransform(true);
    // Decoding a picture costs its pixels: refuse what a GIF cannot hold,
    // or what Qt will not decode (its allocation limit, at 4 bytes a pixel),
    // before reading it, saying why.
    const QSize announced = reader.size();
    const int64_t decodable = int64_t{QImageReader::allocationLimit()} << 18;
    const int64_t most = decodable > 0 ? std::min(MaxScreenPicturePixels, decodable) : MaxScreenPicturePixels;
    if (announced.isValid() && int64_t(announced.width()) * announced.height() > most)
        throw EGIFFrameError(shown, "picture too large");
    QImage picture = reader.read();
    if (picture.isNull()) throw EGIFFrameError(shown, reader.errorString().toStdString());
    if (picture.width() == 0 || picture.height() == 0) throw EGIFFrameError(shown, "empty picture");
    return picture;
}
