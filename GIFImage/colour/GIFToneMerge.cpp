#include "GIFToneMerge.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <limits>

namespace {

// The share of the pixels (in sixteenths) that the most common
// MostCommon colours may hold in a picture in continuous tone.
constexpr int MostCommon = 16;
constexpr int MostCommonShare = 8;
// Grain changes tone at more than one pixel in RunsPerPixel along a row.
constexpr int RunsPerPixel = 2;

struct TCluster {
    double Count = 0;
    double Sum[3] = {0, 0, 0};
    // The squared error of the members against the entry, over their pixels.
    double Error = 0;
    std::vector<size_t> Members;
    bool Alive = true;
};

int Component(uint32_t colour, int k) {
    return int(colour >> (16 - 8 * k)) & 0xFF;
}

// The error merging a and b adds over their pixels, against the entry
// that stands for both (their mean, rounded); infinite where a member
// would lie farther than maxDistance2 from it.
double MergeCost(const TCluster& a, const TCluster& b, const std::vector<TWeightedColor>& colours,
                 int maxDistance2) {
    int entry[3];
    for (int k = 0; k < 3; ++k) entry[k] = int((a.Sum[k] + b.Sum[k]) / (a.Count + b.Count) + 0.5);
    double error = 0;
    for (const TCluster* c : {&a, &b})
        for (const size_t member : c->Members) {
            int d2 = 0;
            for (int k = 0; k < 3; ++k) {
                const int d = Component(colours[member].Color, k) - entry[k];
                d2 += d * d;
            }
            if (d2 > maxDistance2) return std::numeric_limits<double>::infinity();
            error += double(d2) * std::max<double>(1, colours[member].Count);
        }
    return error - a.Error - b.Error;
}

} // namespace

bool TonesWorthMerging(const std::vector<TWeightedColor>& colours, uint64_t runs, uint64_t pixels) {
    std::vector<uint64_t> counts;
    uint64_t total = 0;
    for (const TWeightedColor& c : colours) {
        counts.push_back(c.Count);
        total += c.Count;
    }
    const size_t common = std::min<size_t>(MostCommon, counts.size());
    std::partial_sort(counts.begin(), counts.begin() + std::ptrdiff_t(common), counts.end(),
                      std::greater<>());
    uint64_t held = 0;
    for (size_t i = 0; i < common; ++i) held += counts[i];
    return held * 16 < total * MostCommonShare && runs * RunsPerPixel > pixels;
}

TPalette MergeNearTones(const std::vector<TWeightedColor>& colours, const TToneMerge& limits) {
    const size_t n = colours.size();
    std::vector<TCluster> clusters(n);
    double pixels = 0;
    for (size_t i = 0; i < n; ++i) {
        TCluster& c = clusters[i];
        c.Count = std::max<double>(1, colours[i].Count);
        for (int k = 0; k < 3; ++k) c.Sum[k] = c.Count * Component(colours[i].Color, k);
        c.Members.push_back(i);
        pixels += c.Count;
    }
    // The cost of each pair's merge (i < j); infinite where it is not
    // allowed.
    constexpr double never = std::numeric_limits<double>::infinity();
    std::vector<double> cost(n * n, never);
    auto price = [&](size_t i, size_t j) {
        cost[i * n + j] = MergeCost(clusters[i], clusters[j], colours, limits.MaxDistance2);
    };
    for (size_t i = 0; i < n; ++i)
        for (size_t j = i + 1; j < n; ++j) price(i, j);
    double budget = limits.MeanError2 * pixels;
    for (;;) {
        size_t bi = 0, bj = 0;
        double best = never;
        for (size_t i = 0; i < n; ++i) {
            if (!clusters[i].Alive) continue;
            for (size_t j = i + 1; j < n; ++j)
                if (cost[i * n + j] < best && clusters[j].Alive) {
                    best = cost[i * n + j];
                    bi = i, bj = j;
                }
        }
        if (best == never || best > budget) break;
        budget -= best;
        TCluster& into = clusters[bi];
        TCluster& from = clusters[bj];
        into.Error += from.Error + best;
        into.Count += from.Count;
        for (int k = 0; k < 3; ++k) into.Sum[k] += from.Sum[k];
        into.Members.insert(into.Members.end(), from.Members.begin(), from.Members.end());
        from.Alive = false;
        for (size_t k = 0; k < n; ++k) {
            if (k == bi || !clusters[k].Alive) continue;
            if (k < bi)
                price(k, bi);
            else
                price(bi, k);
        }
    }
    TPalette palette;
    for (const TCluster& c : clusters)
        if (c.Alive) {
            uint8_t entry[3];
            for (int k = 0; k < 3; ++k) entry[k] = uint8_t(c.Sum[k] / c.Count + 0.5);
            palette.push_back({entry[0], entry[1], entry[2]});
        }
    return palette;
}
