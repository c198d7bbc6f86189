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
    return GIFIO::Word(&Block[1]);
}
uint16_t TGIFTextExtension::GridTop() const {
    return GIFIO::Word(&Block[3]);
}
uint16_t TGIFTextExtension::GridWidth() const {
    return GIFIO::Word(&Block[5]);
}
uint16_t TGIFTextExtension::GridHeight() const {
    return GIFIO::Word(&Block[7]);
}

void TGIFTextExtension::LoadBody(TStream& stream) {
    GIFIO::ReadExact(stream, Block.data(), static_cast<int64_t>(Block.size()));
    ReadTextSubBlocks(stream, Text);
}

void TGIFTextExtension::SaveBody(TStream& stream) {
    // The block size as the format has it, whatever was read there.
    std::array<uint8_t, 13> bytes = Block;
    bytes[0] = GIFWire::TextBlockSize;
    stream.Write(bytes.data(), static_cast<int64_t>(bytes.size()));
    WriteTextSubBlocks(stream, Text);
}
