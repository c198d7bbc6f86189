#pragma once
// What the GIF benchmarks share: the folder of the benchmark set, the GIF
// files in it, and a reporter that keeps each run's seconds per pass so that
// the programs can print speeds and ratios after the runs.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <limits>
#include <map>
#include <optional>
#include <string>
#include <vector>

class RecordingReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const auto& run : runs)
            if (run.iterations > 0)
                SecondsPerPass[run.benchmark_name()] =
                    run.GetAdjustedRealTime() / benchmark::GetTimeUnitMultiplier(run.time_unit);
        ConsoleReporter::ReportRuns(runs);
    }
    std::map<std::string, double> SecondsPerPass;
};

// The set's folder: a first argument that is not an option, else the default.
inline std::string SetFolder(int& argc, char**& argv) {
    std::string folder = TV_BENCH_DATA;
    if (argc > 1 && argv[1][0] != '-') {
        folder = argv[1];
        --argc;
        ++argv;
    }
    return folder;
}

// The GIF files of the folder; none when it does not exist.
inline std::vector<std::filesystem::path> SetFiles(const std::string& folder) {
    std::vector<std::filesystem::path> files;
    if (std::filesystem::exists(folder))
        for (const auto& entry : std::filesystem::directory_iterator(folder))
            if (entry.path().extension() == ".gif") files.push_back(entry.path());
    return files;
}

// The N of --turns=N, or 0. With it the coders take turns N times on each
// file and each one's fastest pass counts: on a loaded machine the fastest
// passes are the ones least disturbed, and both coders meet the same load.
inline int TurnsArgument(int argc, char** argv) {
    for (int i = 1; i < argc; ++i)
        if (std::strncmp(argv[i], "--turns=", 8) == 0) return std::max(1, std::atoi(argv[i] + 8));
    return 0;
}

// The coder and file filter of --once=CODER[:FILTER] (one pass, for
// counting instructions under callgrind), or nothing.
struct TOncePass {
    std::string Coder, Filter;
};
inline std::optional<TOncePass> OnceArgument(int argc, char** argv) {
    for (int i = 1; i < argc; ++i)
        if (std::strncmp(argv[i], "--once=", 7) == 0) {
            const std::string once = argv[i] + 7;
            const size_t colon = once.find(':');
            return TOncePass{once.substr(0, colon), colon == std::string::npos ? "" : once.substr(colon + 1)};
        }
    return std::nullopt;
}

// The set's files sorted by name; false, with a word on how to make the
// set, when there are none.
template <class File> bool SortedSet(std::vector<File>& files, const std::string& folder) {
    std::sort(files.begin(), files.end(), [](const File& a, const File& b) { return a.Name < b.Name; });
    if (!files.empty()) return true;
    std::fprintf(stderr, "no GIF files in %s: run bench/gif/make-set.sh first\n", folder.c_str());
    return false;
}

// Seconds of one pass on the calling thread's CPU clock: a virtual machine's
// host may take the CPU away for milliseconds at a time, and that stolen time
// does not count there.
template <class Pass> double TimePass(Pass&& pass) {
    const auto now = [] {
        timespec t{};
        clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
        return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
    };
    const double start = now();
    pass();
    return now() - start;
}

// Fills seconds[coder + "/" + name] with the fastest of turns passes of each
// coder, the coders taking turns; pass(coder, name) runs one pass.
template <class Pass>
void FastestPasses(int turns, const std::vector<std::string>& coders, const std::vector<std::string>& names,
                   Pass&& pass, std::map<std::string, double>& seconds) {
    for (const std::string& name : names) {
        for (const std::string& coder : coders)
            seconds[coder + "/" + name] = std::numeric_limits<double>::max();
        for (int turn = 0; turn < turns; ++turn)
            for (const std::string& coder : coders) {
                double& best = seconds[coder + "/" + name];
                best = std::min(best, TimePass([&] { pass(coder, name); }));
            }
    }
}

// Times every coder on every file into the reporter: with --turns=N the
// fastest of N alternating passes, else through Google Benchmark's runs.
template <class Files, class Pass>
void TimeCoders(int& argc, char** argv, const Files& files, const std::vector<std::string>& coders,
                Pass&& pass, RecordingReporter& reporter) {
    if (const int turns = TurnsArgument(argc, argv); turns > 0) {
        std::vector<std::string> names;
        for (const auto& file : files) names.push_back(file.Name);
        FastestPasses(turns, coders, names, pass, reporter.SecondsPerPass);
    } else {
        benchmark::Initialize(&argc, argv);
        benchmark::RunSpecifiedBenchmarks(&reporter);
    }
}
