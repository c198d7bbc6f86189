#include "GIFToneMerge.h"

#include "GIFColourDistance.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <limits>
#include <queue>

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
    double Mean[3] = {0, 0, 0};
    // The squared error of the members against the entry, over their pixels.
    double Error = 0;
    std::vector<size_t> Members;
    bool Alive = true;
};

int Component(uint32_t colour, int k) {
    return int(colour >> (16 - 8 * k)) & 0xFF;
}

// How far apart two clusters' means may lie and still merge: the entry
// lies between them, within a rounding step, and some member of each lies
// at least as far from it as its mean.
double Reach(int maxDistance2) {
    return 2 * (std::sqrt(double(maxDistance2)) + 1);
}

// The error merging a and b adds over their pixels, against the entry
// that stands for both (their mean, rounded); infinite where a member
// would lie farther than maxDistance2 from it.
double MergeCost(const TCluster& a, const TCluster& b, const std::vector<TWeightedColor>& colours,
                 int maxDistance2, double reach) {
    double apart2 = 0;
    for (int k = 0; k < 3; ++k) {
        const double d = a.Mean[k] - b.Mean[k];
        apart2 += d * d;
    }
    if (apart2 > reach * reach) return std::numeric_limits<double>::infinity();
    uint32_t entry = 0;
    for (int k = 0; k < 3; ++k)
        entry = entry << 8 | uint32_t((a.Sum[k] + b.Sum[k]) / (a.Count + b.Count) + 0.5);
    double error = 0;
    for (const TCluster* c : {&a, &b})
        for (const size_t member : c->Members) {
            const int d2 = SquaredColourDistance(colours[member].Color, entry);
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
        for (int k = 0; k < 3; ++k) {
            c.Mean[k] = Component(colours[i].Color, k);
            c.Sum[k] = c.Count * c.Mean[k];
        }
        c.Members.push_back(i);
        pixels += c.Count;
    }
    // The allowed merges, cheapest first (on a tie, the pair of lowest
    // indices): a merge makes the pairs of its two clusters stale, and
    // prices the merged one against the others anew.
    struct TPair {
        double Cost;
        size_t Low, High;
        unsigned LowVersion, HighVersion;
        bool operator>(const TPair& o) const {
            return Cost != o.Cost ? Cost > o.Cost : Low != o.Low ? Low > o.Low : High > o.High;
        }
    };
    std::priority_queue<TPair, std::vector<TPair>, std::greater<>> pairs;
    std::vector<unsigned> version(n, 0);
    const double reach = Reach(limits.MaxDistance2);
    // Only clusters whose brightness (r + g + b) lies within the reach's
    // root of 3 can merge.
    const double window = std::sqrt(3.0) * reach;
    const auto brightness = [&](size_t i) {
        return clusters[i].Mean[0] + clusters[i].Mean[1] + clusters[i].Mean[2];
    };
    const auto offer = [&](size_t i, size_t j) {
        if (std::abs(brightness(i) - brightness(j)) > window) return;
        const double cost = MergeCost(clusters[i], clusters[j], colours, limits.MaxDistance2, reach);
        if (cost == std::numeric_limits<double>::infinity()) return;
        const size_t low = std::min(i, j), high = std::max(i, j);
        pairs.push({cost, low, high, version[low], version[high]});
    };
    std::vector<size_t> byBrightness(n);
    for (size_t i = 0; i < n; ++i) byBrightness[i] = i;
    std::sort(byBrightness.begin(), byBrightness.end(),
              [&](size_t a, size_t b) { return brightness(a) < brightness(b); });
    for (size_t p = 0; p < n; ++p)
        for (size_t q = p + 1; q < n && brightness(byBrightness[q]) - brightness(byBrightness[p]) <= window;
             ++q)
            offer(byBrightness[p], byBrightness[q]);
    // The living clusters by brightness, then index: a merged cluster is
    // offered to those within the window alone (offering it to every
    // other cluster was three quarters of the merging of a small
    // spinner's tones). The pairs offered are the same: offer tests the
    // window itself, and the search reaches a little past it.
    std::vector<size_t> living = byBrightness;
    const auto darker = [&](size_t a, size_t b) {
        return brightness(a) != brightness(b) ? brightness(a) < brightness(b) : a < b;
    };
    std::sort(living.begin(), living.end(), darker);
    const auto place = [&](size_t i) { return std::lower_bound(living.begin(), living.end(), i, darker); };
    const double searched = window * (1 + 1e-9) + 1e-9;
    double budget = limits.MeanError2 * pixels;
    while (!pairs.empty()) {
        const TPair pair = pairs.top();
        pairs.pop();
        if (!clusters[pair.Low].Alive || !clusters[pair.High].Alive || version[pair.Low] != pair.LowVersion ||
            version[pair.High] != pair.HighVersion)
            continue;
        if (pair.Cost > budget) break;
        budget -= pair.Cost;
        TCluster& into = clusters[pair.Low];
        TCluster& from = clusters[pair.High];
        // Both leave the order before the merged one's brightness changes.
        living.erase(place(pair.High));
        living.erase(place(pair.Low));
        into.Error += from.Error + pair.Cost;
        into.Count += from.Count;
        for (int k = 0; k < 3; ++k) {
            into.Sum[k] += from.Sum[k];
            into.Mean[k] = into.Sum[k] / into.Count;
        }
        into.Members.insert(into.Members.end(), from.Members.begin(), from.Members.end());
        from.Alive = false;
        ++version[pair.Low];
        living.insert(place(pair.Low), pair.Low);
        const double middle = brightness(pair.Low);
        auto k = std::partition_point(living.begin(), living.end(),
                                      [&](size_t i) { return brightness(i) < middle - searched; });
        for (; k != living.end() && brightness(*k) <= middle + searched; ++k)
            if (*k != pair.Low) offer(*k, pair.Low);
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
