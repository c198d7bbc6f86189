#include "GIFFrameSmoother.h"

#include <algorithm>
#include <cstdint>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

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

#if defined(__SSE2__)
// The channel at Shift of eight pixels (two registers of four), as eight
// 16-bit lanes.
template <int Shift> __m128i Channel(__m128i low, __m128i high) {
    const __m128i byte = _mm_set1_epi32(0xFF);
    return _mm_packs_epi32(_mm_and_si128(_mm_srli_epi32(low, Shift), byte),
                           _mm_and_si128(_mm_srli_epi32(high, Shift), byte));
}

// Whether the two registers of four pixels each equal the other two, as
// eight 16-bit lanes (all ones where equal).
__m128i SamePixels(const __m128i* a, const __m128i* b) {
    return _mm_packs_epi32(_mm_cmpeq_epi32(a[0], b[0]), _mm_cmpeq_epi32(a[1], b[1]));
}

// GrainMean for the eight pixels from x, the own frame's pixels written
// to out where they are not grain. Sixteen bits a lane hold every sum: a
// squared distance saturates above grainDistance2 (at most 65534), and a
// brightness or a channel's sum of five values stays under 1,300.
static_assert(2 * TFrameSmoother::Reach + 1 <= 5, "the means below divide by 3 to 5 frames");
void GrainMeans8(const TRows& rows, int x, int grainDistance2, QRgb* out) {
    const int n = rows.Count;
    __m128i pixels[2 * TFrameSmoother::Reach + 1][2];
    __m128i r[2 * TFrameSmoother::Reach + 1], g[2 * TFrameSmoother::Reach + 1],
        b[2 * TFrameSmoother::Reach + 1];
    const __m128i zero = _mm_setzero_si128();
    __m128i alphaOpaque = _mm_cmpeq_epi16(zero, zero);
    for (int k = 0; k < n; ++k) {
        pixels[k][0] = _mm_loadu_si128(reinterpret_cast<const __m128i*>(rows.Of[k] + x));
        pixels[k][1] = _mm_loadu_si128(reinterpret_cast<const __m128i*>(rows.Of[k] + x + 4));
        r[k] = Channel<16>(pixels[k][0], pixels[k][1]);
        g[k] = Channel<8>(pixels[k][0], pixels[k][1]);
        b[k] = Channel<0>(pixels[k][0], pixels[k][1]);
        alphaOpaque = _mm_and_si128(
            alphaOpaque, _mm_cmpeq_epi16(Channel<24>(pixels[k][0], pixels[k][1]), _mm_set1_epi16(255)));
    }
    const int own = rows.Own;
    const __m128i limit = _mm_set1_epi16(static_cast<short>(grainDistance2));
    __m128i near = alphaOpaque, holds = zero, turns = zero, lastStep = zero;
    __m128i sumR = zero, sumG = zero, sumB = zero;
    for (int k = 0; k < n; ++k) {
        const __m128i dr = _mm_sub_epi16(r[k], r[own]), dg = _mm_sub_epi16(g[k], g[own]),
                      db = _mm_sub_epi16(b[k], b[own]);
        // Each square is below 65,536, exact as unsigned 16 bits.
        const __m128i distance2 = _mm_adds_epu16(
            _mm_adds_epu16(_mm_mullo_epi16(dr, dr), _mm_mullo_epi16(dg, dg)), _mm_mullo_epi16(db, db));
        near = _mm_and_si128(near, _mm_cmpeq_epi16(_mm_subs_epu16(distance2, limit), zero));
        if (k > 0) {
            const __m128i step = _mm_sub_epi16(_mm_add_epi16(_mm_add_epi16(r[k], g[k]), b[k]),
                                               _mm_add_epi16(_mm_add_epi16(r[k - 1], g[k - 1]), b[k - 1]));
            holds = _mm_sub_epi16(holds, SamePixels(pixels[k], pixels[k - 1]));
            const __m128i turn =
                _mm_or_si128(_mm_and_si128(_mm_cmpgt_epi16(step, zero), _mm_cmplt_epi16(lastStep, zero)),
                             _mm_and_si128(_mm_cmplt_epi16(step, zero), _mm_cmpgt_epi16(lastStep, zero)));
            turns = _mm_sub_epi16(turns, turn);
            const __m128i still = _mm_cmpeq_epi16(step, zero);
            lastStep = _mm_or_si128(_mm_andnot_si128(still, step), _mm_and_si128(still, lastStep));
        }
        sumR = _mm_add_epi16(sumR, r[k]), sumG = _mm_add_epi16(sumG, g[k]), sumB = _mm_add_epi16(sumB, b[k]);
    }
    const __m128i holdsStill =
        _mm_and_si128(SamePixels(pixels[0], pixels[1]), SamePixels(pixels[1], pixels[2]));
    __m128i grain = _mm_andnot_si128(holdsStill, near);
    grain = _mm_andnot_si128(_mm_cmpgt_epi16(holds, _mm_set1_epi16(2)), grain);
    grain = _mm_andnot_si128(_mm_cmpeq_epi16(turns, zero), grain);
    // Two repeats pass among three values or more. Among five values two
    // repeats leave three runs, the neighbouring ones different: they hold
    // fewer than three values just where the first and the last are equal.
    // (Among fewer values two repeats leave no turn, which fails above.)
    grain = _mm_andnot_si128(
        _mm_and_si128(_mm_cmpeq_epi16(holds, _mm_set1_epi16(2)), SamePixels(pixels[0], pixels[n - 1])),
        grain);
    // The mean, rounded: (sum + n / 2) / n as a multiply by 65536 / n
    // rounded up, exact for sums this small and n from 3 to 5.
    const __m128i half = _mm_set1_epi16(static_cast<short>(n / 2));
    const __m128i reciprocal = _mm_set1_epi16(static_cast<short>((65536 + n - 1) / n));
    const __m128i meanR = _mm_mulhi_epu16(_mm_add_epi16(sumR, half), reciprocal);
    const __m128i meanG = _mm_mulhi_epu16(_mm_add_epi16(sumG, half), reciprocal);
    const __m128i meanB = _mm_mulhi_epu16(_mm_add_epi16(sumB, half), reciprocal);
    // As pixels 0xFFRRGGBB: green and blue in the low half, red above.
    const __m128i alpha = _mm_set1_epi32(static_cast<int>(0xFF000000u));
    const __m128i greenBlue = _mm_or_si128(_mm_slli_epi16(meanG, 8), meanB);
    const __m128i means[2] = {_mm_or_si128(alpha, _mm_unpacklo_epi16(greenBlue, meanR)),
                              _mm_or_si128(alpha, _mm_unpackhi_epi16(greenBlue, meanR))};
    const __m128i grainWide[2] = {_mm_unpacklo_epi16(grain, grain), _mm_unpackhi_epi16(grain, grain)};
    for (int half4 = 0; half4 < 2; ++half4) {
        const __m128i chosen = _mm_or_si128(_mm_and_si128(grainWide[half4], means[half4]),
                                            _mm_andnot_si128(grainWide[half4], pixels[own][half4]));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + x + 4 * half4), chosen);
    }
}
#endif

GIFWorkers::TTaskResult<TSmoothedFrame> Ready(QImage frame) {
    return GIFWorkers::TTaskResult<TSmoothedFrame>::Done({std::move(frame), false});
}

} // namespace

std::vector<GIFWorkers::TTaskResult<TSmoothedFrame>> TFrameSmoother::Push(QImage frame) {
    if (GrainDistance2 <= 0) {
        std::vector<GIFWorkers::TTaskResult<TSmoothedFrame>> ready;
        ready.push_back(Ready(std::move(frame)));
        return ready;
    }
    Window.push_back(std::move(frame));
    ++Arrived;
    std::vector<GIFWorkers::TTaskResult<TSmoothedFrame>> ready;
    // A frame waits for Reach frames after it, the first ones for 2 Reach
    // frames from the start.
    while (std::max<size_t>(Next + Reach, 2 * Reach) < Arrived) ready.push_back(Smooth(Next++, Arrived));
    while (First + 2 * Reach < Next) {
        Window.pop_front();
        ++First;
    }
    return ready;
}

std::vector<GIFWorkers::TTaskResult<TSmoothedFrame>> TFrameSmoother::Finish() {
    std::vector<GIFWorkers::TTaskResult<TSmoothedFrame>> ready;
    while (Next < Arrived) ready.push_back(Smooth(Next++, Arrived));
    return ready;
}

GIFWorkers::TTaskResult<TSmoothedFrame> TFrameSmoother::Smooth(size_t index, size_t count) const {
    // Reach frames each side; at the ends, as many more on the other.
    size_t low = index >= Reach ? index - Reach : 0;
    const size_t high = std::min(count - 1, low + 2 * Reach);
    low = high >= 2 * Reach ? std::min(low, high - 2 * Reach) : 0;
    // Grain shows only among three values or more.
    if (high - low < 2) return Ready(Window[index - First]);
    std::vector<QImage> frames(Window.begin() + ptrdiff_t(low - First),
                               Window.begin() + ptrdiff_t(high - First + 1));
    return GIFWorkers::Later([frames = std::move(frames), own = index - low, distance2 = GrainDistance2,
                              share = GrainyShare] { return Smoothed(frames, own, distance2, share); },
                             Threads);
}

// Eight pixels at a time where the machine has SSE2: the grain test is
// most of the time of a grey film.
void SmoothGrainRow(const QRgb* const* rowOf, int count, int own, int width, int grainDistance2, QRgb* out,
                    bool vectors) {
    TRows rows;
    std::copy(rowOf, rowOf + count, rows.Of);
    rows.Count = count;
    rows.Own = own;
    int x = 0;
#if defined(__SSE2__)
    if (vectors && grainDistance2 <= 65534 && rows.Count >= 3)
        for (; x + 8 <= width; x += 8) GrainMeans8(rows, x, grainDistance2, out);
#else
    (void)vectors;
#endif
    QRgb mean = 0;
    for (; x < width; ++x)
        if (GrainMean(rows, x, grainDistance2, mean)) out[x] = mean;
}

TSmoothedFrame TFrameSmoother::Smoothed(const std::vector<QImage>& frames, size_t own, int grainDistance2,
                                        int grainyShare) {
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
    if (grainy * grainyShare < sampled) return {frame, false};
    QImage smoothed = frame.copy();
    for (int y = 0; y < height; ++y) {
        rowsAt(y);
        SmoothGrainRow(rows.Of, rows.Count, rows.Own, width, grainDistance2,
                       reinterpret_cast<QRgb*>(smoothed.scanLine(y)), true);
    }
    return {smoothed, true};
}
