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

TGIFDecodedFrame DecodeFrame(const TGIFDecodeJob& job) {
    TGIFDecodedFrame result;
    TBorrowedMemoryStream stream(job.Data, job.Size);
    TGIFDecodeTarget target;
    target.Width = job.Width;
    target.Height = job.Height;
    target.Interlaced = job.Interlaced;
    target.FillValue = job.FillValue;
    const size_t count = static_cast<size_t>(job.Width) * static_cast<size_t>(job.Height);
    target.Allocate = [&]() -> uint8_t* {
        // Taken by the thread that decodes: the lines it writes are then
        // mostly in its own cache from the frames it decoded before.
        result.Pixels = std::make_shared_for_overwrite<uint8_t[]>(count);
        return result.Pixels.get();
    };
    try {
        DecodeImageData(stream, target,
                        [&](const std::string& message) { result.Warnings.push_back(message); });
    } catch (...) {
        result.Error = std::current_exception();
    }
    return result;
}

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
        std::atomic<bool> Done{false};
    };

    explicit TFrames(int capacity) : Slots(static_cast<size_t>(capacity)) {}

    TSlot& SlotOf(int64_t frame) { return Slots[static_cast<size_t>(frame) % Slots.size()]; }

    // Takes the oldest frame nobody has taken and decodes it; false when
    // every frame published is taken.
    bool DecodeNext() {
        int64_t frame = Taken.load(std::memory_order_relaxed);
        do {
            if (frame >= Published.load(std::memory_order_acquire)) return false;
        } while (!Taken.compare_exchange_weak(frame, frame + 1, std::memory_order_acq_rel));
        TSlot& slot = SlotOf(frame);
        slot.Result = DecodeFrame(slot.Job);
        // Sequentially consistent with Sleepers: either the waiter sees the
        // frame done, or this thread sees the waiter and wakes it.
        slot.Done.store(true);
        if (Sleepers.load() > 0) {
            std::lock_guard lock(Mutex);
            FrameDone.notify_all();
        }
        return true;
    }

    void Work() {
        while (DecodeNext()) {
        }
        --Helpers;
    }

    // Returns once slot is decoded: the thread watches for a moment, then sleeps.
    void WaitFor(TSlot& slot) {
        if (GIFWorkers::WatchBriefly([&] { return slot.Done.load(std::memory_order_acquire); })) return;
        std::unique_lock lock(Mutex);
        ++Sleepers;
        FrameDone.wait(lock, [&] { return slot.Done.load(); });
        --Sleepers;
    }

    std::vector<TSlot> Slots;
    std::atomic<int64_t> Published{0}; // frames whose slots are filled
    std::atomic<int64_t> Taken{0};     // frames a thread has taken to decode
    std::atomic<int> Helpers{0};       // tasks given to the worker threads and not ended
    std::atomic<int> Sleepers{0};      // threads asleep until a frame is done
    std::mutex Mutex;
    std::condition_variable FrameDone;
};

TGIFDecodePool::TGIFDecodePool(int threads, int startFrames, int64_t startPixels, int capacity)
    : Threads(threads), StartFrames(startFrames), StartPixels(startPixels),
      Frames(std::make_shared<TFrames>(std::max(1, capacity))) {}

TGIFDecodePool::~TGIFDecodePool() {
    // Nobody takes a frame from now on; those taken are waited for.
    const int64_t taken = Frames->Taken.exchange(std::numeric_limits<int64_t>::max());
    for (int64_t frame = Popped; frame < taken && frame < Pushed; ++frame)
        Frames->WaitFor(Frames->SlotOf(frame));
    // A task still queued holds the frames: their data and pixels go now.
    for (TFrames::TSlot& slot : Frames->Slots) {
        slot.Job = {};
        slot.Result = {};
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
    if (Pushed >= StartFrames && PushedPixels >= StartPixels) AskForHelp();
}

// Gives the worker threads as many tasks as they can run beside the caller.
void TGIFDecodePool::AskForHelp() {
    const int helpers = Threads - 1;
    while (Frames->Helpers.load() < helpers && Frames->Taken.load() < Frames->Published.load()) {
        ++Frames->Helpers;
        if (!GIFWorkers::Run([frames = Frames] { frames->Work(); }, helpers)) {
            --Frames->Helpers; // the caller decodes them
            return;
        }
    }
}

TGIFDecodedFrame TGIFDecodePool::Pop() {
    TFrames::TSlot& oldest = Frames->SlotOf(Popped);
    // While a worker has the oldest frame, the caller decodes the next ones
    // rather than wait: on a busy machine a worker may get no core for a
    // while, and the load then goes on as fast as on one thread.
    while (!oldest.Done.load(std::memory_order_acquire)) {
        if (!Frames->DecodeNext()) {
            Frames->WaitFor(oldest);
            break;
        }
    }
    TGIFDecodedFrame result = std::move(oldest.Result);
    Bytes -= oldest.Job.Size;
    oldest.Job = {};
    oldest.Result = {};
    ++Popped;
    return result;
}
