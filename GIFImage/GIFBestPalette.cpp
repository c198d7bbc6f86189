// Method 10: the octree palette refined by k-means (Lloyd's iterations) on
// the picture's distinct colours, weighted by their pixel counts. Each round
// gives every colour to its nearest entry and moves each entry to the mean
// of its colours; an entry that no colour chose moves to the colour that is
// worst served. The palette with the smallest total error wins, so the
// octree palette it starts from is never beaten by a worse one.

#include "GIFColorLookup.h"
#include "GIFColorReduction.h"

#include <algorithm>
#include <cstdint>
#include <set>

namespace {

constexpr int MaxRounds = 24;

struct TColorCount {
    uint32_t Color; // 0x00RRGGBB
    uint32_t Count;
};

// The distinct colours of the picture with their counts (an open-addressed
// table that doubles when half full).
std::vector<TColorCount> CountColors(const QImage& rgb, const TTransparencyMask* mask) {
    std::vector<uint32_t> keys(1 << 16, 0); // colour + 1; 0 is free
    std::vector<uint32_t> counts(keys.size(), 0);
    size_t used = 0;
    auto insert = [&](std::vector<uint32_t>& k, std::vector<uint32_t>& c, uint32_t key, uint32_t count) {
        const size_t slotMask = k.size() - 1;
        size_t slot = (key * 2654435761u) & slotMask;
        while (k[slot] != 0 && k[slot] != key) slot = (slot + 1) & slotMask;
        if (k[slot] == 0) {
            k[slot] = key;
            ++used;
        }
        c[slot] += count;
    };
    for (int y = 0; y < rgb.height(); ++y) {
        const uint8_t* row = rgb.constScanLine(y);
        const size_t rowStart = static_cast<size_t>(y) * static_cast<size_t>(rgb.width());
        uint32_t last = 0;
        uint32_t run = 0;
        for (int x = 0; x < rgb.width(); ++x) {
            if (mask && rowStart + static_cast<size_t>(x) < mask->size() &&
                (*mask)[rowStart + static_cast<size_t>(x)])
                continue;
            const uint32_t key =
                ((uint32_t{row[3 * x]} << 16) | (uint32_t{row[3 * x + 1]} << 8) | row[3 * x + 2]) + 1;
            if (key == last) {
                ++run;
                continue;
            }
            if (run) insert(keys, counts, last, run);
            last = key;
            run = 1;
            if (used * 2 >= keys.size()) {
                std::vector<uint32_t> biggerKeys(keys.size() * 2, 0);
                std::vector<uint32_t> biggerCounts(keys.size() * 2, 0);
                used = 0;
                for (size_t i = 0; i < keys.size(); ++i)
                    if (keys[i]) insert(biggerKeys, biggerCounts, keys[i], counts[i]);
                keys.swap(biggerKeys);
                counts.swap(biggerCounts);
            }
        }
        if (run) insert(keys, counts, last, run);
    }
    std::vector<TColorCount> colors;
    colors.reserve(used);
    for (size_t i = 0; i < keys.size(); ++i)
        if (keys[i]) colors.push_back({keys[i] - 1, counts[i]});
    std::sort(colors.begin(), colors.end(), [](const auto& a, const auto& b) { return a.Color < b.Color; });
    return colors;
}

uint8_t R(uint32_t c) {
    return static_cast<uint8_t>(c >> 16);
}
uint8_t G(uint32_t c) {
    return static_cast<uint8_t>(c >> 8);
}
uint8_t B(uint32_t c) {
    return static_cast<uint8_t>(c);
}

int Distance(const TPaletteEntry& e, uint32_t c) {
    const int dr = e.Red - R(c), dg = e.Green - G(c), db = e.Blue - B(c);
    return dr * dr + dg * dg + db * db;
}

// Drops repeated entries; the k-means rounds give each a chance of its own.
TPalette Distinct(const TPalette& palette) {
    TPalette out;
    std::set<uint32_t> seen;
    for (const TPaletteEntry& e : palette)
        if (seen.insert((uint32_t{e.Red} << 16) | (uint32_t{e.Green} << 8) | e.Blue).second) out.push_back(e);
    return out;
}

} // namespace

TPalette CreateBestPalette(const QImage& picture, int colors, const TTransparencyMask* mask,
                           const TReductionProgress& progress) {
    colors = std::clamp(colors, 1, 256);
    const QImage rgb =
        picture.format() == QImage::Format_RGB888 ? picture : picture.convertToFormat(QImage::Format_RGB888);
    const std::vector<TColorCount> histogram = CountColors(rgb, mask);
    if (progress) progress(10);
    if (static_cast<int>(histogram.size()) <= colors) {
        TPalette exact;
        for (const TColorCount& c : histogram) exact.push_back({R(c.Color), G(c.Color), B(c.Color)});
        if (exact.empty()) exact.push_back({0, 0, 0});
        return exact;
    }

    TPalette palette = Distinct(CreateOptimizedPalette(rgb, colors, 8, false, mask));
    TPalette best = palette;
    double bestError = -1;
    std::vector<double> sums;
    std::vector<double> weights;
    for (int round = 0; round < MaxRounds; ++round) {
        TSlowColorLookup lookup(palette);
        const size_t k = palette.size();
        sums.assign(k * 3, 0.0);
        weights.assign(k, 0.0);
        double error = 0;
        double worstError = -1;
        uint32_t worstColor = 0;
        for (const TColorCount& c : histogram) {
            const int index = lookup.Lookup(R(c.Color), G(c.Color), B(c.Color));
            const double d = double(Distance(palette[static_cast<size_t>(index)], c.Color)) * c.Count;
            error += d;
            if (d > worstError) worstError = d, worstColor = c.Color;
            sums[3 * index] += double(R(c.Color)) * c.Count;
            sums[3 * index + 1] += double(G(c.Color)) * c.Count;
            sums[3 * index + 2] += double(B(c.Color)) * c.Count;
            weights[static_cast<size_t>(index)] += c.Count;
        }
        if (bestError < 0 || error < bestError) {
            const bool converged = bestError >= 0 && error > bestError * 0.999;
            bestError = error;
            best = palette;
            if (converged) break;
        } else {
            break;
        }
        TPalette next;
        for (size_t i = 0; i < k; ++i) {
            if (weights[i] == 0) continue;
            next.push_back({uint8_t(sums[3 * i] / weights[i] + 0.5),
                            uint8_t(sums[3 * i + 1] / weights[i] + 0.5),
                            uint8_t(sums[3 * i + 2] / weights[i] + 0.5)});
        }
        // Room left: the worst-served colour gets an entry of its own.
        if (static_cast<int>(next.size()) < colors)
            next.push_back({R(worstColor), G(worstColor), B(worstColor)});
        palette = Distinct(next);
        if (progress) progress(10 + 90 * (round + 1) / MaxRounds);
    }
    if (progress) progress(100);
    return best;
}
