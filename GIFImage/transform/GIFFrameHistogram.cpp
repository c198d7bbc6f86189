#include "GIFFrameHistogram.h"

#include <algorithm>
#include <new>

namespace {

int BinOf(uint8_t r, uint8_t g, uint8_t b) {
    constexpr int bits = TFrameHistogram::BinBits;
    constexpr int shift = 8 - bits;
    return ((r >> shift) << (2 * bits)) | ((g >> shift) << bits) | (b >> shift);
}

} // namespace

uint64_t* TFrameHistogram::ZeroedArray(size_t count) {
    void* memory = std::calloc(count, sizeof(uint64_t));
    if (!memory) throw std::bad_alloc();
    return static_cast<uint64_t*>(memory);
}

void TFrameHistogram::AddExact(uint32_t colour) {
    uint64_t& word = Met[colour >> 6];
    const uint64_t bit = uint64_t{1} << (colour & 63);
    if (word & bit) return;
    word |= bit;
    if (Exact.size() >= 255) {
        TooManyColours = true;
        Exact.clear();
        Met.reset();
        return;
    }
    Exact.push_back(colour);
}

std::vector<uint32_t> TFrameHistogram::ExactColours() const {
    std::vector<uint32_t> sorted = Exact;
    std::sort(sorted.begin(), sorted.end());
    return sorted;
}

void TFrameHistogram::Add(const QImage& frame) {
    std::lock_guard lock(Mutex);
    for (int y = 0; y < frame.height(); ++y) {
        const QRgb* row = reinterpret_cast<const QRgb*>(frame.constScanLine(y));
        for (int x = 0; x < frame.width(); ++x) {
            if (qAlpha(row[x]) < 128) continue;
            const uint8_t r = uint8_t(qRed(row[x])), g = uint8_t(qGreen(row[x])), b = uint8_t(qBlue(row[x]));
            const uint32_t colour = row[x] & 0xFFFFFFu;
            if (!TooManyColours && (x == 0 || colour != (row[x - 1] & 0xFFFFFFu))) AddExact(colour);
            const int bin = BinOf(r, g, b);
            if (Count[size_t(bin)]++ == 0) Used.push_back(bin);
            Sum[3 * size_t(bin)] += r;
            Sum[3 * size_t(bin) + 1] += g;
            Sum[3 * size_t(bin) + 2] += b;
        }
    }
}

std::vector<TWeightedColor> TFrameHistogram::Colors() {
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
