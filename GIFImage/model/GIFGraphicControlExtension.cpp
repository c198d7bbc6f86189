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
    Block = {0, 0, 0, 0, 0, 0};
    Extra.clear();
    auto cutShort = [&] {
        Warning(SeverityWarning, GIFMessages::PrematureEnd);
        Extra.clear();
    };
    if (!GIFIO::ReadByte(stream, Block[0])) return cutShort();
    // A block of the standard size or longer: its four fields, and the next
    // byte taken as its terminator, as loose writers leave them.
    if (Block[0] >= GIFWire::ControlBlockSize) {
        if (stream.Read(&Block[1], 5) < 5) cutShort();
        return;
    }
    // A shorter block (0 or 2 bytes, say) lacks fields, and every decoder
    // takes it by its size byte: reading 4 would swallow the image
    // descriptor after it. Its sub-blocks are kept to be written back.
    if (stream.Read(&Block[1], Block[0]) < Block[0]) return cutShort();
    uint8_t next = 0;
    while (GIFIO::ReadByte(stream, next) && next != bsBlockTerminator) {
        const size_t at = Extra.size();
        Extra.resize(at + 1 + next);
        Extra[at] = next;
        if (stream.Read(&Extra[at + 1], next) < next) return cutShort();
    }
}

void TGIFGraphicControlExtension::SaveBody(TStream& stream) {
    // A block of the standard size or longer is written in the standard
    // form, so that every decoder reads the copy; a shorter one as it was
    // read, so that every decoder reads the copy as it read the original.
    if (Block[0] >= GIFWire::ControlBlockSize) {
        std::array<uint8_t, 6> bytes = Block;
        bytes[0] = GIFWire::ControlBlockSize;
        bytes[5] = bsBlockTerminator;
        stream.Write(bytes.data(), static_cast<int64_t>(bytes.size()));
        return;
    }
    stream.Write(Block.data(), 1 + Block[0]);
    if (!Extra.empty()) stream.Write(Extra.data(), static_cast<int64_t>(Extra.size()));
    stream.WriteByte(bsBlockTerminator);
}
