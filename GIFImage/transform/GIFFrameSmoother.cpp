#include "GIFFrameSmoother.h"

#include <algorithm>
#include <cstdint>

namespace {

int Brightness(QRgb p) {
    return qRed(p) + qGreen(p) + qBlue(p);
}

// How many distinct values the count values hold.
int DistinctValues(const QRgb* values, int count) {
    int distinct = 0;
    for (int k = 0; k < count; ++k) distinct += std::find(values, values + k, values[k]) == values + k;
    return distinct;
}

// One row of each of the frames a pixel's values are read from.
struct TRows {
    const QRgb* Of[2 * TFrameSmoother::Reach + 1];
    int Count = 0;
    int Own = 0;
};

// Whether pixel x of the rows looks like grain: its values all within
// grainDistance2 of the own frame's, hardly one of them repeating the one
// before (what a program draws holds its values exactly and changes in
// steps), turning at least once (a fade runs one way). Grain of a step or
// two repeats a value now and then: two repeats pass among three values
// or more (a mark lit for one frame shows two). If so, their mean.
[[gnu::always_inline]] inline bool GrainMean(const TRows& rows, int x, int grainDistance2, QRgb& mean) {
    QRgb values[2 * TFrameSmoother::Reach + 1] = {};
    for (int k = 0; k < rows.Count; ++k) values[k] = rows.Of[k][x];
    // Mostly a pixel holds still: two holds in the first three.
    if (values[0] == values[1] && values[1] == values[2]) return false;
    // Grain's values are random: the tests are summed rather than taken
    // one by one, which would mispredict at every pixel.
    const QRgb c = values[rows.Own];
    int holds = 0, turns = 0, lastStep = 0;
    int r = 0, g = 0, b = 0;
    bool near = true;
    for (int k = 0; k < rows.Count; ++k) {
        const QRgb p = values[k];
        const int dr = qRed(p) - qRed(c), dg = qGreen(p) - qGreen(c), db = qBlue(p) - qBlue(c);
        near &= (qAlpha(p) == 255) & (dr * dr + dg * dg + db * db <= grainDistance2);
        if (k > 0) {
            const int step = Brightness(p) - Brightness(values[k - 1]);
            holds += p == values[k - 1];
            turns += step * lastStep < 0;
            lastStep = step != 0 ? step : lastStep;
        }
        r += qRed(p), g += qGreen(p), b += qBlue(p);
    }
    if (!near || holds > 2 || turns == 0 || (holds == 2 && DistinctValues(values, rows.Count) < 3))
        return false;
    const int n = rows.Count;
    mean = qRgb((r + n / 2) / n, (g + n / 2) / n, (b + n / 2) / n);
    return true;
}

std::future<TSmoothedFrame> Ready(QImage frame) {
    std::promise<TSmoothedFrame> ready;
    ready.set_value({std::move(frame), false});
    return ready.get_future();
}

} // namespace

std::vector<std::future<TSmoothedFrame>> TFrameSmoother::Push(QImage frame) {
    if (GrainDistance2 <= 0) {
        std::vector<std::future<TSmoothedFrame>> ready;
        ready.push_back(Ready(std::move(frame)));
        return ready;
    }
    Window.push_back(std::move(frame));
    ++Arrived;
    std::vector<std::future<TSmoothedFrame>> ready;
    // A frame waits for Reach frames after it, the first ones for 2 Reach
    // frames from the start.
    while (std::max<size_t>(Next + Reach, 2 * Reach) < Arrived) ready.push_back(Smooth(Next++, Arrived));
    while (First + 2 * Reach < Next) {
        Window.pop_front();
        ++First;
    }
    return ready;
}

std::vector<std::future<TSmoothedFrame>> TFrameSmoother::Finish() {
    std::vector<std::future<TSmoothedFrame>> ready;
    while (Next < Arrived) ready.push_back(Smooth(Next++, Arrived));
    return ready;
}

std::future<TSmoothedFrame> TFrameSmoother::Smooth(size_t index, size_t count) const {
    // Reach frames each side; at the ends, as many more on the other.
    size_t low = index >= Reach ? index - Reach : 0;
    const size_t high = std::min(count - 1, low + 2 * Reach);
    low = high >= 2 * Reach ? std::min(low, high - 2 * Reach) : 0;
    // Grain shows only among three values or more.
    if (high - low < 2) return Ready(Window[index - First]);
    std::vector<QImage> frames(Window.begin() + ptrdiff_t(low - First),
                               Window.begin() + ptrdiff_t(high - First + 1));
    return std::async(std::launch::async,
                      [frames = std::move(frames), own = index - low, distance2 = GrainDistance2] {
                          return Smoothed(frames, own, distance2);
                      });
}

TSmoothedFrame TFrameSmoother::Smoothed(const std::vector<QImage>& frames, size_t own, int grainDistance2) {
    const QImage& frame = frames[own];
    const int width = frame.width(), height = frame.height();
    TRows rows;
    rows.Count = int(frames.size());
    rows.Own = int(own);
    const auto rowsAt = [&](int y) {
        for (int k = 0; k < rows.Count; ++k)
            rows.Of[k] = reinterpret_cast<const QRgb*>(frames[size_t(k)].constScanLine(y));
    };
    // A frame with grain shows it all over: one pixel in sixteen tells,
    // and a frame drawn by a program is passed on as it is.
    int64_t sampled = 0, grainy = 0;
    QRgb mean = 0;
    for (int y = SampleStep / 2; y < height; y += SampleStep) {
        rowsAt(y);
        for (int x = SampleStep / 2; x < width; x += SampleStep, ++sampled)
            grainy += GrainMean(rows, x, grainDistance2, mean);
    }
    if (grainy * GrainyShare < sampled) return {frame, false};
    QImage smoothed = frame.copy();
    for (int y = 0; y < height; ++y) {
        rowsAt(y);
        QRgb* out = reinterpret_cast<QRgb*>(smoothed.scanLine(y));
        for (int x = 0; x < width; ++x)
            if (GrainMean(rows, x, grainDistance2, mean)) out[x] = mean;
    }
    return {smoothed, true};
}
