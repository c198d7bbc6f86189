#include "GIFExtensionList.h"

#include "GIFException.h"
#include "GIFExtensionRegistry.h"
#include "GIFImage.h"
#include "GIFMessages.h"
#include "GIFStreamIO.h"

void TGIFExtensionList::LoadFromStream(TStream& stream, TGIFSubImage& frame) {
    uint8_t next = 0;
    // Zero bytes may stand between an extension and the image descriptor it
    // belongs to; stopping at them would split the frame from its extensions.
    if (!GIFIO::ReadNonZeroByte(stream, next)) return;
    while (next != bsImageSeparator && next != bsTrailer) {
        if (next != bsExtensionIntroducer) {
            if (OwnerImage) OwnerImage->Warning(SeverityWarning, GIFMessages::InvalidExtensionIntroducer);
            break;
        }
        const TGIFExtensionClass* found = FindExtensionClass(stream);
        if (!found) throw GIFException(GIFMessages::UnknownExtensionType);
        GIFIO::StepBack(stream);
        std::unique_ptr<TGIFExtension> extension = found->Create(frame);
        extension->LoadFromStream(stream);
        Add(std::move(extension));
        if (!GIFIO::ReadNonZeroByte(stream, next)) return;
    }
    GIFIO::StepBack(stream);
}
