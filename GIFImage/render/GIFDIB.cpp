#include "GIFDIB.h"

#include "Bitmap.h"
#include "Exceptions.h"
#include "GIFException.h"
#include "GIFLimits.h"
#include "GIFMessages.h"
#include "GIFStreamIO.h"
#include "Stream.h"

#include <QImage>
#include <algorithm>
#include <cstring>
#include <new>

namespace {

constexpr int FileHeaderSize = 14;
constexpr int InfoHeaderSize = 40;

void PutWord(uint8_t* p, uint16_t value) {
    p[0] = static_cast<uint8_t>(value);
    p[1] = static_cast<uint8_t>(value >> 8);
}

void PutLong(uint8_t* p, uint32_t value) {
    for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(value >> (8 * i));
}

} // namespace

TGIFDIB::TGIFDIB(int width, int height, int bitsPerPixel, const TPalette& palette)
    : ImageWidth(width), ImageHeight(height), Bits(bitsPerPixel), Colors(palette) {
    if (bitsPerPixel != 8 && bitsPerPixel != 24) throw GIFException(GIFMessages::UnsupportedPixelFormat);
    if (width <= 0 || height <= 0) throw GIFException(GIFMessages::InvalidImageDimensions);
    Stride = static_cast<int>(((int64_t{width} * Bits + 31) / 32) * 4);
    const int64_t size = int64_t{Stride} * height;
    if (size > MaxDIBBytes) throw EOutOfMemory(GIFMessages::DIBAllocationFailed);
    Pixels.reset(new (std::nothrow) uint8_t[static_cast<size_t>(size)]);
    if (!Pixels) throw EOutOfMemory(GIFMessages::DIBAllocationFailed);
    std::memset(Pixels.get(), 0, static_cast<size_t>(size));
}

uint8_t* TGIFDIB::ScanLine(int y) {
    if (y < 0 || y >= ImageHeight) throw EInvalidGraphicOperation("Scan line index out of range");
    if (!Pixels) throw GIFException(GIFMessages::ImageHasNoDIB);
    // Stored top-down at 8 bits, so that the bitmap can take the rows as
    // they are; bottom-up, as a BMP file has them, at 24.
    if (Bits == 8) return Pixels.get() + int64_t{y} * Stride;
    return Pixels.get() + int64_t{ImageHeight - 1 - y} * Stride;
}

void TGIFDIB::AssignTo(TBitmap& bitmap) {
    if (!Pixels) throw GIFException(GIFMessages::ImageHasNoDIB);
    if (Bits == 8) {
        // The indexed rows go to the bitmap as they are: going through a BMP
        // file would hold the pixels three more times, and Qt's reader
        // refuses files above its allocation limit.
        // The image frees the rows: its clean-up is given them as its info.
        QImage image(
            Pixels.get(), ImageWidth, ImageHeight, Stride, QImage::Format_Indexed8,
            [](void* pixels) { delete[] static_cast<uint8_t*>(pixels); }, Pixels.get());
        if (image.isNull()) throw EOutOfMemory(GIFMessages::DIBAllocationFailed);
        Pixels.release();
        // As the BMP file's table read: 256 entries, the colours given first.
        QList<QRgb> table(256, qRgb(0, 0, 0));
        for (size_t i = 0; i < std::min<size_t>(256, Colors.size()); ++i)
            table[static_cast<qsizetype>(i)] = qRgb(Colors[i].Red, Colors[i].Green, Colors[i].Blue);
        image.setColorTable(table);
        bitmap.Assign(image);
        return;
    }
    const int tableEntries = Bits == 8 ? 256 : 0;
    const uint32_t pixelOffset = FileHeaderSize + InfoHeaderSize + tableEntries * 4;
    const int64_t pixelBytes = int64_t{Stride} * ImageHeight;
    uint8_t head[FileHeaderSize + InfoHeaderSize] = {};
    PutWord(head, 0x4D42);
    PutLong(head + 2, static_cast<uint32_t>(pixelOffset + pixelBytes));
    PutLong(head + 10, pixelOffset);
    uint8_t* info = head + FileHeaderSize;
    PutLong(info, InfoHeaderSize);
    PutLong(info + 4, static_cast<uint32_t>(ImageWidth));
    PutLong(info + 8, static_cast<uint32_t>(ImageHeight)); // positive: bottom-up
    PutWord(info + 12, 1);
    PutWord(info + 14, static_cast<uint16_t>(Bits));
    PutLong(info + 20, static_cast<uint32_t>(pixelBytes));
    PutLong(info + 32, static_cast<uint32_t>(tableEntries));
    PutLong(info + 36, static_cast<uint32_t>(Bits == 8 ? std::min<size_t>(Colors.size(), 256) : 0));

    TMemoryStream stream;
    stream.Write(head, sizeof head);
    for (int i = 0; i < tableEntries; ++i) {
        const TPaletteEntry e =
            i < static_cast<int>(Colors.size()) ? Colors[static_cast<size_t>(i)] : TPaletteEntry{};
        const uint8_t quad[4] = {e.Blue, e.Green, e.Red, 0};
        stream.Write(quad, 4);
    }
    stream.Write(Pixels.get(), pixelBytes);
    Pixels.reset();
    stream.SetPosition(0);
    bitmap.LoadFromStream(stream);
}
