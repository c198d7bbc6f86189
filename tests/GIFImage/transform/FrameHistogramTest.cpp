#include "GIFFrameHistogram.h"

#include <gtest/gtest.h>

#include <algorithm>

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
// while there are at most 255 of them; the 256th gives them up.
TEST(FrameHistogram, KeepsUpTo255ExactColoursAcrossFrames) {
    TFrameHistogram histogram;
    histogram.Add(Colours(0, 200));
    histogram.Add(Colours(100, 155)); // 100 colours again, 55 new
    ASSERT_FALSE(histogram.TooManyColours);
    const std::vector<uint32_t> exact = histogram.ExactColours();
    ASSERT_EQ(exact.size(), 255u);
    EXPECT_TRUE(std::is_sorted(exact.begin(), exact.end()));
    EXPECT_EQ(exact.front(), 0x070000u);
    EXPECT_EQ(exact.back(), 0x0700FEu);
    EXPECT_EQ(std::adjacent_find(exact.begin(), exact.end()), exact.end());

    histogram.Add(Colours(255, 1));
    EXPECT_TRUE(histogram.TooManyColours);
    EXPECT_TRUE(histogram.ExactColours().empty());
    // The bins still count every opaque pixel.
    uint64_t counted = 0;
    for (const TWeightedColor& colour : histogram.Colors()) counted += colour.Count;
    EXPECT_EQ(counted, 356u);
}
