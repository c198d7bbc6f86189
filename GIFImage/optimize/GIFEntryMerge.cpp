#include "GIFEntryMerge.h"

#include "GIFColourDistance.h"

#include <algorithm>

TEntryMerge::TEntryMerge() {
    for (size_t i = 0; i < Into.size(); ++i) Into[i] = static_cast<uint8_t>(i);
}

namespace {

// Distances looked at for one table at the most: a table of many entries
// all near one another, in every frame of a hostile file, stops merging
// there rather than take milliseconds a frame. The tables of five corpus
// sets looked at at most 15,000; 300 frames of 256 near-black entries each
// at most 94,000.
constexpr int64_t MaxEvaluations = int64_t{1} << 20;

constexpr int NoEntry = -1;

// The entries still shown, each with the entries whose pixels it shows,
// and the cheapest move of each into a near entry (Cost -1 and Target
// NoEntry where it has none).
struct TMergeState {
    std::array<bool, 256> Alive{};
    int AliveCount = 0;
    std::array<std::vector<int>, 256> Members;
    std::array<int64_t, 256> Cost{};
    std::array<int, 256> Target{};
};

} // namespace

TEntryMerge MergeNearEntries(const std::array<int64_t, 256>& uses, const std::vector<uint32_t>& colours,
                             const std::array<bool, 256>& fixed, int maxMove, int64_t maxSpent) {
    TEntryMerge merge;
    const int n = std::min(static_cast<int>(colours.size()), 256);
    const int64_t moveLimit = int64_t{maxMove} * maxMove;
    const auto colour = [&](int i) { return colours[static_cast<size_t>(i)]; };
    TMergeState state;
    state.Target.fill(NoEntry);
    int kept = 0;
    for (int i = 0; i < n; ++i) {
        const auto e = static_cast<size_t>(i);
        if (fixed[e]) {
            ++kept;
        } else if (uses[e] > 0) {
            state.Alive[e] = true;
            ++state.AliveCount;
            state.Members[e] = {i};
        }
    }
    // The entries near each: only these can take its pixels.
    std::array<std::vector<int>, 256> near;
    for (int i = 0; i < n; ++i)
        for (int j = 0; j < n; ++j)
            if (i != j && state.Alive[static_cast<size_t>(i)] && state.Alive[static_cast<size_t>(j)] &&
                SquaredColourDistance(colour(i), colour(j)) <= moveLimit)
                near[static_cast<size_t>(i)].push_back(j);
    int64_t evaluations = 0;
    // The cheapest move of entry i's pixels, all within the move limit of
    // the entry that takes them.
    const auto findMove = [&](TMergeState& s, int i) {
        const auto e = static_cast<size_t>(i);
        s.Cost[e] = -1;
        s.Target[e] = NoEntry;
        for (const int j : near[e]) {
            if (!s.Alive[static_cast<size_t>(j)]) continue;
            int64_t c = 0;
            bool within = true;
            evaluations += static_cast<int64_t>(s.Members[e].size());
            for (const int m : s.Members[e]) {
                const int64_t d = SquaredColourDistance(colour(m), colour(j));
                within = within && d <= moveLimit;
                c += uses[static_cast<size_t>(m)] * d;
            }
            if (within && (s.Cost[e] < 0 || c < s.Cost[e])) {
                s.Cost[e] = c;
                s.Target[e] = j;
            }
        }
    };
    for (int i = 0; i < n; ++i)
        if (state.Alive[static_cast<size_t>(i)]) findMove(state, i);
    int64_t spent = 0;
    for (;;) {
        // One entry stays free for a transparent index.
        const int count = state.AliveCount + kept + 1;
        int size = 2;
        while (size < count) size *= 2;
        const int goal = size / 2 - kept - 1;
        if (size <= 2 || goal < 1) break;
        TMergeState trial = state;
        int64_t cost = 0;
        while (trial.AliveCount > goal && spent + cost <= maxSpent && evaluations <= MaxEvaluations) {
            int from = NoEntry;
            for (int i = 0; i < n; ++i) {
                const auto e = static_cast<size_t>(i);
                if (trial.Alive[e] && trial.Cost[e] >= 0 && (from < 0 || trial.Cost[e] < trial.Cost[from]))
                    from = i;
            }
            if (from < 0) break;
            const int into = trial.Target[static_cast<size_t>(from)];
            cost += trial.Cost[static_cast<size_t>(from)];
            auto& moved = trial.Members[static_cast<size_t>(from)];
            auto& taker = trial.Members[static_cast<size_t>(into)];
            taker.insert(taker.end(), moved.begin(), moved.end());
            moved.clear();
            trial.Alive[static_cast<size_t>(from)] = false;
            --trial.AliveCount;
            // Only the taker's moves and the moves into the entry gone change.
            findMove(trial, into);
            for (int k = 0; k < n; ++k)
                if (trial.Alive[static_cast<size_t>(k)] && trial.Target[static_cast<size_t>(k)] == from)
                    findMove(trial, k);
        }
        if (trial.AliveCount > goal || spent + cost > maxSpent || evaluations > MaxEvaluations) break;
        spent += cost;
        state = std::move(trial);
        merge.Any = true;
    }
    for (int i = 0; i < n; ++i)
        for (const int m : state.Members[static_cast<size_t>(i)])
            merge.Into[static_cast<size_t>(m)] = static_cast<uint8_t>(i);
    return merge;
}
