#include "ScoreRanking.h"

#include "ScoreLine.h"

#include <algorithm>
#include <utility>

void ExchangeRank(std::vector<std::string>& lines, std::vector<double>& durations) {
    const size_t n = lines.size();
    for (size_t i = 0; i + 1 < n; ++i) {
        for (size_t j = i + 1; j < n; ++j) {
            if (durations[j] < durations[i]) {
                std::swap(lines[i], lines[j]);
                std::swap(durations[i], durations[j]);
            }
        }
    }
}

namespace {

// True when all lines but the last are in non-decreasing order.
bool RankedButLast(const std::vector<double>& durations) {
    if (durations.size() < 2) return true;
    return std::is_sorted(durations.begin(), durations.end() - 1);
}

template <typename T> void RotateLeft(std::vector<T>& items, size_t first, size_t last) {
    std::rotate(items.begin() + first, items.begin() + first + 1, items.begin() + last);
}

template <typename T> void MoveLastTo(std::vector<T>& items, size_t place) {
    std::rotate(items.begin() + place, items.end() - 1, items.end());
}

// What the exchange ranking does to a ranked list with one line appended:
// the new line goes after every line not slower than it; the exchanges then
// carry the first line of each group of equal, slower lines to the end of
// its group; every other line keeps its place.
void RankAppended(std::vector<std::string>& lines, std::vector<double>& durations) {
    if (lines.size() < 2) return;
    const double newDuration = durations.back();
    const size_t place =
        std::upper_bound(durations.begin(), durations.end() - 1, newDuration) - durations.begin();
    MoveLastTo(lines, place);
    MoveLastTo(durations, place);
    size_t group = place + 1;
    while (group < durations.size()) {
        size_t end = group + 1;
        while (end < durations.size() && durations[end] == durations[group]) ++end;
        if (end - group > 1) RotateLeft(lines, group, end);
        group = end;
    }
}

} // namespace

void RankScoreLines(std::vector<std::string>& lines, std::string_view localeSeparator) {
    std::vector<std::string> readable;
    std::vector<double> durations;
    std::vector<std::string> unreadable;
    readable.reserve(lines.size());
    durations.reserve(lines.size());
    for (std::string& line : lines) {
        if (const auto duration = ReadDuration(line, localeSeparator)) {
            readable.push_back(std::move(line));
            durations.push_back(*duration);
        } else {
            unreadable.push_back(std::move(line));
        }
    }
    if (RankedButLast(durations))
        RankAppended(readable, durations);
    else
        ExchangeRank(readable, durations);
    lines = std::move(readable);
    lines.insert(lines.end(), std::make_move_iterator(unreadable.begin()),
                 std::make_move_iterator(unreadable.end()));
}
