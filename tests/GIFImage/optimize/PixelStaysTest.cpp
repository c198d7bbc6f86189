// How long each drawn pixel stays: until drawn over, restored, or the end.

#include "GIFPixelStays.h"
#include "GIFTestImages.h"

#include <gtest/gtest.h>

TEST(PixelStays, APixelStaysUntilDrawnOverRestoredOrTheEnd) {
    TGIFImage image;
    image.Header.SetWidth(4);
    image.Header.SetHeight(1);
    AddColors(image.Header.ColorMap, 4);
    AddControl(AddFrame(image, 0, 0, 4, 1, {1, 1, 1, 1}), 10, TGIFDisposal::DoNotDispose);
    // Drawn over pixel 1 of the first frame, and restored to the ground
    // when the next frame comes.
    AddControl(AddFrame(image, 1, 0, 1, 1, {2}), 20, TGIFDisposal::RestoreBackground);
    // Transparent over pixel 2: the first frame's pixel there stays.
    AddControl(AddFrame(image, 2, 0, 2, 1, {0, 3}), 30, TGIFDisposal::DoNotDispose, 0);
    const std::vector<std::vector<float>> stays = PixelStays(image, {0, 0, 4, 1});
    ASSERT_EQ(stays.size(), 3u);
    EXPECT_EQ(stays[0], (std::vector<float>{60, 10, 60, 30}));
    EXPECT_EQ(stays[1], (std::vector<float>{20}));
    EXPECT_EQ(stays[2], (std::vector<float>{0, 30}));
}
