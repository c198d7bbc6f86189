#include "GIFParallelDecoder.h"

#include "GIFDecoder.h"
#include "GIFWorkerThreads.h"
#include "Stream.h"

#include <condition_variable>
#include <deque>
#include <mutex>

TGIFDecodedFrame DecodeFrame(const TGIFDecodeJob& job) {
    TGIFDecodedFrame result;
    TBorrowedMemoryStream stream(job.Data.get(), job.Size);
    TGIFDecodeTarget target;
    target.Width = job.Width;
    target.Height = job.Height;
    target.Interlaced = job.Interlaced;
    target.FillValue = job.FillValue;
    const size_t count = static_cast<size_t>(job.Width) * static_cast<size_t>(job.Height);
    target.Allocate = [&]() -> uint8_t* {
        result.Pixels = std::shared_ptr<uint8_t[]>(new uint8_t[count]);
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

// The frames of one load. Tasks on the worker threads hold it, so that a
// task queued behind other work and started after the load has ended finds
// no frame and ends.
struct TGIFDecodePool::TFrames {
    struct TSlot {
        TGIFDecodeJob Job;
        TGIFDecodedFrame Result;
        bool Done = false;
    };

    // Decodes the oldest frame no thread has taken, as long as there is one.
    void Work() {
        std::unique_lock lock(Mutex);
        while (!Waiting.empty()) {
            TSlot& slot = *Waiting.front();
            Waiting.pop_front();
            ++Running;
            DecodeHere(lock, slot);
            --Running;
        }
        --Helpers;
        if (Running == 0) JobDone.notify_all();
    }

    // Decodes slot on this thread; lock is held before and after.
    void DecodeHere(std::unique_lock<std::mutex>& lock, TSlot& slot) {
        lock.unlock();
        TGIFDecodedFrame result = DecodeFrame(slot.Job);
        lock.lock();
        slot.Result = std::move(result);
        slot.Done = true;
        JobDone.notify_all();
    }

    // Every frame queued and not popped, oldest first; Waiting holds those no
    // thread has taken, which are always the newest.
    std::deque<std::unique_ptr<TSlot>> Slots;
    std::deque<TSlot*> Waiting;
    int Helpers = 0; // tasks given to the worker threads and not ended
    int Running = 0; // frames the worker threads are decoding
    std::mutex Mutex;
    std::condition_variable JobDone;
};

TGIFDecodePool::TGIFDecodePool(int threads, int startFrames, int64_t startPixels)
    : Threads(threads), StartFrames(startFrames), StartPixels(startPixels),
      Frames(std::make_shared<TFrames>()) {}

TGIFDecodePool::~TGIFDecodePool() {
    std::unique_lock lock(Frames->Mutex);
    Frames->Waiting.clear();
    Frames->JobDone.wait(lock, [this] { return Frames->Running == 0; });
    // A task still queued holds the frames: their data and pixels go now.
    Frames->Slots.clear();
}

void TGIFDecodePool::Push(TGIFDecodeJob job) {
    auto slot = std::make_unique<TFrames::TSlot>();
    slot->Job = std::move(job);
    Bytes += slot->Job.Size;
    {
        std::lock_guard lock(Frames->Mutex);
        Frames->Waiting.push_back(slot.get());
        Frames->Slots.push_back(std::move(slot));
    }
    PushedPixels += int64_t{job.Width} * job.Height;
    if (++Pushed >= StartFrames && PushedPixels >= StartPixels) AskForHelp();
}

// Gives the worker threads as many tasks as they can run beside the caller.
void TGIFDecodePool::AskForHelp() {
    const int helpers = Threads - 1;
    std::unique_lock lock(Frames->Mutex);
    while (Frames->Helpers < helpers && Frames->Helpers < static_cast<int>(Frames->Waiting.size())) {
        ++Frames->Helpers;
        lock.unlock();
        const bool running = GIFWorkers::Run([frames = Frames] { frames->Work(); }, helpers);
        lock.lock();
        if (!running) {
            --Frames->Helpers; // the caller decodes them
            return;
        }
    }
}

TGIFDecodedFrame TGIFDecodePool::Pop() {
    std::unique_lock lock(Frames->Mutex);
    TFrames::TSlot& oldest = *Frames->Slots.front();
    // While a worker has the oldest frame, the caller decodes the next ones
    // rather than wait: on a busy machine a worker may get no core for a
    // while, and the load then goes on as fast as on one thread.
    while (!oldest.Done) {
        if (!Frames->Waiting.empty()) {
            TFrames::TSlot& next = *Frames->Waiting.front();
            Frames->Waiting.pop_front();
            Frames->DecodeHere(lock, next);
        } else {
            Frames->JobDone.wait(lock);
        }
    }
    TGIFDecodedFrame result = std::move(oldest.Result);
    Bytes -= oldest.Job.Size;
    Frames->Slots.pop_front();
    return result;
}
