#include "GIFImageList.h"

#include "GIFImage.h"
#include "GIFMessages.h"
#include "GIFSettings.h"
#include "GIFStreamIO.h"

void TGIFImageList::SaveToStream(TStream& stream) {
    const int count = Count();
    for (int i = 0; i < count; ++i) {
        (*this)[i].SaveToStream(stream);
        if (OwnerImage)
            OwnerImage->Progress(TProgressStage::Running, (i + 1) * 100 / count, false, TRect{},
                                 GIFMessages::Saving);
    }
}

void TGIFImageList::LoadFromStream(TStream& stream) {
    const int64_t size = stream.Size();
    uint8_t next = 0;
    if (!GIFIO::ReadNonZeroByte(stream, next)) return;
    while (next != bsTrailer) {
        GIFIO::StepBack(stream);
        if (next != bsExtensionIntroducer && next != bsImageSeparator) {
            // Left at the unknown byte, which the trailer check then meets.
            if (OwnerImage) OwnerImage->Warning(SeverityWarning, GIFMessages::UnknownBlockType);
            return;
        }
        auto frame = std::make_unique<TGIFSubImage>(OwnerImage);
        frame->LoadFromStream(stream);
        Add(std::move(frame));
        if (OwnerImage) {
            const int percent = size > 0 ? static_cast<int>(stream.Position() * 100 / size) : 100;
            OwnerImage->Progress(TProgressStage::Running, percent, RenderOnLoad, TRect{},
                                 GIFMessages::Loading);
        }
        if (!GIFIO::ReadNonZeroByte(stream, next)) return;
    }
    GIFIO::StepBack(stream);
}
