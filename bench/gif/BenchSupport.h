#pragma once
// What the GIF benchmarks share: the folder of the benchmark set, the GIF
// files in it, and a reporter that keeps each run's seconds per pass so that
// the programs can print speeds and ratios after the runs.

#include <benchmark/benchmark.h>

#include <filesystem>
#include <map>
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
