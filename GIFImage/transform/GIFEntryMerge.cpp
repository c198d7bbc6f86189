#include "GIFEntryMerge.h"

#include <algorithm>

TEntryMerge::TEntryMerge() {
    for (size_t i = 0; i < Into.size(); ++i) Into[i] = static_cast<uint8_t>(i);
}

namespace {

int64_t Distance2(uint32_t a, uint32_t b) {
    const int dr = static_cast<int>((a >> 16) & 0xFF) - static_cast<int>((b >> 16) & 0xFF);
    const int dg = static_cast<int>((a >> 8) & 0xFF) - static_cast<int>((b >> 8) & 0xFF);
    const int db = static_cast<int>(a & 0xFF) - static_cast<int>(b & 0xFF);
    return int64_t{dr} * dr + int64_t{dg} * dg + int64_t{db} * db;
}

// The entries still shown, each with the entries whose pixels it shows.
struct TMergeState {
    std::array<bool, 256> Alive{};
    int AliveCount = 0;
    std::array<std::vector<int>, 256> Members;
    std::array<uint8_t, 256> Into{};
};

} // namespace

TEntryMerge MergeNearEntries(const std::array<int64_t, 256>& uses, const std::vector<uint32_t>& colours,
                             const std::array<bool, 256>& fixed, int maxMove, int64_t maxSpent) {
    TEntryMerge merge;
    const int n = std::min(static_cast<int>(colours.size()), 256);
    const int64_t moveLimit = int64_t{maxMove} * maxMove;
    TMergeState state;
    state.Into = merge.Into;
    int kept = 0;
    // The entries near each: only these can take its pixels.
    std::array<std::vector<int>, 256> near;
    for (int i = 0; i < n; ++i) {
        const auto e = static_cast<size_t>(i);
        if (fixed[e]) {
            ++kept;
            continue;
        }
        if (uses[e] == 0) continue;
        state.Alive[e] = true;
        ++state.AliveCount;
        state.Members[e] = {i};
    }
    for (int i = 0; i < n; ++i)
        for (int j = 0; j < n; ++j)
            if (i != j && state.Alive[static_cast<size_t>(i)] && state.Alive[static_cast<size_t>(j)] &&
                Distance2(colours[static_cast<size_t>(i)], colours[static_cast<size_t>(j)]) <= moveLimit)
                near[static_cast<size_t>(i)].push_back(j);
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
        while (trial.AliveCount > goal && spent + cost <= maxSpent) {
            // The cheapest move of one entry's pixels into a near entry.
            int64_t best = -1;
            int from = -1, into = -1;
            for (int i = 0; i < n; ++i) {
                const auto e = static_cast<size_t>(i);
                if (!trial.Alive[e]) continue;
                for (const int j : near[e]) {
                    if (!trial.Alive[static_cast<size_t>(j)]) continue;
                    int64_t c = 0;
                    bool within = true;
                    for (const int m : trial.Members[e]) {
                        const int64_t d =
                            Distance2(colours[static_cast<size_t>(m)], colours[static_cast<size_t>(j)]);
                        within = within && d <= moveLimit;
                        c += uses[static_cast<size_t>(m)] * d;
                    }
                    if (within && (best < 0 || c < best)) {
                        best = c;
                        from = i;
                        into = j;
                    }
                }
            }
            if (best < 0) break;
            auto& moved = trial.Members[static_cast<size_t>(from)];
            for (const int m : moved) trial.Into[static_cast<size_t>(m)] = static_cast<uint8_t>(into);
            auto& taker = trial.Members[static_cast<size_t>(into)];
            taker.insert(taker.end(), moved.begin(), moved.end());
            moved.clear();
            trial.Alive[static_cast<size_t>(from)] = false;
            --trial.AliveCount;
            cost += best;
        }
        if (trial.AliveCount > goal || spent + cost > maxSpent) break;
        spent += cost;
        state = std::move(trial);
        merge.Into = state.Into;
        merge.Any = true;
    }
    return merge;
}
