// The colour table optimisation: use counts, the quicksort, remapping and
// trimming.

#include "GIFColorMap.h"
#include "GIFGraphicControlExtension.h"
#include "GIFImage.h"

#include <gtest/gtest.h>

namespace {

// A frame of the given pixels (one row) with a local table of the colours.
TGIFSubImage& AddFrame(TGIFImage& image, const std::vector<uint8_t>& pixels,
                       const std::vector<TColor>& colors) {
    auto frame = std::make_unique<TGIFSubImage>(&image);
    frame->SetWidth(static_cast<uint16_t>(pixels.size()));
    frame->SetHeight(1);
    std::copy(pixels.begin(), pixels.end(), frame->ScanLine(0));
    for (TColor c : colors) frame->ColorMap.Add(c);
    return image.Add(std::move(frame));
}

std::vector<uint8_t> PixelsOf(TGIFSubImage& frame) {
    return std::vector<uint8_t>(frame.Data(), frame.Data() + frame.DataSize());
}

std::vector<TColor> ColorsOf(TGIFColorMap& map) {
    std::vector<TColor> colors;
    for (int i = 0; i < map.Count(); ++i) colors.push_back(map.Color(i));
    return colors;
}

constexpr TColor A = RGBColor(10, 0, 0), B = RGBColor(20, 0, 0), C = RGBColor(30, 0, 0),
                 D = RGBColor(40, 0, 0);

} // namespace

TEST(GIFColorTableOptimize, QuicksortOrdersEqualCountsByItsOwnScans) {
    // Counts 1, 3, 0, 3: the middle pivot (3) swaps entries 0 and 3 first.
    std::vector<TColorUse> uses = {{1, 0}, {3, 1}, {0, 2}, {3, 3}};
    SortColorUses(uses);
    std::vector<int> order;
    for (const auto& u : uses) order.push_back(u.Index);
    EXPECT_EQ(order, (std::vector<int>{3, 1, 0, 2}));
}

TEST(GIFColorTableOptimize, SortsByUseRemapsPixelsAndTransparencyAndDropsUnusedEntries) {
    TGIFImage image;
    image.Header.SetWidth(7);
    image.Header.SetHeight(1);
    TGIFSubImage& frame = AddFrame(image, {1, 3, 0, 3, 1, 3, 1}, {A, B, C, D});
    auto& control = static_cast<TGIFGraphicControlExtension&>(
        frame.Extensions.Add(std::make_unique<TGIFGraphicControlExtension>(frame)));
    control.SetTransparent(true);
    control.SetTransparentColorIndex(0);
    // Uses: A 1, B 3, C 0, D 3 -> order D, B, A, C; C goes.
    EXPECT_TRUE(frame.ColorMap.Optimize());
    EXPECT_TRUE(frame.ColorMap.Sorted());
    EXPECT_EQ(ColorsOf(frame.ColorMap), (std::vector<TColor>{D, B, A}));
    EXPECT_EQ(PixelsOf(frame), (std::vector<uint8_t>{1, 0, 2, 0, 1, 0, 1}));
    EXPECT_EQ(control.TransparentColorIndex(), 2);
}

TEST(GIFColorTableOptimize, ATableInOrderOfUseOnlyBecomesSorted) {
    TGIFImage image;
    TGIFSubImage& frame = AddFrame(image, {0, 1, 0, 2, 1, 0}, {A, B, C, D});
    EXPECT_FALSE(frame.ColorMap.Optimize());
    EXPECT_TRUE(frame.ColorMap.Sorted());
    EXPECT_EQ(ColorsOf(frame.ColorMap), (std::vector<TColor>{A, B, C, D}));
    EXPECT_EQ(PixelsOf(frame), (std::vector<uint8_t>{0, 1, 0, 2, 1, 0}));

    TGIFSubImage& single = AddFrame(image, {0}, {A});
    EXPECT_FALSE(single.ColorMap.Optimize());
    EXPECT_FALSE(single.ColorMap.Sorted());
}

TEST(GIFColorTableOptimize, GlobalTableCountsEveryFrameThatUsesItAndMovesTheBackground) {
    TGIFImage image;
    for (TColor c : {A, B, C, D}) image.Header.ColorMap.Add(c);
    EXPECT_FALSE(image.Header.ColorMap.Optimize()); // no frames yet
    EXPECT_FALSE(image.Header.ColorMap.Sorted());

    image.Header.SetBackgroundColorIndex(3);
    TGIFSubImage& first = AddFrame(image, {2, 2, 1}, {});
    TGIFSubImage& second = AddFrame(image, {2, 1, 1, 1}, {});
    TGIFSubImage& own = AddFrame(image, {0, 0, 0, 0, 0}, {A, B}); // has its own table
    EXPECT_TRUE(image.Header.ColorMap.Optimize());
    // B 4, C 3; A and D unused, but D is the background colour and stays.
    const std::vector<TColor> colors = ColorsOf(image.Header.ColorMap);
    ASSERT_GE(colors.size(), 3u);
    EXPECT_EQ(colors[0], B);
    EXPECT_EQ(colors[1], C);
    EXPECT_EQ(image.Header.BackgroundColor(), D);
    EXPECT_EQ(PixelsOf(first), (std::vector<uint8_t>{1, 1, 0}));
    EXPECT_EQ(PixelsOf(second), (std::vector<uint8_t>{1, 0, 0, 0}));
    EXPECT_EQ(PixelsOf(own), (std::vector<uint8_t>{0, 0, 0, 0, 0}));
}
