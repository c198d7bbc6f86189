#include "GIFParallelEncoder.h"

#include "GIFDecoder.h"
#include "GIFEncoder.h"
#include "GIFException.h"
#include "GIFWorkerThreads.h"

#include <algorithm>
#include <cstring>
#include <thread>

namespace {

// Whether data, made earlier, is the job's pixels compressed: data of the
// code size the job's would have, that decodes without a warning to the
// pixels exactly and ends where the data ends, the pixels all in the
// job's table. Checking costs a decode, a fraction of what compressing
// takes where the data was chosen by looking ahead.
bool HoldsPixels(const std::vector<uint8_t>& data, const TGIFEncodeJob& job) {
    if (job.Compression != TGIFCompression::LZW || !job.Pixels || data.empty() ||
        data[0] != std::clamp(job.Bits, 2, 8))
        return false;
    const size_t count = static_cast<size_t>(job.Width) * static_cast<size_t>(job.Height);
    if (job.Colors < 256 &&
        std::any_of(job.Pixels, job.Pixels + count, [&](uint8_t pixel) { return pixel >= job.Colors; }))
        return false;
    std::vector<uint8_t> decoded(count);
    TBorrowedMemoryStream stream(data.data(), static_cast<int64_t>(data.size()));
    TGIFDecodeTarget target;
    target.Pixels = decoded.data();
    target.Width = job.Width;
    target.Height = job.Height;
    target.Interlaced = job.Interlaced;
    bool warned = false;
    try {
        DecodeImageData(stream, target, [&](const std::string&) { warned = true; });
    } catch (const GIFException&) {
        return false;
    }
    return !warned && stream.Position() == stream.Size() &&
           std::memcmp(decoded.data(), job.Pixels, count) == 0;
}

std::vector<uint8_t> CompressOne(const TGIFEncodeJob& job) {
    TMemoryStream out;
    CompressJob(out, job);
    return out.Memory();
}

} // namespace

int EncodeThreadCount() {
    static const int cores = std::max(1, static_cast<int>(std::thread::hardware_concurrency()));
    return EncodeThreads > 0 ? EncodeThreads : cores;
}

void CompressJob(TStream& stream, const TGIFEncodeJob& job) {
    if (job.Compressed && HoldsPixels(*job.Compressed, job)) {
        stream.Write(job.Compressed->data(), static_cast<int64_t>(job.Compressed->size()));
        return;
    }
    CompressImageData(stream, job.Compression, job.Bits, job.Colors, job.Pixels, job.Interlaced, job.Height,
                      job.Width, job.FillValue, job.KeepFullTable, job.LookAhead);
}

std::vector<std::vector<uint8_t>> CompressFrames(const std::vector<TGIFEncodeJob>& jobs, int threads) {
    std::vector<std::vector<uint8_t>> results(jobs.size());
    // Frames are handed out one at a time, so that a few large frames do not
    // leave the other threads idle.
    GIFWorkers::ForEach(jobs.size(), threads, [&](size_t i) { results[i] = CompressOne(jobs[i]); });
    return results;
}
