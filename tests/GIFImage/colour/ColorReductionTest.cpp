// The octree quantiser and the palettes, lookups and output of every colour
// reduction method.

#include "Bitmap.h"
#include "GIFColorQuantizer.h"
#include "GIFDitherer.h"
#include "GIFPalettes.h"
#include "GIFPictureReduction.h"

#include <gtest/gtest.h>

namespace {

const TPaletteEntry Red{255, 0, 0}, Green{0, 255, 0}, Blue{0, 0, 255}, Black{0, 0, 0};

// A picture of the given colours side by side.
QImage Strip(const std::vector<TPaletteEntry>& colors) {
    QImage picture(static_cast<int>(colors.size()), 1, QImage::Format_RGB888);
    for (size_t i = 0; i < colors.size(); ++i)
        picture.setPixel(static_cast<int>(i), 0, qRgb(colors[i].Red, colors[i].Green, colors[i].Blue));
    return picture;
}

TPalette PaletteOf(int method, const QImage& picture, int bits = 8, const TPalette& given = {}) {
    auto lookup = CreateReductionLookup(method, picture, given, bits);
    return lookup ? lookup->Palette() : TPalette{};
}

} // namespace

// Depth 2, at most 3 leaves. Pixels (0,0,0), (64,0,0) go below node A (child
// 0 of the root), (128,0,0), (192,0,0) below node B (child 4). The fourth
// leaf is one too many: the most recently made node of the deepest
// reducible level (level 1: B, then A) merges, so B's two leaves become
// their average (160,0,0) and A keeps its leaves.
TEST(GIFOctree, MergesTheNewestNodeOfTheDeepestLevelFirst) {
    TColorQuantizer quantizer(3, 2);
    quantizer.AddColor(0, 0, 0);
    quantizer.AddColor(64, 0, 0);
    quantizer.AddColor(128, 0, 0);
    EXPECT_EQ(quantizer.LeafCount(), 3);
    EXPECT_EQ(quantizer.ReducibleNodes(1), (std::vector<TPaletteEntry>{{128, 0, 0}, {0, 0, 0}}));
    quantizer.AddColor(192, 0, 0);
    EXPECT_EQ(quantizer.LeafCount(), 3);
    EXPECT_EQ(quantizer.ReducibleNodes(1), (std::vector<TPaletteEntry>{{0, 0, 0}}));
    EXPECT_EQ(quantizer.ReducibleNodes(0).size(), 1u);
    EXPECT_EQ(quantizer.Palette(), (TPalette{{0, 0, 0}, {64, 0, 0}, {160, 0, 0}}));
    // Later pixels of a merged colour land in the merged leaf.
    quantizer.AddColor(128, 0, 0);
    EXPECT_EQ(quantizer.Palette(), (TPalette{{0, 0, 0}, {64, 0, 0}, {149, 0, 0}}));
}

TEST(GIFOctree, DeeperLevelsMergeBeforeShallowerOnes) {
    // With 8 colour bits, black and (1,0,0) part only at level 7; white
    // parts at the root. Two colours allowed: white's level-7 node is the
    // newest but has one leaf; then black's merges.
    TColorQuantizer quantizer(2, 8);
    quantizer.AddColor(0, 0, 0);
    quantizer.AddColor(1, 0, 0);
    quantizer.AddColor(255, 255, 255);
    EXPECT_EQ(quantizer.LeafCount(), 2);
    EXPECT_EQ(quantizer.Palette(), (TPalette{{0, 0, 0}, {255, 255, 255}}));
    EXPECT_TRUE(quantizer.ReducibleNodes(7).empty());
    EXPECT_EQ(quantizer.ReducibleNodes(6).size(), 2u);
}

TEST(GIFColorReduction, EveryMethodHasItsPaletteInOrder) {
    // Red, green and blue lie below root children 4, 2 and 1: the tree walk
    // gives blue, green, red.
    const QImage picture = Strip({Red, Green, Blue, Red});
    EXPECT_EQ(PaletteOf(rmWindows20, picture), StaticColors());
    EXPECT_EQ(PaletteOf(rmWindows256, picture), HalftonePalette());
    EXPECT_EQ(PaletteOf(rmWindowsGray, picture), FourGreyPalette());
    EXPECT_EQ(PaletteOf(rmMonochrome, picture), (TPalette{Black, {255, 255, 255}}));
    EXPECT_EQ(PaletteOf(rmGrayScale, picture), GreyPalette(256));
    EXPECT_EQ(PaletteOf(rmNetscape, picture), WebPalette());
    EXPECT_EQ(PaletteOf(rmQuantize, picture, 2), (TPalette{Blue, Green, Red, Black}));

    const TPalette withStatics = PaletteOf(rmQuantizeWindows, picture);
    ASSERT_EQ(withStatics.size(), 256u);
    EXPECT_EQ(TPalette(withStatics.begin(), withStatics.begin() + 10),
              TPalette(StaticColors().begin(), StaticColors().begin() + 10));
    EXPECT_EQ(TPalette(withStatics.begin() + 10, withStatics.begin() + 14),
              (TPalette{Blue, Green, Red, Black}));
    EXPECT_EQ(withStatics[245], Black);
    EXPECT_EQ(TPalette(withStatics.begin() + 246, withStatics.end()),
              TPalette(StaticColors().begin() + 10, StaticColors().end()));

    const TPalette given = {{1, 2, 3}, {4, 5, 6}};
    EXPECT_EQ(PaletteOf(rmPalette, picture, 8, given), given);
    // Fewer colours than entries: the picture's own colours.
    EXPECT_EQ(PaletteOf(rmBest, picture), (TPalette{Blue, Green, Red}));
    EXPECT_EQ(CreateReductionLookup(rmNone, picture, {}, 8), nullptr);
    EXPECT_EQ(CreateReductionLookup(11, picture, {}, 8), nullptr);
}

TEST(GIFColorReduction, ReducedPictureCarriesThePaletteAndTheLookedUpIndices) {
    const QImage picture = Strip({{40, 40, 40}, {250, 10, 10}, Blue});
    const QImage web = ReduceColors(picture, rmNetscape, dmNearest, {}, 8);
    ASSERT_EQ(web.format(), QImage::Format_Indexed8);
    EXPECT_EQ(web.colorTable().size(), 216);
    EXPECT_EQ(web.pixelIndex(0, 0), 36 + 6 + 1);
    EXPECT_EQ(web.pixelIndex(1, 0), 5 * 36);
    EXPECT_EQ(web.pixelIndex(2, 0), 5);

    const QImage copy = ReduceColors(picture, rmNone, dmNearest, {}, 8);
    EXPECT_EQ(copy.format(), QImage::Format_RGB888);
    EXPECT_EQ(copy.pixel(1, 0), qRgb(250, 10, 10));

    EXPECT_TRUE(ReduceColors(picture, 11, dmNearest, {}, 8).isNull());
    EXPECT_TRUE(ReduceColors(picture, rmNetscape, 7, {}, 8).isNull());
    // An empty given palette writes nothing.
    const QImage none = ReduceColors(picture, rmPalette, dmFloydSteinberg, {}, 8);
    EXPECT_TRUE(none.colorTable().isEmpty());
    EXPECT_EQ(none.pixelIndex(2, 0), 0);
}

TEST(GIFColorReduction, BitmapsOfAnyDepthReduceAndTheSourceStaysAsItIs) {
    TBitmap source(4, 2, TPixelFormat::pf32bit);
    source.Canvas().Brush.Color = RGBColor(200, 100, 50);
    source.Canvas().FillRect(TRect{0, 0, 4, 2});
    auto reduced = ReduceColors(source, rmQuantize, dmFloydSteinberg, {}, 8);
    ASSERT_NE(reduced, nullptr);
    EXPECT_EQ(reduced->PixelFormat(), TPixelFormat::pf8bit);
    EXPECT_EQ(reduced->Palette()[0], (TPaletteEntry{200, 100, 50}));
    EXPECT_EQ(source.PixelFormat(), TPixelFormat::pf32bit);
    auto copy = ReduceColors(source, rmNone, dmNearest, {}, 8);
    EXPECT_EQ(copy->PixelFormat(), TPixelFormat::pf24bit);
    EXPECT_EQ(ReduceColors(source, 12, dmNearest, {}, 8), nullptr);
}

TEST(GIFColorReduction, BestPaletteServesAPictureNoWorseThanTheOctree) {
    // A two-way gradient of 64 x 64 distinct colours into 16 entries; red
    // spans 96..127, inside one octree cell down to level 3, where the
    // octree's fixed cuts serve it poorly.
    QImage picture(64, 64, QImage::Format_RGB888);
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x) picture.setPixel(x, y, qRgb(96 + x / 2, y * 4, 128));
    auto squaredError = [&](int method) {
        const QImage reduced = ReduceColors(picture, method, dmNearest, {}, 4);
        double sum = 0;
        for (int y = 0; y < 64; ++y)
            for (int x = 0; x < 64; ++x) {
                const QRgb a = picture.pixel(x, y), b = reduced.pixel(x, y);
                sum += (qRed(a) - qRed(b)) * (qRed(a) - qRed(b)) +
                       (qGreen(a) - qGreen(b)) * (qGreen(a) - qGreen(b)) +
                       (qBlue(a) - qBlue(b)) * (qBlue(a) - qBlue(b));
            }
        return sum;
    };
    EXPECT_EQ(PaletteOf(rmBest, picture, 4).size(), 16u);
    EXPECT_LT(squaredError(rmBest), squaredError(rmQuantize));
}
