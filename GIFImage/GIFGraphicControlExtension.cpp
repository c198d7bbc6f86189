#include "GIFGraphicControlExtension.h"

#include "GIFMessages.h"
#include "GIFStreamIO.h"
#include "GIFSubImage.h"

const TGIFExtensionClass& TGIFGraphicControlExtension::ClassInfo() {
    static const TGIFExtensionClass info{"TGIFGraphicControlExtension", ExtensionLabel,
                                         [](TGIFSubImage& frame) -> std::unique_ptr<TGIFExtension> {
                                             return std::make_unique<TGIFGraphicControlExtension>(frame);
                                         },
                                         KeepExtensionClass};
    return info;
}

TGIFGraphicControlExtension::TGIFGraphicControlExtension(TGIFSubImage& frame) : TGIFExtension(frame) {
    if (!frame.GraphicControlExtension()) frame.SetGraphicControlExtension(this);
}

TGIFGraphicControlExtension::~TGIFGraphicControlExtension() {
    if (OwnerFrame->GraphicControlExtension() == this) OwnerFrame->SetGraphicControlExtension(nullptr);
}

void TGIFGraphicControlExtension::SetDisposal(TGIFDisposal value) {
    const int bits =
        (static_cast<int>(value) << GIFWire::ControlDisposalShift) & GIFWire::ControlDisposalMask;
    Block[1] = static_cast<uint8_t>((Block[1] & ~GIFWire::ControlDisposalMask) | bits);
}

namespace {

uint8_t WithBit(uint8_t packed, uint8_t bit, bool on) {
    return static_cast<uint8_t>(on ? (packed | bit) : (packed & ~bit));
}

} // namespace

void TGIFGraphicControlExtension::SetUserInput(bool value) {
    Block[1] = WithBit(Block[1], GIFWire::ControlUserInput, value);
}

void TGIFGraphicControlExtension::SetTransparent(bool value) {
    Block[1] = WithBit(Block[1], GIFWire::ControlTransparent, value);
}

uint16_t TGIFGraphicControlExtension::Delay() const {
    return GIFIO::Word(&Block[2]);
}
void TGIFGraphicControlExtension::SetDelay(uint16_t hundredths) {
    GIFIO::SetWord(&Block[2], hundredths);
}

void TGIFGraphicControlExtension::SetTransparentColorIndex(int index) {
    const int count = OwnerFrame->ActiveColorMap().Count();
    if (index < 0 || (count > 0 && index >= count)) {
        Warning(SeverityWarning, GIFMessages::InvalidColorIndex);
        index = 0;
    }
    Block[4] = static_cast<uint8_t>(index);
}

void TGIFGraphicControlExtension::LoadBody(TStream& stream) {
    const int64_t got = stream.Read(Block.data(), static_cast<int64_t>(Block.size()));
    if (got < static_cast<int64_t>(Block.size())) {
        Warning(SeverityWarning, GIFMessages::PrematureEnd);
        return;
    }
}

void TGIFGraphicControlExtension::SaveBody(TStream& stream) {
    // The block size and terminator as the format has them, so that every
    // decoder reads the copy of a block that was stored otherwise.
    std::array<uint8_t, 6> bytes = Block;
    bytes[0] = GIFWire::ControlBlockSize;
    bytes[5] = bsBlockTerminator;
    stream.Write(bytes.data(), static_cast<int64_t>(bytes.size()));
}
