#include "GIFParallelDecoder.h"

#include "GIFDecoder.h"
#include "Stream.h"

#include <system_error>

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

TGIFDecodePool::TGIFDecodePool(int threads, int startFrames) : Threads(threads), StartFrames(startFrames) {}

TGIFDecodePool::~TGIFDecodePool() {
    {
        std::lock_guard lock(Mutex);
        Stopping = true;
        Waiting.clear();
    }
    JobQueued.notify_all();
    for (auto& worker : Workers) worker.join();
}

void TGIFDecodePool::Push(TGIFDecodeJob job) {
    auto slot = std::make_unique<TSlot>();
    slot->Job = std::move(job);
    Bytes += slot->Job.Size;
    {
        std::lock_guard lock(Mutex);
        Waiting.push_back(slot.get());
        Slots.push_back(std::move(slot));
    }
    JobQueued.notify_one();
    if (++Pushed == StartFrames) StartWorkers();
}

void TGIFDecodePool::StartWorkers() {
    // The caller decodes too while it waits for results.
    for (int i = 1; i < Threads; ++i) {
        try {
            Workers.emplace_back([this] { Work(); });
        } catch (const std::system_error&) {
            break; // the threads already running share the frames, or the caller decodes them
        }
    }
}

void TGIFDecodePool::Work() {
    std::unique_lock lock(Mutex);
    for (;;) {
        JobQueued.wait(lock, [this] { return Stopping || !Waiting.empty(); });
        if (Stopping) return;
        TSlot& slot = *Waiting.front();
        Waiting.pop_front();
        DecodeHere(lock, slot);
    }
}

void TGIFDecodePool::DecodeHere(std::unique_lock<std::mutex>& lock, TSlot& slot) {
    slot.Taken = true;
    lock.unlock();
    TGIFDecodedFrame result = DecodeFrame(slot.Job);
    lock.lock();
    slot.Result = std::move(result);
    slot.Done = true;
    JobDone.notify_all();
}

TGIFDecodedFrame TGIFDecodePool::Pop() {
    std::unique_lock lock(Mutex);
    TSlot& oldest = *Slots.front();
    // While a worker has the oldest frame, the caller decodes the next ones
    // rather than wait: on a busy machine a worker may get no core for a
    // while, and the load then goes on as fast as on one thread.
    while (!oldest.Done) {
        if (!Waiting.empty()) {
            TSlot& next = *Waiting.front();
            Waiting.pop_front();
            DecodeHere(lock, next);
        } else {
            JobDone.wait(lock);
        }
    }
    TGIFDecodedFrame result = std::move(oldest.Result);
    Bytes -= oldest.Job.Size;
    Slots.pop_front();
    return result;
}
