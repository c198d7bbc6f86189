#include "GIFFrameReader.h"

#include "GIFLimits.h"

#include <QBuffer>
#include <QFile>
#include <QImageReader>
#include <QPainter>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// The most bytes a frame that Qt cannot open by its name is read to: a pipe
// that never ends is no picture, and Qt decodes no picture of more than
// 128 MB of pixels (a file seldom holds more bytes than its pixels).
constexpr size_t MaxReadBytes = size_t{128} << 20;

// A file's bytes, read in pieces as they come (a pipe's may come slowly),
// through its name as it is, whatever its encoding.
QByteArray BytesOf(const std::string& file) {
    const int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) throw EGIFFrameError(file, std::strerror(errno));
    const struct TClosing {
        int Fd;
        ~TClosing() { ::close(Fd); }
    } closing{fd};
    QByteArray bytes("");
    char piece[1 << 16];
    for (;;) {
        const ssize_t count = ::read(fd, piece, sizeof piece);
        if (count < 0 && errno == EINTR) continue;
        if (count < 0) throw EGIFFrameError(file, std::strerror(errno));
        if (count == 0) return bytes;
        if (size_t(bytes.size()) + size_t(count) > MaxReadBytes)
            throw EGIFFrameError(file, "picture too large");
        bytes.append(piece, qsizetype(count));
    }
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
    const std::string& file = Files[index];
    struct stat info;
    const bool found = ::stat(file.c_str(), &info) == 0;
    // As the commands on GIF files say it (Qt would say "File not found").
    if (found && S_ISDIR(info.st_mode)) throw EGIFFrameError(file, "is a folder, not a file");
    // Qt opens a file by a name in UTF-8 and reads it more than once. A
    // pipe (a process's output given as <(...), say) is read here once and
    // kept, as each pass reads every frame; a name in another encoding is
    // read here each time.
    const QString name = QString::fromStdString(file);
    const bool pipe = found && S_ISFIFO(info.st_mode);
    QBuffer bytes;
    QImageReader reader;
    if (pipe || QFile::encodeName(name).toStdString() != file) {
        if (pipe && Piped[index].isNull()) Piped[index] = BytesOf(file);
        bytes.setData(pipe ? Piped[index] : BytesOf(file));
        bytes.open(QIODevice::ReadOnly);
        reader.setDevice(&bytes);
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
