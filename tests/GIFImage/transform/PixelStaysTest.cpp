// How long each drawn pixel stays: until drawn over, restored, or the end.

#include "GIFGraphicControlExtension.h"
#include "GIFPixelStays.h"
#include "GIFTestImages.h"

#include <gtest/gtest.h>

namespace {

TGIFSubImage& AddTimedFrame(TGIFImage& image, int left, int width, const Bytes& pixels, int delay,
                            TGIFDisposal disposal, int transparent = -1) {
    TGIFSubImage& frame = AddFrame(image, left, 0, width, 1, pixels);
    auto& control = static_cast<TGIFGraphicControlExtension&>(
        frame.Extensions.Add(std::make_unique<TGIFGraphicControlExtension>(frame)));
    control.SetDelay(static_cast<uint16_t>(delay));
    control.SetDisposal(disposal);
    if (transparent >= 0) {
        control.SetTransparent(true);
        control.SetTransparentColorIndex(transparent);
    }
    return frame;
}

} // namespace

TEST(PixelStays, APixelStaysUntilDrawnOverRestoredOrTheEnd) {
    TGIFImage image;
    image.Header.SetWidth(4);
    image.Header.SetHeight(1);
    AddColors(image.Header.ColorMap, 4);
    AddTimedFrame(image, 0, 4, {1, 1, 1, 1}, 10, TGIFDisposal::DoNotDispose);
    // Drawn over pixel 1 of the first frame, and restored to the ground
    // when the next frame comes.
    AddTimedFrame(image, 1, 1, {2}, 20, TGIFDisposal::RestoreBackground);
    // Transparent over pixel 2: the first frame's pixel there stays.
    AddTimedFrame(image, 2, 2, {0, 3}, 30, TGIFDisposal::DoNotDispose, 0);
    const std::vector<std::vector<float>> stays = PixelStays(image, {0, 0, 4, 1});
    ASSERT_EQ(stays.size(), 3u);
    EXPECT_EQ(stays[0], (std::vector<float>{60, 10, 60, 30}));
    EXPECT_EQ(stays[1], (std::vector<float>{20}));
    EXPECT_EQ(stays[2], (std::vector<float>{0, 30}));
}
