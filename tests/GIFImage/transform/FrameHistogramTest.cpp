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
