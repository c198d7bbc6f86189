#include "GIFFrameSmoother.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdlib>
#include <random>

namespace {

// The frames smoothed; grainy counts those in which grain was found.
std::vector<QImage> SmoothAll(const std::vector<QImage>& frames, int grainDistance2, int* grainy = nullptr,
                              bool wholePicture = false) {
    TFrameSmoother smoother(grainDistance2, 2, wholePicture);
    std::vector<QImage> out;
    if (grainy) *grainy = 0;
    const auto take = [&](std::vector<GIFWorkers::TTaskResult<TSmoothedFrame>> ready) {
        for (GIFWorkers::TTaskResult<TSmoothedFrame>& frame : ready) {
            TSmoothedFrame smoothed = frame.get();
            if (grainy) *grainy += smoothed.Grainy;
            out.push_back(smoothed.Picture);
        }
    };
    for (const QImage& frame : frames) take(smoother.Push(frame));
    take(smoother.Finish());
    return out;
}

QRgb Scene(int x, int y) {
    return qRgb(60 + x * 2, 80 + y * 2, 120);
}

// What a program draws in frame i at (x, y), or 0 where it draws nothing:
// within the grain's distance of what is there before and after, a square
// one step lighter from frame 4 on, a row lit slightly in frame 3 only, a
// block fading; and beyond it, a row blinking every frame.
QRgb Drawn(int i, int x, int y) {
    if (x >= 40 && x < 56 && y >= 8 && y < 24) return i >= 4 ? qRgb(203, 203, 200) : qRgb(200, 200, 200);
    if (y == 30) return i == 3 ? qRgb(153, 153, 150) : qRgb(150, 150, 150);
    if (y == 34) return (x + i) % 2 ? qRgb(100, 100, 100) : qRgb(130, 130, 130);
    if (y >= 38 && y < 44 && x < 20) return qRgb(180 - 2 * i, 160 - 2 * i, 140);
    return 0;
}

} // namespace

// Grain over a still scene comes closer to the scene in every frame, while
// what a program draws (held exactly, changing in steps, fading one way,
// or changing by more) keeps its values; every frame comes out once, in
// order.
TEST(FrameSmoother, GrainSettlesWhileWhatIsDrawnStaysExact) {
    std::mt19937 random(7);
    std::uniform_int_distribution<int> grain(-3, 3);
    const int count = 9;
    std::vector<QImage> frames;
    for (int i = 0; i < count; ++i) {
        QImage frame(64, 48, QImage::Format_ARGB32);
        for (int y = 0; y < 48; ++y)
            for (int x = 0; x < 64; ++x) {
                const QRgb s = Scene(x, y);
                const QRgb drawn = Drawn(i, x, y);
                frame.setPixel(x, y,
                               drawn ? drawn
                                     : qRgb(qRed(s) + grain(random), qGreen(s) + grain(random),
                                            qBlue(s) + grain(random)));
            }
        frames.push_back(frame);
    }
    int grainy = 0;
    const std::vector<QImage> smoothed = SmoothAll(frames, 72, &grainy);
    ASSERT_EQ(smoothed.size(), frames.size());
    EXPECT_EQ(grainy, count);
    for (int i = 0; i < count; ++i) {
        SCOPED_TRACE(i);
        int64_t before = 0, after = 0;
        for (int y = 0; y < 48; ++y)
            for (int x = 0; x < 64; ++x) {
                if (Drawn(i, x, y)) {
                    ASSERT_EQ(smoothed[size_t(i)].pixel(x, y), frames[size_t(i)].pixel(x, y))
                        << x << "," << y;
                    continue;
                }
                const QRgb s = Scene(x, y);
                const auto off = [&](QRgb p) {
                    return std::abs(qRed(p) - qRed(s)) + std::abs(qGreen(p) - qGreen(s)) +
                           std::abs(qBlue(p) - qBlue(s));
                };
                before += off(frames[size_t(i)].pixel(x, y));
                after += off(smoothed[size_t(i)].pixel(x, y));
            }
        EXPECT_LT(after * 10, before * 7);
    }
}

// Grain over a band of the picture (moving detail in small steps, say)
// makes the frames grainy, unless grain must cover the whole picture.
TEST(FrameSmoother, GrainOverAPartCountsUnlessTheWholePictureMustShowIt) {
    std::mt19937 random(5);
    std::uniform_int_distribution<int> grain(-3, 3);
    std::vector<QImage> frames;
    for (int i = 0; i < 6; ++i) {
        QImage frame(64, 48, QImage::Format_ARGB32);
        for (int y = 0; y < 48; ++y)
            for (int x = 0; x < 64; ++x) {
                const QRgb s = Scene(x, y);
                const int g = y < 8 ? grain(random) : 0;
                frame.setPixel(x, y, qRgb(qRed(s) + g, qGreen(s) + g, qBlue(s) + g));
            }
        frames.push_back(frame);
    }
    for (const bool whole : {false, true}) {
        int grainy = 0;
        const std::vector<QImage> smoothed = SmoothAll(frames, 72, &grainy, whole);
        ASSERT_EQ(smoothed.size(), frames.size());
        EXPECT_EQ(grainy, whole ? 0 : 6) << whole;
    }
}

// Frames a program draws (a shape moving over a fade) come out as they
// went in, however few there are; so does everything with no distance
// for grain.
TEST(FrameSmoother, DrawnFramesPassAsTheyAre) {
    for (int count = 1; count <= 7; ++count) {
        SCOPED_TRACE(count);
        std::vector<QImage> frames;
        for (int i = 0; i < count; ++i) {
            QImage frame(40, 30, QImage::Format_ARGB32);
            for (int y = 0; y < 30; ++y)
                for (int x = 0; x < 40; ++x) {
                    const bool shape = x >= 3 * i && x < 3 * i + 6 && y >= 10 && y < 16;
                    frame.setPixel(x, y, shape ? qRgb(90, 90, 200) : qRgb(100 - 2 * i, 120 - 2 * i, 140));
                }
            frames.push_back(frame);
        }
        for (const int distance2 : {72, 0}) {
            int grainy = 0;
            const std::vector<QImage> smoothed = SmoothAll(frames, distance2, &grainy);
            ASSERT_EQ(smoothed.size(), frames.size());
            EXPECT_EQ(grainy, 0);
            for (int i = 0; i < count; ++i) EXPECT_EQ(smoothed[size_t(i)], frames[size_t(i)]) << i;
        }
    }
}

// The grain test eight pixels at a time gives the row the one-at-a-time
// test gives: on rows of grain, of repeats, of pixels not quite opaque and
// of steps beyond the distance, for every count of frames and own frame,
// and for distances where its sixteen-bit sums saturate.
TEST(FrameSmoother, RowsComeOutTheSameEightPixelsAtATime) {
    std::mt19937 random(11);
    const int width = 45; // five blocks of eight and a rest
    int smoothed = 0;
    for (int trial = 0; trial < 3000; ++trial) {
        const int count = 3 + trial % 3;
        const int own = (trial / 3) % count;
        const int grainDistance2 = std::array{0, 8, 18, 200, 65534, 70000}[(trial / 15) % 6];
        // Values from a few near tones, so that repeats and holds come up,
        // now and then far off or not quite opaque.
        const int base = std::uniform_int_distribution<int>(0, 255)(random);
        std::uniform_int_distribution<int> pick(0, 99);
        const auto tone = [&] {
            const int roll = pick(random);
            if (roll < 3) return qRgba(base, base, base, 254);
            if (roll < 6) return qRgb(255 - base, base / 2, 255);
            const int step = roll % 4;
            return qRgb(std::min(255, base + step), std::min(255, base + step / 2), base);
        };
        std::vector<std::vector<QRgb>> rows(static_cast<size_t>(count), std::vector<QRgb>(width));
        for (std::vector<QRgb>& row : rows)
            for (QRgb& value : row) value = tone();
        std::vector<const QRgb*> rowOf;
        for (const std::vector<QRgb>& row : rows) rowOf.push_back(row.data());
        std::vector<QRgb> vectors = rows[size_t(own)], single = rows[size_t(own)];
        SmoothGrainRow(rowOf.data(), count, own, width, grainDistance2, vectors.data(), true);
        SmoothGrainRow(rowOf.data(), count, own, width, grainDistance2, single.data(), false);
        ASSERT_EQ(vectors, single) << "trial " << trial;
        for (int x = 0; x < width; ++x) smoothed += single[size_t(x)] != rows[size_t(own)][size_t(x)];
    }
    // The rows held grain to smooth, not only pixels left as they were.
    EXPECT_GT(smoothed, 3000);
}
