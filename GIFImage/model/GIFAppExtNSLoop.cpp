#include "GIFAppExtNSLoop.h"

#include "GIFException.h"
#include "GIFMessages.h"
#include "GIFStreamIO.h"

const TGIFExtensionClass& TGIFAppExtNSLoop::ClassInfo() {
    static const TGIFExtensionClass info{"TGIFAppExtNSLoop", ExtensionLabel,
                                         [](TGIFSubImage& frame) -> std::unique_ptr<TGIFExtension> {
                                             return std::make_unique<TGIFAppExtNSLoop>(frame);
                                         },
                                         RefineApplicationExtensionClass};
    return info;
}

TGIFAppExtNSLoop::TGIFAppExtNSLoop(TGIFSubImage& frame) : TGIFApplicationExtension(frame) {
    Identifier = AppIdentifier("NETSCAPE2.0");
}

void TGIFAppExtNSLoop::WriteOwnData(TStream& stream) {
    const uint8_t loops[4] = {3, 1, static_cast<uint8_t>(Loops & 0xFF), static_cast<uint8_t>(Loops >> 8)};
    stream.Write(loops, 4);
    if (BufferSize != 0) {
        const uint8_t buffer[6] = {5,
                                   2,
                                   static_cast<uint8_t>(BufferSize & 0xFF),
                                   static_cast<uint8_t>((BufferSize >> 8) & 0xFF),
                                   static_cast<uint8_t>((BufferSize >> 16) & 0xFF),
                                   static_cast<uint8_t>(BufferSize >> 24)};
        stream.Write(buffer, 6);
    }
    stream.WriteByte(0);
}

void TGIFAppExtNSLoop::ReadOwnData(TStream& stream) {
    uint8_t size = 0;
    while (GIFIO::ReadByte(stream, size) && size != 0) {
        uint8_t id = 0;
        GIFIO::ReadExact(stream, &id, 1);
        if ((id & 7) == 1) {
            if (size < 3) throw GIFException(GIFMessages::InvalidData);
            uint8_t bytes[2];
            GIFIO::ReadExact(stream, bytes, 2);
            Loops = GIFIO::Word(bytes);
            GIFIO::Skip(stream, size - 3);
        } else if ((id & 7) == 2) {
            if (size < 5) throw GIFException(GIFMessages::InvalidData);
            uint8_t bytes[4];
            GIFIO::ReadExact(stream, bytes, 4);
            BufferSize = static_cast<uint32_t>(bytes[0]) | (static_cast<uint32_t>(bytes[1]) << 8) |
                         (static_cast<uint32_t>(bytes[2]) << 16) | (static_cast<uint32_t>(bytes[3]) << 24);
            GIFIO::Skip(stream, size - 5);
        } else {
            GIFIO::Skip(stream, size - 1);
        }
    }
}
