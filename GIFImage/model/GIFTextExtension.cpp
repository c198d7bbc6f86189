#include "GIFTextExtension.h"

#include "GIFStreamIO.h"
#include "GIFSubBlocks.h"

const TGIFExtensionClass& TGIFTextExtension::ClassInfo() {
    static const TGIFExtensionClass info{"TGIFTextExtension", ExtensionLabel,
                                         [](TGIFSubImage& frame) -> std::unique_ptr<TGIFExtension> {
                                             return std::make_unique<TGIFTextExtension>(frame);
                                         },
                                         KeepExtensionClass};
    return info;
}

uint16_t TGIFTextExtension::GridLeft() const {
    return static_cast<uint16_t>(Field(1) | Field(2) << 8);
}
uint16_t TGIFTextExtension::GridTop() const {
    return static_cast<uint16_t>(Field(3) | Field(4) << 8);
}
uint16_t TGIFTextExtension::GridWidth() const {
    return static_cast<uint16_t>(Field(5) | Field(6) << 8);
}
uint16_t TGIFTextExtension::GridHeight() const {
    return static_cast<uint16_t>(Field(7) | Field(8) << 8);
}

void TGIFTextExtension::LoadBody(TStream& stream) {
    // Other decoders pass over the block by its size byte: a block of
    // another size than 12 must not swallow what follows it.
    uint8_t size = 0;
    GIFIO::ReadExact(stream, &size, 1);
    Block.assign(size_t{1} + size, 0);
    Block[0] = size;
    GIFIO::ReadExact(stream, Block.data() + 1, size);
    ReadTextSubBlocks(stream, Text);
}

void TGIFTextExtension::SaveBody(TStream& stream) {
    stream.Write(Block.data(), static_cast<int64_t>(Block.size()));
    WriteTextSubBlocks(stream, Text);
}
