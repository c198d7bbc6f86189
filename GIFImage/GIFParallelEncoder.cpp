#include "GIFParallelEncoder.h"

#include "GIFEncoder.h"

#include <algorithm>
#include <atomic>
#include <exception>
#include <system_error>
#include <thread>

namespace {

std::vector<uint8_t> CompressOne(const TGIFEncodeJob& job) {
    TMemoryStream out;
    CompressImageData(out, job.Compression, job.Bits, job.Colors, job.Pixels, job.Interlaced, job.Height,
                      job.Width);
    return out.Memory();
}

} // namespace

std::vector<std::vector<uint8_t>> CompressFrames(const std::vector<TGIFEncodeJob>& jobs, int threads) {
    const size_t count = jobs.size();
    std::vector<std::vector<uint8_t>> results(count);
    std::vector<std::exception_ptr> errors(count);
    const size_t workers = std::min(count, static_cast<size_t>(std::max(1, threads)));
    if (workers <= 1) {
        for (size_t i = 0; i < count; ++i) results[i] = CompressOne(jobs[i]);
        return results;
    }
    // Frames are handed out one at a time, so that a few large frames do not
    // leave the other threads idle.
    std::atomic<size_t> next{0};
    const auto work = [&] {
        for (size_t i = next++; i < count; i = next++) {
            try {
                results[i] = CompressOne(jobs[i]);
            } catch (...) {
                errors[i] = std::current_exception();
            }
        }
    };
    std::vector<std::thread> pool;
    pool.reserve(workers - 1);
    for (size_t t = 1; t < workers; ++t) {
        try {
            pool.emplace_back(work);
        } catch (const std::system_error&) {
            break; // the threads already running and this one share the work
        }
    }
    work();
    for (auto& thread : pool) thread.join();
    for (size_t i = 0; i < count; ++i)
        if (errors[i]) std::rethrow_exception(errors[i]);
    return results;
}
