// Decodes each GIF of the benchmark set with our reader and with giflib in
// one run, then prints megapixels per second side by side and their ratio.
//   gif_bench [FOLDER] [benchmark options | --turns=N | --once=CODER[:FILTER]]
//   (default folder: bench/data/gif; --turns=N: fastest of N alternating passes)

#include "GIFImage.h"

#include "BenchSupport.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "GiflibFrames.h"

namespace {

struct SetFile {
    std::string Name;
    Bytes Data;
    int64_t Pixels = 0; // frame pixels decoded per pass
};

int64_t DecodeOurs(const Bytes& data) {
    TBorrowedMemoryStream stream(data.data(), static_cast<int64_t>(data.size()));
    TGIFImage image;
    image.LoadFromStream(stream);
    int64_t pixels = 0;
    for (const auto& frame : image.Images) pixels += frame->DataSize();
    return pixels;
}

#ifdef TV_HAVE_GIFLIB
int64_t DecodeGiflib(const Bytes& data) {
    GiflibMemoryReader reader{&data};
    GifFileType* gif = GiflibOpen(reader);
    if (!gif) return 0;
    int error = 0;
    int64_t pixels = 0;
    if (DGifSlurp(gif) == GIF_OK)
        for (int i = 0; i < gif->ImageCount; ++i)
            pixels += int64_t{gif->SavedImages[i].ImageDesc.Width} * gif->SavedImages[i].ImageDesc.Height;
    DGifCloseFile(gif, &error);
    return pixels;
}
#endif

// One pass of one coder over the files whose names contain filter: for
// --turns, and for instruction counts under callgrind:
//   valgrind --tool=callgrind --toggle-collect='*CountedPass*' BENCH --once=ours:photo
[[gnu::noinline]] void CountedPass(const std::vector<SetFile>& files, const std::string& coder,
                                   const std::string& filter) {
    for (const SetFile& file : files) {
        if (file.Name.find(filter) == std::string::npos) continue;
        if (coder == "ours") benchmark::DoNotOptimize(DecodeOurs(file.Data));
#ifdef TV_HAVE_GIFLIB
        if (coder == "giflib") benchmark::DoNotOptimize(DecodeGiflib(file.Data));
#endif
    }
}

} // namespace

int main(int argc, char** argv) {
    const std::string folder = SetFolder(argc, argv);
    std::vector<SetFile> files;
    for (const auto& path : SetFiles(folder)) {
        SetFile file;
        file.Name = path.filename().string();
        TMemoryStream stream;
        stream.LoadFromFile(path.string());
        file.Data = stream.Memory();
        file.Pixels = DecodeOurs(file.Data);
        files.push_back(std::move(file));
    }
    if (!SortedSet(files, folder)) return 1;

    for (const SetFile& file : files) {
        benchmark::RegisterBenchmark(("ours/" + file.Name).c_str(), [&file](benchmark::State& state) {
            for (auto _ : state) benchmark::DoNotOptimize(DecodeOurs(file.Data));
            state.counters["MP/s"] = benchmark::Counter(static_cast<double>(file.Pixels) / 1e6,
                                                        benchmark::Counter::kIsIterationInvariantRate);
        })->Unit(benchmark::kMillisecond);
#ifdef TV_HAVE_GIFLIB
        benchmark::RegisterBenchmark(("giflib/" + file.Name).c_str(), [&file](benchmark::State& state) {
            for (auto _ : state) benchmark::DoNotOptimize(DecodeGiflib(file.Data));
            state.counters["MP/s"] = benchmark::Counter(static_cast<double>(file.Pixels) / 1e6,
                                                        benchmark::Counter::kIsIterationInvariantRate);
        })->Unit(benchmark::kMillisecond);
#endif
    }
    if (const std::optional<TOncePass> once = OnceArgument(argc, argv)) {
        CountedPass(files, once->Coder, once->Filter);
        return 0;
    }
    RecordingReporter reporter;
    TimeCoders(
        argc, argv, files, {"ours", "giflib"},
        [&](const std::string& coder, const std::string& name) { CountedPass(files, coder, name); },
        reporter);

    std::printf("\n%-22s %12s %12s %8s\n", "file", "ours MP/s", "giflib MP/s", "ratio");
    double oursTotal = 0, giflibTotal = 0;
    int64_t pixelsTotal = 0;
    for (const SetFile& file : files) {
        const double ours = reporter.SecondsPerPass["ours/" + file.Name];
        const double theirs = reporter.SecondsPerPass["giflib/" + file.Name];
        oursTotal += ours;
        giflibTotal += theirs;
        pixelsTotal += file.Pixels;
        const double mp = file.Pixels / 1e6;
        std::printf("%-22s %12.1f %12.1f %8.2f\n", file.Name.c_str(), ours > 0 ? mp / ours : 0.0,
                    theirs > 0 ? mp / theirs : 0.0, (ours > 0 && theirs > 0) ? theirs / ours : 0.0);
    }
    const double mp = pixelsTotal / 1e6;
    std::printf("%-22s %12.1f %12.1f %8.2f\n", "total (one pass)", oursTotal > 0 ? mp / oursTotal : 0.0,
                giflibTotal > 0 ? mp / giflibTotal : 0.0,
                (oursTotal > 0 && giflibTotal > 0) ? giflibTotal / oursTotal : 0.0);
    return 0;
}
