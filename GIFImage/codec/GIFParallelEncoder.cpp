#include "GIFParallelEncoder.h"

#include "GIFEncoder.h"
#include "GIFWorkerThreads.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <exception>
#include <memory>
#include <mutex>

namespace {

std::vector<uint8_t> CompressOne(const TGIFEncodeJob& job) {
    TMemoryStream out;
    CompressImageData(out, job.Compression, job.Bits, job.Colors, job.Pixels, job.Interlaced, job.Height,
                      job.Width, job.FillValue, job.KeepFullTable);
    return out.Memory();
}

// The frames of one call, shared with its helper threads. A helper may start
// only after the caller has compressed every frame itself (on a busy
// machine a thread can wait long for a core): it then finds no frame left
// and ends, and the caller never waits for it. The caller waits only
// for frames that a helper has taken.
struct TBatch {
    explicit TBatch(const std::vector<TGIFEncodeJob>& jobs)
        : Jobs(jobs), Count(jobs.size()), Results(Count), Errors(Count) {}

    // Compresses frames until none is left to take.
    void Work() {
        for (size_t i = Next++; i < Count; i = Next++) {
            try {
                Results[i] = CompressOne(Jobs[i]);
            } catch (...) {
                Errors[i] = std::current_exception();
            }
            std::lock_guard lock(Mutex);
            if (++Done == Count) AllDone.notify_all();
        }
    }

    void WaitForAll() {
        std::unique_lock lock(Mutex);
        AllDone.wait(lock, [this] { return Done == Count; });
    }

    // Only read for a frame taken while the caller still waits for it.
    const std::vector<TGIFEncodeJob>& Jobs;
    const size_t Count;
    std::atomic<size_t> Next{0};
    std::vector<std::vector<uint8_t>> Results;
    std::vector<std::exception_ptr> Errors;
    std::mutex Mutex;
    std::condition_variable AllDone;
    size_t Done = 0;
};

} // namespace

std::vector<std::vector<uint8_t>> CompressFrames(const std::vector<TGIFEncodeJob>& jobs, int threads) {
    const size_t count = jobs.size();
    const size_t workers = std::min(count, static_cast<size_t>(std::max(1, threads)));
    if (workers <= 1) {
        std::vector<std::vector<uint8_t>> results(count);
        for (size_t i = 0; i < count; ++i) results[i] = CompressOne(jobs[i]);
        return results;
    }
    // Frames are handed out one at a time, so that a few large frames do not
    // leave the other threads idle.
    const auto batch = std::make_shared<TBatch>(jobs);
    const int helpers = static_cast<int>(workers) - 1;
    for (int t = 0; t < helpers; ++t)
        if (!GIFWorkers::Run([batch] { batch->Work(); }, helpers))
            break; // the threads already running and this one share the work
    batch->Work();
    batch->WaitForAll();
    for (size_t i = 0; i < count; ++i)
        if (batch->Errors[i]) std::rethrow_exception(batch->Errors[i]);
    return std::move(batch->Results);
}
