#include "GIFExtension.h"

#include "GIFException.h"
#include "GIFMessages.h"
#include "GIFStreamIO.h"
#include "GIFSubImage.h"

const TGIFExtensionClass& KeepExtensionClass(const TGIFExtensionClass& self, TStream&) {
    return self;
}

TGIFExtension::TGIFExtension(TGIFSubImage& frame) : TGIFItem(frame.Image()), OwnerFrame(&frame) {}

void TGIFExtension::LoadFromStream(TStream& stream) {
    uint8_t head[2];
    GIFIO::ReadExact(stream, head, 2);
    if (head[0] != bsExtensionIntroducer) throw GIFException(GIFMessages::InvalidExtensionIntroducer);
    if (head[1] != Label()) throw GIFException(GIFMessages::ExtensionLabelMismatch);
    LoadBody(stream);
}

void TGIFExtension::SaveToStream(TStream& stream) {
    const uint8_t head[2] = {bsExtensionIntroducer, Label()};
    stream.Write(head, 2);
    SaveBody(stream);
}
