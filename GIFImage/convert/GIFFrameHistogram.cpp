#include "GIFFrameHistogram.h"

#include <algorithm>

namespace {

int BinOf(uint8_t r, uint8_t g, uint8_t b) {
    constexpr int bits = TFrameHistogram::BinBits;
    constexpr int shift = 8 - bits;
    return ((r >> shift) << (2 * bits)) | ((g >> shift) << bits) | (b >> shift);
}

} // namespace

// Inlined where it is called at every change of colour: the colour is
// mostly found at the first slot.
[[gnu::always_inline]] inline int TFrameHistogram::AddExact(uint32_t colour) {
    size_t slot = (colour * 2654435761u) >> 22;
    for (; Places[slot].Key != 0; slot = (slot + 1) % PlaceSlots)
        if (Places[slot].Key == colour + 1) return Places[slot].Index;
    return AddNewExact(colour, slot);
}

int TFrameHistogram::AddNewExact(uint32_t colour, size_t slot) {
    if (Exact.size() >= 255) {
        GiveUpExact();
        return -1;
    }
    Places[slot] = {colour + 1, int(Exact.size())};
    Exact.push_back(colour);
    ExactCount.push_back(0);
    return int(Exact.size()) - 1;
}

std::vector<TWeightedColor> TFrameHistogram::ExactWeighted() const {
    uint64_t most = 0;
    for (const uint64_t n : ExactCount) most = std::max(most, n);
    const uint64_t divisor = most / 0xFFFFFFFFu + 1;
    std::vector<TWeightedColor> colours;
    for (size_t i = 0; i < Exact.size(); ++i)
        colours.push_back({Exact[i], uint32_t(std::max<uint64_t>(1, ExactCount[i] / divisor))});
    std::sort(colours.begin(), colours.end(),
              [](const TWeightedColor& a, const TWeightedColor& b) { return a.Color < b.Color; });
    return colours;
}

[[gnu::always_inline]] inline void TFrameHistogram::AddToBin(uint32_t colour, uint64_t count) {
    const uint8_t r = uint8_t(colour >> 16), g = uint8_t(colour >> 8), b = uint8_t(colour);
    const size_t bin = size_t(BinOf(r, g, b));
    if (Count[bin] == 0) Used.push_back(int(bin));
    Count[bin] += count;
    Sum[3 * bin] += r * count;
    Sum[3 * bin + 1] += g * count;
    Sum[3 * bin + 2] += b * count;
}

void TFrameHistogram::GiveUpExact() {
    for (size_t i = 0; i < Exact.size(); ++i) AddToBin(Exact[i], ExactCount[i]);
    TooManyColours = true;
    Exact.clear();
    ExactCount.clear();
}

uint64_t TFrameHistogram::ExactPixels() const {
    uint64_t pixels = 0;
    for (const uint64_t n : ExactCount) pixels += n;
    return pixels;
}

void TFrameHistogram::Add(const QImage& frame) {
    const int width = frame.width(), height = frame.height();
    for (int y = 0; y < height; ++y) {
        const QRgb* row = reinterpret_cast<const QRgb*>(frame.constScanLine(y));
        // The colour of the run of opaque pixels this one continues, if any
        // (no colour has the top bits set), and its place in Exact.
        uint32_t runColour = ~0u;
        int place = -1;
        for (int x = 0; x < width; ++x) {
            if (qAlpha(row[x]) < 128) {
                runColour = ~0u;
                continue;
            }
            const uint32_t colour = row[x] & 0xFFFFFFu;
            if (!TooManyColours) {
                if (colour != runColour) {
                    place = AddExact(colour);
                    ++ExactRuns;
                }
                runColour = colour;
                if (place >= 0) {
                    ++ExactCount[size_t(place)];
                    continue;
                }
            }
            AddToBin(colour, 1);
        }
    }
}

void TFrameHistogram::Merge(const TFrameHistogram& other) {
    for (const int used : other.Used) {
        const size_t bin = size_t(used);
        if (Count[bin] == 0) Used.push_back(used);
        Count[bin] += other.Count[bin];
        for (size_t k = 0; k < 3; ++k) Sum[3 * bin + k] += other.Sum[3 * bin + k];
    }
    if (other.TooManyColours) {
        if (!TooManyColours) GiveUpExact();
        return;
    }
    // The other's exact colours join these, or their bins once there are
    // too many.
    for (size_t i = 0; i < other.Exact.size(); ++i) {
        if (!TooManyColours) {
            const int place = AddExact(other.Exact[i]);
            if (place >= 0) {
                ExactCount[size_t(place)] += other.ExactCount[i];
                continue;
            }
        }
        AddToBin(other.Exact[i], other.ExactCount[i]);
    }
    if (!TooManyColours) ExactRuns += other.ExactRuns;
}

std::vector<TWeightedColor> TFrameHistogram::Colors() {
    if (!TooManyColours) {
        TFrameHistogram binned;
        binned.TooManyColours = true;
        for (size_t i = 0; i < Exact.size(); ++i) binned.AddToBin(Exact[i], ExactCount[i]);
        return binned.Colors();
    }
    std::sort(Used.begin(), Used.end());
    uint64_t most = 0;
    for (const int bin : Used) most = std::max(most, Count[size_t(bin)]);
    const uint64_t divisor = most / 0xFFFFFFFFu + 1;
    std::vector<TWeightedColor> colors;
    colors.reserve(Used.size());
    for (const int used : Used) {
        const size_t bin = size_t(used);
        const uint64_t n = Count[bin];
        auto mean = [&](int k) { return uint32_t((Sum[3 * bin + size_t(k)] + n / 2) / n); };
        colors.push_back(
            {(mean(0) << 16) | (mean(1) << 8) | mean(2), uint32_t(std::max<uint64_t>(1, n / divisor))});
    }
    return colors;
}

void TFrameHistograms::Add(const QImage& frame) {
    TFrameHistogram* histogram = nullptr;
    {
        std::lock_guard lock(Mutex);
        if (Idle.empty()) {
            All.push_back(std::make_unique<TFrameHistogram>());
            Idle.push_back(All.back().get());
        }
        histogram = Idle.back();
        Idle.pop_back();
    }
    histogram->Add(frame);
    std::lock_guard lock(Mutex);
    Idle.push_back(histogram);
}

TFrameHistogram& TFrameHistograms::Merged() {
    std::lock_guard lock(Mutex);
    if (All.empty()) All.push_back(std::make_unique<TFrameHistogram>());
    for (size_t k = 1; k < All.size(); ++k) All.front()->Merge(*All[k]);
    All.resize(1);
    Idle.assign(1, All.front().get());
    return *All.front();
}
