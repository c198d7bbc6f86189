#include "GIFImageList.h"

#include "GIFImage.h"
#include "GIFMessages.h"
#include "GIFParallelEncoder.h"
#include "GIFSettings.h"
#include "GIFStreamIO.h"

#include <thread>
#include <vector>

void TGIFImageList::SaveToStream(TStream& stream) {
    const int count = Count();
    // Many frames: their image data is compressed side by side first.
    std::vector<std::vector<uint8_t>> compressed;
    const int threads =
        EncodeThreads > 0 ? EncodeThreads : static_cast<int>(std::thread::hardware_concurrency());
    int64_t pixels = 0;
    for (int i = 0; i < count; ++i) pixels += (*this)[i].DataSize();
    if (count >= ParallelEncodeMinFrames && pixels >= ParallelEncodeMinPixels && threads > 1) {
        std::vector<TGIFEncodeJob> jobs;
        for (int i = 0; i < count; ++i) {
            TGIFSubImage& frame = (*this)[i];
            if (frame.Empty()) continue;
            frame.UpdatePacked();
            jobs.push_back(frame.EncodeJob());
        }
        try {
            compressed = CompressFrames(jobs, threads);
        } catch (...) {
            // Written one frame after the other instead, so that the failure
            // comes at the same place with the same bytes before it.
            compressed.clear();
        }
    }
    size_t next = 0;
    for (int i = 0; i < count; ++i) {
        TGIFSubImage& frame = (*this)[i];
        if (!compressed.empty() && !frame.Empty())
            frame.SaveToStream(stream, compressed[next++]);
        else
            frame.SaveToStream(stream);
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
