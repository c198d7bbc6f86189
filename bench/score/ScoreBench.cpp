// Recording a win into score tables of growing length: load, append, rank,
// save (with its flush to disk), as the game window does it.

#include "ScoreFile.h"
#include "ScoreLine.h"
#include "ScoreRanking.h"
#include "ScoreRows.h"
#include "ScoreTable.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

namespace {

std::string Line(int tenths, int number) {
    const int seconds = tenths / 10;
    return ComposeScoreLine(ScoreEntry{seconds / 60, seconds % 60, "." + std::to_string(tenths % 10),
                                       "7.3.2024", "player " + std::to_string(number), 10});
}

// A ranked table of the given length, with many equal durations.
std::vector<std::string> RankedTable(int count) {
    std::mt19937 random(1);
    std::uniform_int_distribution<int> tenths(50, 6000);
    std::vector<int> durations;
    for (int i = 0; i < count; ++i) durations.push_back(tenths(random));
    std::sort(durations.begin(), durations.end());
    std::vector<std::string> lines;
    for (int i = 0; i < count; ++i) lines.push_back(Line(durations[i], i));
    return lines;
}

std::filesystem::path ScratchFile() {
    const auto dir = std::filesystem::temp_directory_path() / "tv-score-bench";
    std::filesystem::create_directories(dir);
    return dir / "sc4.pr";
}

void RecordIntoTable(benchmark::State& state) {
    const auto file = ScratchFile();
    const std::vector<std::string> table = RankedTable(static_cast<int>(state.range(0)));
    std::mt19937 random(2);
    std::uniform_int_distribution<int> tenths(50, 6000);
    for (auto _ : state) {
        state.PauseTiming();
        WriteScoreFile(file.string(), table);
        const int t = tenths(random);
        const ScoreEntry win{t / 600, t / 10 % 60, "." + std::to_string(t % 10), "7.3.2024", "new", 10};
        state.ResumeTiming();
        benchmark::DoNotOptimize(RecordWin(file.string(), win, BlankRows()));
    }
    std::filesystem::remove_all(file.parent_path());
}

// The ranking alone, in memory: a ranked table with one win appended.
void RankAppendedWin(benchmark::State& state) {
    const std::vector<std::string> table = RankedTable(static_cast<int>(state.range(0)));
    std::mt19937 random(3);
    std::uniform_int_distribution<int> tenths(50, 6000);
    for (auto _ : state) {
        state.PauseTiming();
        std::vector<std::string> lines = table;
        lines.push_back(Line(tenths(random), -1));
        state.ResumeTiming();
        RankScoreLines(lines);
        benchmark::DoNotOptimize(lines.data());
    }
}

// The exchange ranking of a ranked table with one win appended, for comparison.
void ExchangeRankAppendedWin(benchmark::State& state) {
    const std::vector<std::string> table = RankedTable(static_cast<int>(state.range(0)));
    std::mt19937 random(4);
    std::uniform_int_distribution<int> tenths(50, 6000);
    for (auto _ : state) {
        state.PauseTiming();
        std::vector<std::string> lines = table;
        lines.push_back(Line(tenths(random), -1));
        std::vector<double> durations;
        for (const std::string& line : lines) durations.push_back(*ReadDuration(line));
        state.ResumeTiming();
        ExchangeRank(lines, durations);
        benchmark::DoNotOptimize(lines.data());
    }
}

} // namespace

BENCHMARK(RecordIntoTable)->Arg(100)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(RankAppendedWin)->Arg(100)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(ExchangeRankAppendedWin)->Arg(100)->Arg(10000)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
