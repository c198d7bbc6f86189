#include "GIFFrameHistogram.h"

#include <gtest/gtest.h>

namespace {

// A frame of count colours, one a pixel, each a step of blue and green
// from start: many of them fall into one bin of the histogram.
QImage Colours(int start, int count) {
    QImage frame(count, 1, QImage::Format_ARGB32);
    for (int x = 0; x < count; ++x) frame.setPixel(x, 0, qRgb(7, (start + x) / 256, (start + x) % 256));
    return frame;
}

} // namespace

// The colours of all frames are known exactly, once each and in order,
// with their pixels, while there are at most 255 of them; the 256th gives
// them up.
TEST(FrameHistogram, KeepsUpTo255ExactColoursAcrossFrames) {
    TFrameHistogram histogram;
    histogram.Add(Colours(0, 200));
    histogram.Add(Colours(100, 155)); // 100 colours again, 55 new
    // A run broken by a transparent pixel of the next colour's value.
    QImage broken(4, 1, QImage::Format_ARGB32);
    broken.setPixel(0, 0, qRgb(7, 0, 5));
    broken.setPixel(1, 0, qRgba(7, 0, 6, 0));
    broken.setPixel(2, 0, qRgb(7, 0, 6));
    broken.setPixel(3, 0, qRgb(7, 0, 6));
    histogram.Add(broken);
    ASSERT_FALSE(histogram.TooManyColours);
    const std::vector<TWeightedColor> exact = histogram.ExactWeighted();
    ASSERT_EQ(exact.size(), 255u);
    for (size_t i = 0; i < exact.size(); ++i) {
        EXPECT_EQ(exact[i].Color, 0x070000u + i);
        const uint32_t twice = i >= 100 && i < 200 ? 2 : 1;
        EXPECT_EQ(exact[i].Count, i == 5 ? 2 : i == 6 ? 3 : twice) << i;
    }
    EXPECT_EQ(histogram.ExactPixels(), 358u);
    EXPECT_EQ(histogram.ExactRuns, 357u);

    histogram.Add(Colours(255, 1));
    EXPECT_TRUE(histogram.TooManyColours);
    EXPECT_TRUE(histogram.ExactWeighted().empty());
    // The bins still count every opaque pixel.
    uint64_t counted = 0;
    for (const TWeightedColor& colour : histogram.Colors()) counted += colour.Count;
    EXPECT_EQ(counted, 359u);
}

// Frames gathered in two histograms and merged count as if gathered in
// one: the bins, the exact colours with their pixels and runs, and the
// exact colours given up once the two together hold more than 255, though
// neither does alone.
TEST(FrameHistogram, MergedHistogramsCountAsOne) {
    const std::vector<QImage> frames = {Colours(0, 150), Colours(100, 100), Colours(120, 40),
                                        Colours(300, 60)};
    const auto gather = [&](std::initializer_list<size_t> which, TFrameHistogram& histogram) {
        for (const size_t i : which) histogram.Add(frames[i]);
    };
    const auto same = [](TFrameHistogram& a, TFrameHistogram& b) {
        ASSERT_EQ(a.TooManyColours, b.TooManyColours);
        const std::vector<TWeightedColor> binsA = a.Colors(), binsB = b.Colors();
        ASSERT_EQ(binsA.size(), binsB.size());
        for (size_t i = 0; i < binsA.size(); ++i) {
            EXPECT_EQ(binsA[i].Color, binsB[i].Color);
            EXPECT_EQ(binsA[i].Count, binsB[i].Count);
        }
        const std::vector<TWeightedColor> exactA = a.ExactWeighted(), exactB = b.ExactWeighted();
        ASSERT_EQ(exactA.size(), exactB.size());
        for (size_t i = 0; i < exactA.size(); ++i) {
            EXPECT_EQ(exactA[i].Color, exactB[i].Color);
            EXPECT_EQ(exactA[i].Count, exactB[i].Count);
        }
        if (!a.TooManyColours) {
            EXPECT_EQ(a.ExactRuns, b.ExactRuns);
        }
    };
    {
        TFrameHistogram one, first, second;
        gather({0, 1, 2}, one);
        gather({0, 2}, first);
        gather({1}, second);
        first.Merge(second);
        ASSERT_FALSE(first.TooManyColours);
        EXPECT_EQ(first.ExactWeighted().size(), 200u);
        same(one, first);
    }
    {
        TFrameHistogram one, first, second;
        gather({0, 1, 3}, one);
        gather({0}, first);
        gather({1, 3}, second);
        ASSERT_FALSE(first.TooManyColours || second.TooManyColours);
        first.Merge(second);
        EXPECT_TRUE(first.TooManyColours);
        same(one, first);
    }
}
