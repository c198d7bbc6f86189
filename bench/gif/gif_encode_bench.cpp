// Encodes the frames of each GIF of the benchmark set with our LZW encoder,
// with giflib's encoder and with our run-length encoder in one run, then
// prints megapixels per second, the speed ratio and the output sizes.
//   gif_encode_bench [FOLDER] [benchmark options | --turns=N | --once=CODER[:FILTER]]
//   (default folder: bench/data/gif; --turns=N: fastest of N alternating passes)

#include "GIFEncoder.h"
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

#ifdef TV_HAVE_GIFLIB
#include <gif_lib.h>
#endif

namespace {

using Bytes = std::vector<uint8_t>;

struct Frame {
    Bytes Pixels; // rows top to bottom
    int Width = 0;
    int Height = 0;
    int Bits = 0;
    bool Interlaced = false;
};

struct SetFile {
    std::string Name;
    std::vector<Frame> Frames;
    int64_t Pixels = 0;
};

std::vector<Frame> FramesOf(const std::string& path) {
    TGIFImage image;
    image.LoadFromFile(path);
    std::vector<Frame> frames;
    for (const auto& frame : image.Images) {
        if (frame->Empty()) continue;
        const TGIFColorMap& colors = frame->ActiveColorMap();
        const int bits = colors.Count() > 0 ? colors.BitsPerPixel() : 8;
        frames.push_back({Bytes(frame->Data(), frame->Data() + frame->DataSize()), frame->Width(),
                          frame->Height(), bits, frame->Interlaced()});
    }
    return frames;
}

// The table-based image data of every frame, one after the other.
int64_t EncodeOurs(const std::vector<Frame>& frames, TGIFCompression compression, TMemoryStream& out) {
    out.SetSize(0);
    out.SetPosition(0);
    for (const Frame& f : frames)
        CompressImageData(out, compression, f.Bits, 1 << f.Bits, f.Pixels.data(), f.Interlaced, f.Height,
                          f.Width);
    return out.Size();
}

#ifdef TV_HAVE_GIFLIB
int WriteToMemory(GifFileType* gif, const GifByteType* data, int count) {
    auto* out = static_cast<Bytes*>(gif->UserData);
    out->insert(out->end(), data, data + count);
    return count;
}

// giflib writes a whole file per frame (screen descriptor, colour table,
// image descriptor and data); the extra bytes are few and counted alike in
// every run. Interlaced frames are handed over in pass order, as giflib
// expects them.
int64_t EncodeGiflib(const std::vector<Frame>& frames, Bytes& out, std::vector<int>& rows) {
    out.clear();
    for (const Frame& f : frames) {
        int error = 0;
        GifFileType* gif = EGifOpen(&out, WriteToMemory, &error);
        ColorMapObject* map = GifMakeMapObject(1 << f.Bits, nullptr);
        EGifPutScreenDesc(gif, f.Width, f.Height, f.Bits, 0, map);
        EGifPutImageDesc(gif, 0, 0, f.Width, f.Height, f.Interlaced, nullptr);
        rows.clear();
        if (f.Interlaced) {
            const int start[4] = {0, 4, 2, 1};
            const int step[4] = {8, 8, 4, 2};
            for (int pass = 0; pass < 4; ++pass)
                for (int row = start[pass]; row < f.Height; row += step[pass]) rows.push_back(row);
        } else {
            for (int row = 0; row < f.Height; ++row) rows.push_back(row);
        }
        for (const int row : rows)
            EGifPutLine(gif, const_cast<GifPixelType*>(f.Pixels.data()) + static_cast<size_t>(row) * f.Width,
                        f.Width);
        EGifCloseFile(gif, &error);
        GifFreeMapObject(map);
    }
    return static_cast<int64_t>(out.size());
}
#endif

// One pass of one coder over the files whose names contain filter: for
// --turns, and for instruction counts under callgrind:
//   valgrind --tool=callgrind --toggle-collect='*CountedPass*' BENCH --once=lzw:photo
[[gnu::noinline]] void CountedPass(const std::vector<SetFile>& files, const std::string& coder,
                                   const std::string& filter) {
    for (const SetFile& file : files) {
        if (file.Name.find(filter) == std::string::npos) continue;
        if (coder == "lzw") {
            TMemoryStream out;
            benchmark::DoNotOptimize(EncodeOurs(file.Frames, TGIFCompression::LZW, out));
        }
#ifdef TV_HAVE_GIFLIB
        if (coder == "giflib") {
            Bytes gout;
            std::vector<int> rows;
            benchmark::DoNotOptimize(EncodeGiflib(file.Frames, gout, rows));
        }
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
        file.Frames = FramesOf(path.string());
        for (const Frame& f : file.Frames) file.Pixels += static_cast<int64_t>(f.Pixels.size());
        files.push_back(std::move(file));
    }
    if (!SortedSet(files, folder)) return 1;

    std::map<std::string, int64_t> sizes;
    for (const SetFile& file : files) {
        TMemoryStream probe;
        sizes["lzw/" + file.Name] = EncodeOurs(file.Frames, TGIFCompression::LZW, probe);
        sizes["rle/" + file.Name] = EncodeOurs(file.Frames, TGIFCompression::RLE, probe);
        const auto counter = benchmark::Counter(static_cast<double>(file.Pixels) / 1e6,
                                                benchmark::Counter::kIsIterationInvariantRate);
        benchmark::RegisterBenchmark(("lzw/" + file.Name).c_str(), [&file, counter](benchmark::State& state) {
            TMemoryStream out;
            for (auto _ : state) benchmark::DoNotOptimize(EncodeOurs(file.Frames, TGIFCompression::LZW, out));
            state.counters["MP/s"] = counter;
        })->Unit(benchmark::kMillisecond);
#ifdef TV_HAVE_GIFLIB
        Bytes out;
        std::vector<int> rows;
        sizes["giflib/" + file.Name] = EncodeGiflib(file.Frames, out, rows);
        benchmark::RegisterBenchmark(("giflib/" + file.Name).c_str(), [&file,
                                                                       counter](benchmark::State& state) {
            Bytes out;
            std::vector<int> rows;
            for (auto _ : state) benchmark::DoNotOptimize(EncodeGiflib(file.Frames, out, rows));
            state.counters["MP/s"] = counter;
        })->Unit(benchmark::kMillisecond);
#endif
    }
    if (const std::optional<TOncePass> once = OnceArgument(argc, argv)) {
        CountedPass(files, once->Coder, once->Filter);
        return 0;
    }
    RecordingReporter reporter;
    TimeCoders(
        argc, argv, files, {"lzw", "giflib"},
        [&](const std::string& coder, const std::string& name) { CountedPass(files, coder, name); },
        reporter);

    std::printf("\n%-20s %9s %9s %6s %10s %10s %10s\n", "file", "lzw MP/s", "gif MP/s", "ratio", "lzw bytes",
                "gif bytes", "rle bytes");
    double oursTotal = 0, giflibTotal = 0;
    int64_t pixelsTotal = 0, lzwBytes = 0, giflibBytes = 0, rleBytes = 0;
    for (const SetFile& file : files) {
        const double ours = reporter.SecondsPerPass["lzw/" + file.Name];
        const double theirs = reporter.SecondsPerPass["giflib/" + file.Name];
        oursTotal += ours;
        giflibTotal += theirs;
        pixelsTotal += file.Pixels;
        lzwBytes += sizes["lzw/" + file.Name];
        giflibBytes += sizes["giflib/" + file.Name];
        rleBytes += sizes["rle/" + file.Name];
        const double mp = file.Pixels / 1e6;
        std::printf("%-20s %9.1f %9.1f %6.2f %10lld %10lld %10lld\n", file.Name.c_str(),
                    ours > 0 ? mp / ours : 0.0, theirs > 0 ? mp / theirs : 0.0,
                    (ours > 0 && theirs > 0) ? theirs / ours : 0.0,
                    static_cast<long long>(sizes["lzw/" + file.Name]),
                    static_cast<long long>(sizes["giflib/" + file.Name]),
                    static_cast<long long>(sizes["rle/" + file.Name]));
    }
    const double mp = pixelsTotal / 1e6;
    std::printf("%-20s %9.1f %9.1f %6.2f %10lld %10lld %10lld\n", "total (one pass)",
                oursTotal > 0 ? mp / oursTotal : 0.0, giflibTotal > 0 ? mp / giflibTotal : 0.0,
                (oursTotal > 0 && giflibTotal > 0) ? giflibTotal / oursTotal : 0.0,
                static_cast<long long>(lzwBytes), static_cast<long long>(giflibBytes),
                static_cast<long long>(rleBytes));
    return 0;
}
