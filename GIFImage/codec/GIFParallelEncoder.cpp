#include "GIFParallelEncoder.h"

#include "GIFEncoder.h"
#include "GIFWorkerThreads.h"

namespace {

std::vector<uint8_t> CompressOne(const TGIFEncodeJob& job) {
    TMemoryStream out;
    CompressImageData(out, job.Compression, job.Bits, job.Colors, job.Pixels, job.Interlaced, job.Height,
                      job.Width, job.FillValue, job.KeepFullTable, job.LookAhead);
    return out.Memory();
}

} // namespace

std::vector<std::vector<uint8_t>> CompressFrames(const std::vector<TGIFEncodeJob>& jobs, int threads) {
    std::vector<std::vector<uint8_t>> results(jobs.size());
    // Frames are handed out one at a time, so that a few large frames do not
    // leave the other threads idle.
    GIFWorkers::ForEach(jobs.size(), threads, [&](size_t i) { results[i] = CompressOne(jobs[i]); });
    return results;
}
