#include "GIFGraphicControlExtension.h"

#include "GIFMessages.h"
#include "GIFStreamIO.h"
#include "GIFSubImage.h"

#include <algorithm>

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

void TGIFGraphicControlExtension::Hold() {
    if (Block[0] < GIFWire::ControlBlockSize) Block[0] = GIFWire::ControlBlockSize;
}

void TGIFGraphicControlExtension::SetDisposal(TGIFDisposal value) {
    Hold();
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
    Hold();
    Block[1] = WithBit(Block[1], GIFWire::ControlUserInput, value);
}

void TGIFGraphicControlExtension::SetTransparent(bool value) {
    Hold();
    Block[1] = WithBit(Block[1], GIFWire::ControlTransparent, value);
}

uint16_t TGIFGraphicControlExtension::Delay() const {
    return GIFIO::Word(&Block[2]);
}
void TGIFGraphicControlExtension::SetDelay(uint16_t hundredths) {
    Hold();
    GIFIO::SetWord(&Block[2], hundredths);
}

void TGIFGraphicControlExtension::SetTransparentColorIndex(int index) {
    const int count = OwnerFrame->ActiveColorMap().Count();
    if (index < 0 || (count > 0 && index >= count)) {
        Warning(SeverityWarning, GIFMessages::InvalidColorIndex);
        index = 0;
    }
    Hold();
    Block[4] = static_cast<uint8_t>(index);
}

void TGIFGraphicControlExtension::LoadBody(TStream& stream) {
    // Other decoders take the block by its size byte: a block of 0 or 2
    // bytes must not swallow the image descriptor after it. A block cut
    // short by the end of the stream keeps the fields that came and is
    // written back well-formed.
    Block = {0, 0, 0, 0, 0, 0};
    Extra.clear();
    uint8_t size = 0;
    auto cutShort = [&] {
        Warning(SeverityWarning, GIFMessages::PrematureEnd);
        Block[0] = GIFWire::ControlBlockSize;
        Extra.clear();
    };
    if (!GIFIO::ReadByte(stream, size)) return cutShort();
    Block[0] = size;
    const int64_t fields = std::min<int64_t>(size, GIFWire::ControlBlockSize);
    if (stream.Read(&Block[1], fields) < fields) return cutShort();
    Extra.resize(size - static_cast<size_t>(fields));
    if (stream.Read(Extra.data(), static_cast<int64_t>(Extra.size())) < static_cast<int64_t>(Extra.size()))
        return cutShort();
    // Sub-blocks after the block, as every decoder skips them.
    uint8_t next = 0;
    while (GIFIO::ReadByte(stream, next) && next != bsBlockTerminator) {
        const size_t at = Extra.size();
        Extra.resize(at + 1 + next);
        Extra[at] = next;
        if (stream.Read(&Extra[at + 1], next) < next) return cutShort();
    }
}

void TGIFGraphicControlExtension::SaveBody(TStream& stream) {
    const int64_t fields = std::min<int64_t>(Block[0], GIFWire::ControlBlockSize);
    stream.Write(Block.data(), 1 + fields);
    if (!Extra.empty()) stream.Write(Extra.data(), static_cast<int64_t>(Extra.size()));
    stream.WriteByte(bsBlockTerminator);
}
