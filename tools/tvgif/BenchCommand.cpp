// tvgif bench [--encode] [--threads N] FILE... [--reps N]: decoding (or LZW
// encoding) speed of each file in megapixels per second; the last line is
// "total <megapixels per second>". Decoding runs on --threads threads (one
// by default), as loading a picture with that many does. With --encode and
// more than one thread, each pass on N threads takes turns with a pass on one
// thread, the fastest pass of each counts (on a busy machine the least
// disturbed one), and each line gives both speeds and the speed-up.

#include "Command.h"
#include "GIFImage.h"
#include "GIFParallelDecoder.h"
#include "GIFParallelEncoder.h"
#include "GIFWorkerThreads.h"
#include "InputFile.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <limits>
#include <malloc.h>
#include <memory>
#include <string>
#include <vector>

namespace {

struct BenchOptions {
    std::vector<std::string> Files;
    int Reps = 10;
    int Threads = 1;
    bool Encode = false;
};

// The frames of a picture as the encoder gets them when the picture is saved.
struct EncodeSet {
    TGIFImage Image;
    std::vector<TGIFEncodeJob> Jobs;
    int64_t Pixels = 0;
};

void LoadEncodeSet(const std::vector<uint8_t>& bytes, EncodeSet& set) {
    TBorrowedMemoryStream stream(bytes.data(), static_cast<int64_t>(bytes.size()));
    set.Image.LoadFromStream(stream);
    for (const auto& frame : set.Image.Images) {
        if (frame->Empty()) continue;
        set.Jobs.push_back(frame->EncodeJob());
        set.Pixels += frame->DataSize();
    }
}

int64_t DecodeOnce(const std::vector<uint8_t>& bytes) {
    TBorrowedMemoryStream stream(bytes.data(), static_cast<int64_t>(bytes.size()));
    TGIFImage image;
    image.LoadFromStream(stream);
    int64_t pixels = 0;
    for (const auto& frame : image.Images) pixels += frame->DataSize();
    return pixels;
}

template <class Pass> double TimePass(Pass&& pass) {
    const auto start = std::chrono::steady_clock::now();
    pass();
    const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
    return elapsed.count();
}

// Runs pass untimed: once, and with helper threads until they have had a
// while to run. A virtual machine gives a processor that sat idle back only
// after some milliseconds (3 to 8 on the machines measured, longer than a
// pass over a small animation), so that passes timed at once measured the
// hypervisor rather than the decoding: two threads came out no faster than
// one in most runs of three passes, and twice as fast from the fourth pass on.
template <class Pass> void WarmUp(int threads, Pass&& pass) {
    constexpr std::chrono::milliseconds HelpersRunning{20};
    const auto start = std::chrono::steady_clock::now();
    do pass();
    while (threads > 1 && std::chrono::steady_clock::now() - start < HelpersRunning);
}

template <class Pass> double SecondsPerPass(int reps, Pass&& pass) {
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < reps; ++i) pass();
    const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
    return elapsed.count() / reps;
}

// One thread against options.Threads threads on each file's frames.
int BenchThreads(const BenchOptions& options) {
    const int threads = options.Threads;
    int nameWidth = 4;
    for (const auto& name : options.Files) nameWidth = std::max(nameWidth, static_cast<int>(name.size()));
    std::printf("%-*s %7s %14s %14s %9s\n", nameWidth, "file", "frames", "1 thread MP/s",
                (std::to_string(threads) + " threads MP/s").c_str(), "speed-up");
    double totalOne = 0, totalMany = 0;
    int64_t totalPixels = 0;
    for (const auto& name : options.Files) {
        EncodeSet set;
        double one = std::numeric_limits<double>::max(), many = one;
        const int result = Tvgif::ForFile(InputName(name), [&] {
            LoadEncodeSet(ReadInputFile(name), set);
            CompressFrames(set.Jobs, threads); // also warms the caches
            for (int rep = 0; rep < options.Reps; ++rep) {
                one = std::min(one, TimePass([&] { CompressFrames(set.Jobs, 1); }));
                many = std::min(many, TimePass([&] { CompressFrames(set.Jobs, threads); }));
            }
            return Tvgif::ExitOk;
        });
        if (result != Tvgif::ExitOk) return result;
        const double mp = static_cast<double>(set.Pixels) / 1e6;
        totalOne += one;
        totalMany += many;
        totalPixels += set.Pixels;
        std::printf("%-*s %7zu %14.1f %14.1f %9.2f\n", nameWidth, name.c_str(), set.Jobs.size(), mp / one,
                    mp / many, one / many);
    }
    const double mp = static_cast<double>(totalPixels) / 1e6;
    std::printf("total %.1f (1 thread %.1f, speed-up %.2f)\n", totalMany > 0 ? mp / totalMany : 0.0,
                totalOne > 0 ? mp / totalOne : 0.0, totalMany > 0 ? totalOne / totalMany : 0.0);
    return Tvgif::ExitOk;
}

// Passes free their frames and make them again. The C library would hand
// memory above 128 KiB back to the system at the end of each pass (and map
// large frames apart), so that every pass would also pay for the kernel
// clearing fresh pages; a pass is to measure the decoder, which a one-shot
// load pays once like any other. Freed memory therefore stays with the
// process while the benchmark runs.
void KeepFreedMemory() {
    mallopt(M_TRIM_THRESHOLD, 1 << 30);
    mallopt(M_MMAP_THRESHOLD, 32 << 20); // the largest the library takes
}

int Bench(const BenchOptions& options) {
    KeepFreedMemory();
    DecodeThreads = options.Threads;
    // The kept threads run before the first pass, as they do after it.
    if (options.Threads > 1) GIFWorkers::StartThreads(options.Threads - 1);
    if (options.Encode && options.Threads > 1) return BenchThreads(options);
    double totalSeconds = 0;
    int64_t totalPixels = 0;
    for (const auto& name : options.Files) {
        int64_t pixels = 0;
        double seconds = 0;
        const int result = Tvgif::ForFile(InputName(name), [&] {
            const std::vector<uint8_t> bytes = ReadInputFile(name);
            if (options.Encode) {
                EncodeSet set;
                LoadEncodeSet(bytes, set);
                pixels = set.Pixels;
                const auto pass = [&] { CompressFrames(set.Jobs, options.Threads); };
                WarmUp(options.Threads, pass); // also warms the caches
                seconds = SecondsPerPass(options.Reps, pass);
            } else {
                const auto pass = [&] { pixels = DecodeOnce(bytes); };
                WarmUp(options.Threads, pass); // also warms the caches
                seconds = SecondsPerPass(options.Reps, pass);
            }
            return Tvgif::ExitOk;
        });
        if (result != Tvgif::ExitOk) return result;
        totalSeconds += seconds;
        totalPixels += pixels;
        std::printf("%s %.1f\n", name.c_str(), seconds > 0 ? pixels / seconds / 1e6 : 0.0);
    }
    std::printf("total %.1f\n", totalSeconds > 0 ? totalPixels / totalSeconds / 1e6 : 0.0);
    return Tvgif::ExitOk;
}

} // namespace

void AddBenchCommand(CLI::App& app) {
    auto* command =
        app.add_subcommand("bench", "Measure decoding (or encoding) speed in megapixels per second");
    auto options = std::make_shared<BenchOptions>();
    command->add_option("FILE", options->Files, "GIF files to measure (- for standard input)")->required();
    command->add_flag("--encode", options->Encode, "Measure LZW encoding of every frame instead of decoding");
    command
        ->add_option("--threads", options->Threads, "Threads that decode (or encode) the frames of a picture")
        ->check(CLI::Range(1, 256));
    command->add_option("--reps", options->Reps, "Passes over each file")->check(CLI::Range(1, 1000000));
    Tvgif::SetAction(*command, [options] { return Bench(*options); });
}
