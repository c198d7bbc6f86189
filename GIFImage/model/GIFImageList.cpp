#include "GIFImageList.h"

#include "GIFImage.h"
#include "GIFMessages.h"
#include "GIFParallelDecoder.h"
#include "GIFParallelEncoder.h"
#include "GIFSettings.h"
#include "GIFStreamIO.h"

#include <algorithm>
#include <deque>
#include <functional>
#include <thread>
#include <vector>

void TGIFImageList::SaveToStream(TStream& stream) {
    const int count = Count();
    // Many frames: their image data is compressed side by side first.
    std::vector<std::vector<uint8_t>> compressed;
    const int threads = EncodeThreadCount();
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

namespace {

// Frames whose image data is read ahead and decoded on other threads. The
// reader finishes them in the order they were read (each frame's warnings,
// its pixels or its error, rendering, adding it, progress) before it reports
// anything of its own, and before its own failure passes on; so callers see
// what a load that reads and decodes one frame after the other shows.
class TFramesAhead {
public:
    using TFinish = std::function<void(std::unique_ptr<TGIFSubImage>, int percent)>;

    TFramesAhead(TGIFImage& image, TStream& stream, int threads, TFinish finish)
        : Image(image), Stream(stream), Size(stream.Size()),
          MaxFramesAhead(std::max(1, MaxDecodeAheadFrames)),
          Pool(threads, ParallelDecodeMinFrames, ParallelDecodeMinPixels, MaxFramesAhead + 1),
          Finish(std::move(finish)) {
        Image.FinishFramesAhead = [this] { FinishAll(); };
    }
    ~TFramesAhead() { Image.FinishFramesAhead = nullptr; }

    // Reads the frame that starts at the stream's position.
    void Read(std::unique_ptr<TGIFSubImage> frame);
    // Finishes every frame read; after a failing frame the later ones are
    // dropped, as a load stops there.
    void FinishAll();

private:
    struct TEntry {
        std::unique_ptr<TGIFSubImage> Frame;
        bool Decoding = false; // its job is in the pool
        int Percent = 0;
    };
    void FinishOldest();

    TGIFImage& Image;
    TStream& Stream;
    const int64_t Size;
    std::deque<TEntry> Entries;
    const int MaxFramesAhead; // read, and not finished; one more while a frame is read
    TGIFDecodePool Pool;
    TFinish Finish;
    bool Finishing = false;
};

void TFramesAhead::Read(std::unique_ptr<TGIFSubImage> frame) {
    TGIFDecodeJob job;
    const bool hasData = frame->ReadAhead(Stream, job);
    TEntry entry;
    if (hasData && job.Data && Image.ReservePixels(frame->DataSize())) {
        Pool.Push(std::move(job));
        entry.Decoding = true;
    } else if (hasData) {
        // Data too large to hold, or pixels whose claim depends on whether
        // the frames before allocate: decoded here once they are finished.
        FinishAll();
        frame->DecodeReadAhead(Stream, job);
    }
    entry.Frame = std::move(frame);
    entry.Percent = Size > 0 ? static_cast<int>(Stream.Position() * 100 / Size) : 100;
    Entries.push_back(std::move(entry));
    while (Entries.size() > static_cast<size_t>(MaxFramesAhead) || Pool.QueuedBytes() > MaxDecodeAheadBytes)
        FinishOldest();
}

void TFramesAhead::FinishOldest() {
    TEntry entry = std::move(Entries.front());
    Entries.pop_front();
    // What the frame reports while it finishes is its own: the frames after
    // it wait.
    Finishing = true;
    try {
        if (entry.Decoding) entry.Frame->TakeDecoded(Pool.Pop());
        Finish(std::move(entry.Frame), entry.Percent);
    } catch (...) {
        Finishing = false;
        Entries.clear();
        throw;
    }
    Finishing = false;
}

void TFramesAhead::FinishAll() {
    if (Finishing) return;
    while (!Entries.empty()) FinishOldest();
}

} // namespace

void TGIFImageList::LoadFromStream(TStream& stream) {
    const int threads =
        DecodeThreads > 0 ? DecodeThreads : static_cast<int>(std::thread::hardware_concurrency());
    const auto finish = [this](std::unique_ptr<TGIFSubImage> frame, int percentDone) {
        Add(std::move(frame));
        if (OwnerImage)
            OwnerImage->Progress(TProgressStage::Running, percentDone, RenderOnLoad, TRect{},
                                 GIFMessages::Loading);
    };
    if (!OwnerImage || threads <= 1) {
        const int64_t size = stream.Size();
        ReadFrames(stream, [&](std::unique_ptr<TGIFSubImage> frame) {
            frame->LoadFromStream(stream);
            finish(std::move(frame), size > 0 ? static_cast<int>(stream.Position() * 100 / size) : 100);
        });
        return;
    }
    TFramesAhead ahead(*OwnerImage, stream, threads, finish);
    try {
        ReadFrames(stream, [&](std::unique_ptr<TGIFSubImage> frame) { ahead.Read(std::move(frame)); });
    } catch (...) {
        // The frames read before the failure come first, and so does an
        // error of theirs.
        ahead.FinishAll();
        throw;
    }
    ahead.FinishAll();
}

void TGIFImageList::ReadFrames(TStream& stream,
                               const std::function<void(std::unique_ptr<TGIFSubImage>)>& readFrame) {
    uint8_t next = 0;
    if (!GIFIO::ReadNonZeroByte(stream, next)) return;
    while (next != bsTrailer) {
        GIFIO::StepBack(stream);
        if (next != bsExtensionIntroducer && next != bsImageSeparator) {
            // Left at the unknown byte, which the trailer check then meets.
            if (OwnerImage) OwnerImage->Warning(SeverityWarning, GIFMessages::UnknownBlockType);
            return;
        }
        readFrame(std::make_unique<TGIFSubImage>(OwnerImage));
        if (!GIFIO::ReadNonZeroByte(stream, next)) return;
    }
    GIFIO::StepBack(stream);
}
