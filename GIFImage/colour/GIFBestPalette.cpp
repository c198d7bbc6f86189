// Method 10: a palette made by variance splitting (the box of colours with
// the largest squared error is cut across its widest axis where the halves'
// errors add up to the least), refined by k-means (Lloyd's rounds) on the
// picture's distinct colours weighted by their pixel counts. Each round gives
// every colour to its nearest entry and moves each entry to the mean of its
// colours; an entry that no colour chose moves to the worst-served colour.
// The octree palette is kept instead when its error is smaller.

#include "GIFBestPalette.h"

#include "GIFColorLookup.h"
#include "GIFColorQuantizer.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <set>

namespace {

constexpr int MaxRounds = 12;
// A round that gains less than this share of the error ends the refining.
constexpr double ConvergedRatio = 0.9995;

using TColorCount = TWeightedColor;

// The distinct colours of the picture with their counts (an open-addressed
// table that doubles when half full, from a size that holds every pixel of
// a small picture: a frame's changes are often a few thousand pixels).
std::vector<TColorCount> CountColors(const TRgbPixels& rgb, const TTransparencyMask* mask) {
    const uint64_t pixels = uint64_t(std::max(0, rgb.Width)) * uint64_t(std::max(0, rgb.Height));
    std::vector<uint32_t> keys(std::bit_ceil(std::clamp<uint64_t>(2 * pixels, 256, 1 << 16)),
                               0); // colour + 1; 0 is free
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
    for (int y = 0; y < rgb.Height; ++y) {
        const uint8_t* row = rgb.Row(y);
        const size_t rowStart = static_cast<size_t>(y) * static_cast<size_t>(rgb.Width);
        uint32_t last = 0;
        uint32_t run = 0;
        for (int x = 0; x < rgb.Width; ++x) {
            if (IsMasked(mask, static_cast<int64_t>(rowStart) + x)) continue;
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

// The squared error of a range of colours around their mean.
struct TBox {
    size_t Begin;
    size_t End;
    double Error;
    TPaletteEntry Mean;
};

TBox MakeBox(const std::vector<TColorCount>& colors, size_t begin, size_t end) {
    double n = 0, sum[3] = {0, 0, 0}, square = 0;
    for (size_t i = begin; i < end; ++i) {
        const double w = colors[i].Count;
        const double c[3] = {double(R(colors[i].Color)), double(G(colors[i].Color)),
                             double(B(colors[i].Color))};
        n += w;
        for (int k = 0; k < 3; ++k) {
            sum[k] += w * c[k];
            square += w * c[k] * c[k];
        }
    }
    TBox box{begin, end, 0, {0, 0, 0}};
    if (n == 0) return box;
    box.Error = square - (sum[0] * sum[0] + sum[1] * sum[1] + sum[2] * sum[2]) / n;
    box.Mean = {uint8_t(sum[0] / n + 0.5), uint8_t(sum[1] / n + 0.5), uint8_t(sum[2] / n + 0.5)};
    return box;
}

// A variance-splitting palette: the box with the largest error is cut across
// its widest axis where the two halves' errors add up to the least.
TPalette SplitPalette(std::vector<TColorCount> colors, int count) {
    std::vector<TBox> boxes = {MakeBox(colors, 0, colors.size())};
    std::vector<TColorCount> scratch;
    while (static_cast<int>(boxes.size()) < count) {
        size_t worst = 0;
        for (size_t i = 1; i < boxes.size(); ++i)
            if (boxes[i].Error > boxes[worst].Error) worst = i;
        const TBox box = boxes[worst];
        if (box.End - box.Begin < 2 || box.Error <= 0) break;
        // The axis of the largest spread.
        double n = 0, sum[3] = {0, 0, 0}, square[3] = {0, 0, 0};
        for (size_t i = box.Begin; i < box.End; ++i) {
            const double w = colors[i].Count;
            const double c[3] = {double(R(colors[i].Color)), double(G(colors[i].Color)),
                                 double(B(colors[i].Color))};
            n += w;
            for (int k = 0; k < 3; ++k) sum[k] += w * c[k], square[k] += w * c[k] * c[k];
        }
        int axis = 0;
        double spread = -1;
        for (int k = 0; k < 3; ++k) {
            const double v = square[k] - sum[k] * sum[k] / n;
            if (v > spread) spread = v, axis = k;
        }
        const int shift = 16 - 8 * axis;
        // A counting sort along the axis.
        size_t start[257] = {};
        for (size_t i = box.Begin; i < box.End; ++i) ++start[((colors[i].Color >> shift) & 0xFF) + 1];
        for (int v = 0; v < 256; ++v) start[v + 1] += start[v];
        scratch.resize(box.End - box.Begin);
        for (size_t i = box.Begin; i < box.End; ++i)
            scratch[start[(colors[i].Color >> shift) & 0xFF]++] = colors[i];
        std::copy(scratch.begin(), scratch.end(), colors.begin() + static_cast<std::ptrdiff_t>(box.Begin));
        // The cut that leaves the least error along the axis.
        double leftN = 0, leftS = 0;
        double bestScore = -1;
        size_t cut = box.Begin + 1;
        for (size_t i = box.Begin; i + 1 < box.End; ++i) {
            const double w = colors[i].Count;
            leftN += w;
            leftS += w * ((colors[i].Color >> shift) & 0xFF);
            if (((colors[i].Color >> shift) & 0xFF) == ((colors[i + 1].Color >> shift) & 0xFF)) continue;
            const double rightN = n - leftN, rightS = sum[axis] - leftS;
            const double score = leftS * leftS / leftN + rightS * rightS / rightN;
            if (score > bestScore) bestScore = score, cut = i + 1;
        }
        if (bestScore < 0) {
            boxes[worst].Error = 0; // one value along the widest axis
            continue;
        }
        boxes[worst] = MakeBox(colors, box.Begin, cut);
        boxes.push_back(MakeBox(colors, cut, box.End));
    }
    TPalette palette;
    for (const TBox& box : boxes) palette.push_back(box.Mean);
    return palette;
}

// The squared error of the colours served by their nearest entries.
double TotalError(const std::vector<TColorCount>& histogram, const TPalette& palette) {
    TSlowColorLookup lookup(palette);
    double error = 0;
    for (const TColorCount& c : histogram) {
        const int index = lookup.Lookup(R(c.Color), G(c.Color), B(c.Color));
        error += double(Distance(palette[static_cast<size_t>(index)], c.Color)) * c.Count;
    }
    return error;
}

// Lloyd's rounds from palette; returns the best palette met and its error.
TPalette Refine(const std::vector<TColorCount>& histogram, TPalette palette, int colors, double& bestError,
                const TReductionProgress& progress, int progressFrom, int progressTo) {
    TPalette best = palette;
    bestError = -1;
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
        if (bestError >= 0 && error >= bestError) break;
        const bool converged = bestError >= 0 && error > bestError * ConvergedRatio;
        bestError = error;
        best = palette;
        if (converged) break;
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
        if (progress) progress(progressFrom + (progressTo - progressFrom) * (round + 1) / MaxRounds);
    }
    return best;
}

} // namespace

TPalette CreateBestPalette(const TRgbPixels& rgb, int colors, const TTransparencyMask* mask,
                           const TReductionProgress& progress) {
    colors = std::clamp(colors, 1, 256);
    const std::vector<TColorCount> histogram = CountColors(rgb, mask);
    if (progress) progress(10);
    if (static_cast<int>(histogram.size()) <= colors) return CreateBestPalette(histogram, colors);

    // Refined from a variance-splitting start; the octree palette stays when
    // it serves the picture better.
    double splitError = 0;
    const TPalette refined =
        Refine(histogram, SplitPalette(histogram, colors), colors, splitError, progress, 20, 100);
    const TPalette octree = CreateOptimizedPalette(rgb, colors, 8, false, mask);
    const TPalette& best = splitError <= TotalError(histogram, octree) ? refined : octree;
    if (progress) progress(100);
    return best;
}

TPalette CreateBestPalette(const std::vector<TWeightedColor>& histogram, int colors) {
    colors = std::clamp(colors, 1, 256);
    if (static_cast<int>(histogram.size()) <= colors) {
        TPalette exact;
        for (const TColorCount& c : histogram) exact.push_back({R(c.Color), G(c.Color), B(c.Color)});
        if (exact.empty()) exact.push_back({0, 0, 0});
        return exact;
    }
    double error = 0;
    return Refine(histogram, SplitPalette(histogram, colors), colors, error, {}, 0, 0);
}
