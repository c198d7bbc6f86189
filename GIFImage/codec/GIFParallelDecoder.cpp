#include "GIFParallelDecoder.h"

#include "GIFDecoder.h"
#include "GIFWorkerThreads.h"
#include "Stream.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <limits>
#include <mutex>
#include <stdexcept>

namespace {

// Decodes the job's data (or part of it) into target; the result's pixels
// are left to the caller.
void DecodeInto(const TGIFDecodeJob& job, const TGIFDecodeTarget& target, TGIFDecodePart* part,
                TGIFDecodedFrame& result) {
    TBorrowedMemoryStream stream(job.Data, job.Size);
    try {
        DecodeImageData(
            stream, target, [&](const std::string& message) { result.Warnings.push_back(message); }, part);
    } catch (...) {
        result.Error = std::current_exception();
    }
}

TGIFDecodeTarget TargetOf(const TGIFDecodeJob& job) {
    TGIFDecodeTarget target;
    target.Width = job.Width;
    target.Height = job.Height;
    target.Interlaced = job.Interlaced;
    target.FillValue = job.FillValue;
    return target;
}

size_t PixelsOf(const TGIFDecodeJob& job) {
    return static_cast<size_t>(job.Width) * static_cast<size_t>(job.Height);
}

// Frames of fewer pixels decode too fast to be worth cutting in two.
constexpr size_t MinCutPixels = size_t{128} * 1024;

} // namespace

TGIFDecodedFrame DecodeFrame(const TGIFDecodeJob& job) {
    TGIFDecodedFrame result;
    TGIFDecodeTarget target = TargetOf(job);
    target.Allocate = [&]() -> uint8_t* {
        // Taken by the thread that decodes: the lines it writes are then
        // mostly in its own cache from the frames it decoded before.
        result.Pixels = std::make_shared_for_overwrite<uint8_t[]>(PixelsOf(job));
        return result.Pixels.get();
    };
    DecodeInto(job, target, nullptr, result);
    return result;
}

namespace {

// A frame decoded in two parts side by side. The thread that takes the frame
// offers its second part to the other threads and decodes the first. A
// thread that takes the second part looks for the cut and decodes from
// there. The first part asks for the cut halfway through its data: if no
// thread has found it by then, it decodes the whole frame, and nothing was
// spent on the cut.
struct TCutFrame {
    enum : int { Looking, Cut, Whole };
    std::atomic<int> State{Looking};
    TGIFDataCut Where; // written before State becomes Cut
    int DecideBlock = -1;
    std::shared_ptr<uint8_t[]> Pixels;
    bool PixelsUsed = false; // the first part wrote pixels (as a whole frame: maybe none)
    TGIFDecodePart FirstPart, SecondPart;
    TGIFDecodedFrame First, Second;
    std::atomic<int> PartsLeft{2};
};

} // namespace

// The frames of one load, in a ring of slots. The reading thread fills the
// slot of each frame it reads and then publishes it; a thread takes the
// oldest frame nobody has taken by advancing Taken. Frames of small
// animations decode in microseconds, and a lock handed between two cores for
// every frame would cost more than that. Tasks on the worker threads hold
// the frames, so that a task started after the load has ended finds none.
struct TGIFDecodePool::TFrames {
    struct TSlot {
        TGIFDecodeJob Job;
        TGIFDecodedFrame Result;
        std::unique_ptr<TCutFrame> Cut; // while it is decoded in two parts
        std::atomic<bool> Done{false};
    };

    TFrames(int threads, int capacity) : Threads(threads), Slots(static_cast<size_t>(capacity)) {}

    // Gives the worker threads as many tasks as they can run beside the
    // caller, while there is work for them.
    void AskForHelp(const std::shared_ptr<TFrames>& self) {
        Helped = true;
        const int helpers = Threads - 1;
        while (Helpers.load() < helpers &&
               (Taken.load() < Published.load() || OfferedSecondPart.load() != nullptr)) {
            ++Helpers;
            if (!GIFWorkers::Run([self] { self->Work(); }, helpers)) {
                --Helpers; // the caller decodes them
                return;
            }
        }
    }

    TSlot& SlotOf(int64_t frame) { return Slots[static_cast<size_t>(frame) % Slots.size()]; }

    // Decodes an offered first part, or else takes the oldest frame nobody
    // has taken and decodes it; false when there is neither.
    bool DecodeNext() {
        if (TakeSecondPart()) return true;
        int64_t frame = Taken.load(std::memory_order_relaxed);
        do {
            if (frame >= Published.load(std::memory_order_acquire)) return false;
        } while (!Taken.compare_exchange_weak(frame, frame + 1, std::memory_order_acq_rel));
        TSlot& slot = SlotOf(frame);
        if (WorthCutting(frame))
            DecodeCut(slot);
        else
            Finished(slot, DecodeFrame(slot.Job));
        return true;
    }

    void Work() {
        while (DecodeNext()) {
        }
        --Helpers;
    }

    // Returns once slot is decoded, decoding first parts offered meanwhile.
    void WaitFor(TSlot& slot) {
        while (!slot.Done.load(std::memory_order_acquire))
            if (!TakeSecondPart()) WaitForNews(slot);
    }

    // Returns once slot is decoded or a first part is offered: the thread
    // watches for a moment, then sleeps.
    void WaitForNews(TSlot& slot) {
        const auto news = [&] { return slot.Done.load() || OfferedSecondPart.load() != nullptr; };
        if (GIFWorkers::WatchBriefly(news)) return;
        std::unique_lock lock(Mutex);
        ++Sleepers;
        FrameDone.wait(lock, news);
        --Sleepers;
    }

    void Finished(TSlot& slot, TGIFDecodedFrame result) {
        slot.Result = std::move(result);
        // Sequentially consistent with Sleepers: either the waiter sees the
        // frame done, or this thread sees the waiter and wakes it.
        slot.Done.store(true);
        WakeSleepers();
    }

    void WakeSleepers() {
        if (Sleepers.load() > 0) {
            std::lock_guard lock(Mutex);
            FrameDone.notify_all();
        }
    }

    // A large frame is cut where it is more work than the frames queued
    // after it, which the other threads would otherwise decode meanwhile.
    bool WorthCutting(int64_t frame) {
        const TGIFDecodeJob& job = SlotOf(frame).Job;
        const size_t pixels = PixelsOf(job);
        // Only once the other threads help: a load on one thread never cuts.
        if (!Helped.load() || job.Interlaced || pixels < MinCutPixels ||
            pixels > static_cast<size_t>(std::numeric_limits<int>::max()))
            return false;
        size_t after = 0;
        const int64_t published = Published.load(std::memory_order_acquire);
        for (int64_t f = frame + 1; f < published && after < pixels; ++f) after += PixelsOf(SlotOf(f).Job);
        return after < pixels;
    }

    void DecodeCut(TSlot& slot);
    bool TakeSecondPart();
    void DecodeFirstPart(TSlot& slot);
    void DecodeSecondPart(TSlot& slot);
    void PartsFinished(TSlot& slot, int parts);

    const int Threads;
    std::weak_ptr<TFrames> Self;
    std::vector<TSlot> Slots;
    std::atomic<TSlot*> OfferedSecondPart{nullptr}; // one at a time
    std::atomic<int64_t> Published{0};              // frames whose slots are filled
    std::atomic<int64_t> Taken{0};                  // frames a thread has taken to decode
    std::atomic<int> Helpers{0};                    // tasks given to the worker threads and not ended
    std::atomic<bool> Helped{false};                // the worker threads have been asked
    std::atomic<int> Sleepers{0};                   // threads asleep until a frame is done
    std::mutex Mutex;
    std::condition_variable FrameDone;
};

void TGIFDecodePool::TFrames::DecodeCut(TSlot& slot) {
    const TGIFDecodeJob& job = slot.Job;
    auto cut = std::make_unique<TCutFrame>();
    cut->DecideBlock = MiddleDataBlock(job.Data, job.Size);
    cut->Pixels = std::make_shared_for_overwrite<uint8_t[]>(PixelsOf(job));
    slot.Cut = std::move(cut);
    TSlot* none = nullptr;
    if (slot.Cut->DecideBlock < 1 || !OfferedSecondPart.compare_exchange_strong(none, &slot)) {
        slot.Cut = nullptr;
        Finished(slot, DecodeFrame(job));
        return;
    }
    WakeSleepers();
    AskForHelp(Self.lock());
    DecodeFirstPart(slot);
    // Not taken: the first part has decoded the whole frame.
    TSlot* offered = &slot;
    const bool untaken = OfferedSecondPart.compare_exchange_strong(offered, nullptr);
    PartsFinished(slot, untaken ? 2 : 1);
}

bool TGIFDecodePool::TFrames::TakeSecondPart() {
    if (OfferedSecondPart.load(std::memory_order_relaxed) == nullptr) return false;
    TSlot* slot = OfferedSecondPart.exchange(nullptr);
    if (!slot) return false;
    DecodeSecondPart(*slot);
    PartsFinished(*slot, 1);
    return true;
}

void TGIFDecodePool::TFrames::DecodeSecondPart(TSlot& slot) {
    TCutFrame& frame = *slot.Cut;
    const TGIFDecodeJob& job = slot.Job;
    if (frame.State.load() != TCutFrame::Looking) return; // the first part went on alone
    const std::optional<TGIFDataCut> where =
        FindDataCut(job.Data, job.Size, frame.DecideBlock, PixelsOf(job));
    int looking = TCutFrame::Looking;
    if (!where) {
        frame.State.compare_exchange_strong(looking, TCutFrame::Whole);
        return;
    }
    frame.Where = *where;
    if (!frame.State.compare_exchange_strong(looking, TCutFrame::Cut)) return;
    TGIFDecodeTarget target = TargetOf(job);
    target.Pixels = frame.Pixels.get() + where->Pixel;
    target.Width = static_cast<int>(PixelsOf(job) - where->Pixel);
    target.Height = 1;
    frame.SecondPart.StartBit = where->Bit;
    DecodeInto(job, target, &frame.SecondPart, frame.Second);
}

void TGIFDecodePool::TFrames::DecodeFirstPart(TSlot& slot) {
    TCutFrame& frame = *slot.Cut;
    TGIFDecodeTarget target = TargetOf(slot.Job);
    target.Allocate = [&] {
        frame.PixelsUsed = true;
        return frame.Pixels.get();
    };
    frame.FirstPart.DecideBlock = frame.DecideBlock;
    frame.FirstPart.Decide = [&]() -> std::optional<TGIFDataCut> {
        int looking = TCutFrame::Looking;
        if (frame.State.compare_exchange_strong(looking, TCutFrame::Whole)) return std::nullopt;
        if (looking == TCutFrame::Cut) return frame.Where;
        return std::nullopt;
    };
    DecodeInto(slot.Job, target, &frame.FirstPart, frame.First);
}

// The thread that finishes the last part puts the frame together. A part
// that found the data other than the cut says (only corrupt data can do
// that) gives way to decoding the frame whole.
void TGIFDecodePool::TFrames::PartsFinished(TSlot& slot, int parts) {
    TCutFrame& frame = *slot.Cut;
    if (frame.PartsLeft.fetch_sub(parts) != parts) return;
    TGIFDecodedFrame result;
    if (frame.State.load() == TCutFrame::Whole) {
        result = std::move(frame.First);
        if (frame.PixelsUsed) result.Pixels = frame.Pixels;
    } else if (frame.FirstPart.Stopped && frame.First.Warnings.empty() && !frame.First.Error &&
               !frame.SecondPart.Mismatch) {
        result = std::move(frame.Second);
        result.Pixels = frame.Pixels;
    } else {
        result = DecodeFrame(slot.Job);
    }
    Finished(slot, std::move(result));
}

TGIFDecodePool::TGIFDecodePool(int threads, int startFrames, int64_t startPixels, int capacity)
    : Threads(threads), StartFrames(startFrames), StartPixels(startPixels),
      Frames(std::make_shared<TFrames>(threads, std::max(1, capacity))) {
    Frames->Self = Frames;
}

TGIFDecodePool::~TGIFDecodePool() {
    // Nobody takes a frame from now on; those taken are waited for.
    const int64_t taken = Frames->Taken.exchange(std::numeric_limits<int64_t>::max());
    for (int64_t frame = Popped; frame < taken && frame < Pushed; ++frame)
        Frames->WaitFor(Frames->SlotOf(frame));
    // A task still queued holds the frames: their data and pixels go now.
    for (TFrames::TSlot& slot : Frames->Slots) {
        slot.Job = {};
        slot.Result = {};
        slot.Cut = nullptr;
    }
}

void TGIFDecodePool::Push(TGIFDecodeJob job) {
    if (Pushed - Popped >= static_cast<int64_t>(Frames->Slots.size()))
        throw std::length_error("TGIFDecodePool: more frames queued than it holds");
    const int64_t pixels = int64_t{job.Width} * job.Height;
    TFrames::TSlot& slot = Frames->SlotOf(Pushed);
    Bytes += job.Size;
    PushedPixels += pixels;
    slot.Job = std::move(job);
    slot.Done.store(false, std::memory_order_relaxed);
    Frames->Published.store(++Pushed, std::memory_order_release);
    if (Pushed >= StartFrames && PushedPixels >= StartPixels) Frames->AskForHelp(Frames);
}

TGIFDecodedFrame TGIFDecodePool::Pop() {
    TFrames::TSlot& oldest = Frames->SlotOf(Popped);
    // While a worker has the oldest frame, the caller decodes the next ones
    // rather than wait: on a busy machine a worker may get no core for a
    // while, and the load then goes on as fast as on one thread.
    while (!oldest.Done.load(std::memory_order_acquire))
        if (!Frames->DecodeNext()) Frames->WaitForNews(oldest);
    TGIFDecodedFrame result = std::move(oldest.Result);
    Bytes -= oldest.Job.Size;
    oldest.Job = {};
    oldest.Result = {};
    oldest.Cut = nullptr;
    ++Popped;
    return result;
}
