// Frame rendering: palettes, the frame bitmap and its mask, progress and
// abort, drawing a frame scaled, tiled, through its mask or not, the
// composed bitmap and the image's still draw.

#include "Bitmap.h"
#include "Canvas.h"
#include "Exceptions.h"
#include "GIFColorMapPalette.h"
#include "GIFDIB.h"
#include "GIFDrawFlags.h"
#include "GIFGraphicControlExtension.h"
#include "GIFMessages.h"
#include "GIFPalettes.h"
#include "GIFTestImages.h"

#include <gtest/gtest.h>

namespace {

constexpr QRgb Ground = 0xFF0000FFu;

QRgb ColourOf(int i) {
    return qRgb(i, 255 - i, i * 7);
}

QImage GroundImage(int width, int height) {
    QImage image(width, height, QImage::Format_ARGB32_Premultiplied);
    image.fill(Ground);
    return image;
}

void MakeTransparent(TGIFSubImage& frame, int index) {
    auto control = std::make_unique<TGIFGraphicControlExtension>(frame);
    control->SetTransparentColorIndex(index);
    control->SetTransparent(true);
    frame.Extensions.Add(std::move(control));
}

struct ProgressStep {
    TProgressStage Stage;
    int Percent;
    bool Redraw;
    std::string Message;
    bool operator==(const ProgressStep&) const = default;
};

} // namespace

TEST(GIFPalettes, FrameAndImagePalettesComeFromTheTablesInTurn) {
    TGIFImage image;
    image.Header.SetWidth(2);
    image.Header.SetHeight(1);
    AddColors(image.Header.ColorMap, 3);
    TGIFSubImage& global = AddFrame(image, 0, 0, 2, 1, {0, 1});
    TGIFSubImage& local = AddFrame(image, 0, 0, 2, 1, {0, 1});
    AddColors(local.ColorMap, 2);
    local.ColorMap.SetEntry(1, RGBColor(9, 8, 7));

    const TPalette fromGlobal = image.ImagePalette();
    ASSERT_EQ(fromGlobal.size(), 3u);
    EXPECT_EQ(fromGlobal[2], (TPaletteEntry{2, 253, 14, PaletteNoCollapse}));
    EXPECT_EQ(global.Palette(), fromGlobal) << "a frame without a local table takes the image's";
    const TPalette own = local.Palette();
    ASSERT_EQ(own.size(), 2u);
    EXPECT_EQ(own[1], (TPaletteEntry{9, 8, 7, PaletteNoCollapse}));

    // The bitmap's colour table is the palette, zero beyond it.
    const TBitmap* bitmap = local.Bitmap();
    ASSERT_NE(bitmap, nullptr);
    EXPECT_EQ(bitmap->PixelFormat(), TPixelFormat::pf8bit);
    EXPECT_EQ(bitmap->Image().colorTable().size(), 256);
    EXPECT_EQ(bitmap->Image().color(1), qRgb(9, 8, 7));
    EXPECT_EQ(bitmap->Image().color(2), qRgb(0, 0, 0));
    EXPECT_EQ(bitmap->Image().pixelIndex(1, 0), 1);

    // Without a global table the image takes the first frame's palette.
    TGIFImage noGlobal;
    noGlobal.Header.SetWidth(1);
    noGlobal.Header.SetHeight(1);
    AddColors(AddFrame(noGlobal, 0, 0, 1, 1, {0}).ColorMap, 2);
    EXPECT_EQ(noGlobal.ImagePalette().size(), 2u);
}

TEST(GIFPalettes, NoTableAnywhereFailsInsteadOfAskingInCircles) {
    TGIFImage image;
    image.Header.SetWidth(1);
    image.Header.SetHeight(1);
    TGIFSubImage& frame = AddFrame(image, 0, 0, 1, 1, {0});
    EXPECT_EQ(GIFErrorOf([&] { image.ImagePalette(); }), GIFMessages::NoColorTable);
    EXPECT_EQ(GIFErrorOf([&] { frame.Bitmap(); }), GIFMessages::NoColorTable);
    EXPECT_FALSE(frame.HasBitmap());
    // Once there is a table, the same frame renders.
    AddColors(frame.ColorMap, 2);
    EXPECT_NE(frame.Bitmap(), nullptr);
}

TEST(GIFPalettes, TheWebPaletteHas216EntriesWithRedChangingSlowest) {
    const TPalette web = WebPalette();
    ASSERT_EQ(web.size(), 216u);
    EXPECT_EQ(web[0], (TPaletteEntry{0, 0, 0, 0}));
    EXPECT_EQ(web[1], (TPaletteEntry{0, 0, 51, 0}));
    EXPECT_EQ(web[6], (TPaletteEntry{0, 51, 0, 0}));
    EXPECT_EQ(web[36], (TPaletteEntry{51, 0, 0, 0}));
    EXPECT_EQ(web[36 * 1 + 6 * 2 + 3], (TPaletteEntry{51, 102, 153, 0}));
    EXPECT_EQ(web[215], (TPaletteEntry{255, 255, 255, 0}));

    // Dithering is wanted with DrawDither, and with DrawAutoDither only on a
    // paletted display; then frames and image take the web palette.
    TGIFImage image;
    image.Header.SetWidth(1);
    image.Header.SetHeight(1);
    AddColors(image.Header.ColorMap, 2);
    TGIFSubImage& frame = AddFrame(image, 0, 0, 1, 1, {0});
    const bool paletted = PalettedDisplay;
    PalettedDisplay = false;
    EXPECT_FALSE(image.DitheringWanted()) << "the default flags on a true-colour display";
    PalettedDisplay = true;
    EXPECT_TRUE(image.DitheringWanted());
    PalettedDisplay = paletted;
    image.DrawOptions = DrawDither;
    EXPECT_TRUE(image.DitheringWanted());
    EXPECT_EQ(frame.Palette(), web);
    EXPECT_EQ(image.ImagePalette(), web);
    image.DrawOptions = 0;
    EXPECT_FALSE(image.DitheringWanted());
}

TEST(GIFDIB, RefusesOtherDepthsEmptySizesAndRowsItNoLongerHas) {
    EXPECT_EQ(GIFErrorOf([] { TGIFDIB(2, 2, 4, {}); }), GIFMessages::UnsupportedPixelFormat);
    EXPECT_EQ(GIFErrorOf([] { TGIFDIB(0, 2, 8, {}); }), GIFMessages::InvalidImageDimensions);
    EXPECT_EQ(GIFErrorOf([] { TGIFDIB(2, 0, 24, {}); }), GIFMessages::InvalidImageDimensions);

    TGIFDIB dib(5, 2, 8, {{10, 20, 30}, {40, 50, 60}});
    EXPECT_EQ(dib.RowSize(), 8) << "rows padded to 4 bytes";
    EXPECT_THROW(dib.ScanLine(2), EInvalidGraphicOperation);
    dib.ScanLine(0)[4] = 1;
    TBitmap bitmap;
    dib.AssignTo(bitmap);
    EXPECT_EQ(GIFErrorOf([&] { dib.ScanLine(0); }), GIFMessages::ImageHasNoDIB);
    EXPECT_EQ(bitmap.Width(), 5);
    EXPECT_EQ(bitmap.Image().pixelIndex(4, 0), 1) << "row 0 is the top row";
    EXPECT_EQ(bitmap.Image().pixelIndex(4, 1), 0);
    EXPECT_EQ(bitmap.Image().color(1), qRgb(40, 50, 60));

    TGIFDIB colour(1, 1, 24, {});
    EXPECT_EQ(colour.RowSize(), 4);
}

TEST(GIFFrameBitmap, MaskRowsArePaddedTo16BitsWithTransparentPixelsSet) {
    TGIFImage image;
    image.Header.SetWidth(17);
    image.Header.SetHeight(2);
    AddColors(image.Header.ColorMap, 4);
    Bytes pixels(34, 0);
    pixels[0] = 2;       // row 0, x 0
    pixels[9] = 2;       // row 0, x 9
    pixels[17 + 16] = 2; // row 1, x 16
    TGIFSubImage& frame = AddFrame(image, 0, 0, 17, 2, pixels);
    MakeTransparent(frame, 2);
    ASSERT_TRUE(frame.HasMask());
    const TGIFMask* mask = frame.Mask();
    EXPECT_EQ(mask->RowSize(), 4);
    EXPECT_EQ(Bytes(mask->Row(0), mask->Row(0) + 4), (Bytes{0x80, 0x40, 0x00, 0x00}));
    EXPECT_EQ(Bytes(mask->Row(1), mask->Row(1) + 4), (Bytes{0x00, 0x00, 0x80, 0x00}));

    // A transparent frame without a pixel of the transparent index has no
    // mask and is drawn opaque.
    TGIFSubImage& solid = AddFrame(image, 0, 0, 17, 2, Bytes(34, 1));
    MakeTransparent(solid, 2);
    EXPECT_FALSE(solid.HasMask());
    QImage target = GroundImage(17, 2);
    TCanvas canvas(&target);
    solid.Draw(canvas, {0, 0, 17, 2}, false, true);
    EXPECT_EQ(target.pixel(16, 1), ColourOf(1));
}

TEST(GIFFrameBitmap, ReportsRenderingEvery32RowsAndAnAbortLeavesNoBitmap) {
    TGIFImage image;
    image.Header.SetWidth(1);
    image.Header.SetHeight(70);
    AddColors(image.Header.ColorMap, 2);
    TGIFSubImage& frame = AddFrame(image, 0, 0, 1, 70, Bytes(70, 1));
    std::vector<ProgressStep> steps;
    image.OnProgress = [&](TGraphic&, TProgressStage stage, int percent, bool redraw, const TRect&,
                           const std::string& message) {
        steps.push_back({stage, percent, redraw, message});
    };
    ASSERT_NE(frame.Bitmap(), nullptr);
    const std::string r = GIFMessages::Rendering;
    EXPECT_EQ(steps, (std::vector<ProgressStep>{{TProgressStage::Starting, 0, false, r},
                                                {TProgressStage::Running, 0, false, r},
                                                {TProgressStage::Running, 45, false, r},
                                                {TProgressStage::Running, 91, false, r},
                                                {TProgressStage::Ending, 100, false, r}}));

    // A progress handler may end the building quietly; a later request
    // builds the bitmap.
    frame.FreeBitmap();
    image.OnProgress = [](TGraphic&, TProgressStage stage, int, bool, const TRect&, const std::string&) {
        if (stage == TProgressStage::Running) throw EAbort("");
    };
    EXPECT_EQ(frame.Bitmap(), nullptr);
    EXPECT_FALSE(frame.HasBitmap());
    image.OnProgress = nullptr;
    EXPECT_NE(frame.Bitmap(), nullptr);

    // A palette change that drops a bitmap asks for a redraw with the next.
    int changes = 0;
    image.OnChange = [&](TGraphic&) { ++changes; };
    frame.SetPalette({{1, 2, 3}, {4, 5, 6}});
    EXPECT_FALSE(frame.HasBitmap());
    steps.clear();
    image.OnProgress = [&](TGraphic&, TProgressStage stage, int percent, bool redraw, const TRect&,
                           const std::string& message) {
        steps.push_back({stage, percent, redraw, message});
    };
    ASSERT_NE(frame.Bitmap(), nullptr);
    EXPECT_EQ(steps.back(), (ProgressStep{TProgressStage::Ending, 100, true, r}));
    EXPECT_EQ(changes, 2);
    EXPECT_EQ(frame.Bitmap()->Image().color(1), qRgb(4, 5, 6));
}

TEST(GIFFrameDraw, ASingleFrameIsStretchedOrTiled) {
    TGIFImage image;
    image.Header.SetWidth(2);
    image.Header.SetHeight(1);
    AddColors(image.Header.ColorMap, 3);
    TGIFSubImage& frame = AddFrame(image, 0, 0, 2, 1, {1, 2});
    QImage target = GroundImage(4, 2);
    TCanvas canvas(&target);

    image.DrawOptions = GIFDrawFlagsDefault;
    image.Draw(canvas, {0, 0, 4, 2});
    EXPECT_EQ(target.pixel(1, 1), ColourOf(1)) << "stretched: twice as wide and high";
    EXPECT_EQ(target.pixel(2, 0), ColourOf(2));

    target.fill(Ground);
    image.DrawOptions = GIFDrawFlagsDefault | DrawTiled;
    image.Draw(canvas, {0, 0, 4, 2});
    EXPECT_EQ(target.pixel(0, 0), ColourOf(1)) << "tiled at natural size";
    EXPECT_EQ(target.pixel(1, 0), ColourOf(2));
    EXPECT_EQ(target.pixel(2, 1), ColourOf(1));
    EXPECT_EQ(target.pixel(3, 1), ColourOf(2));

    // A frame smaller than the screen lands at twice its offset and size in
    // twice the screen.
    TGIFImage framed;
    framed.Header.SetWidth(4);
    framed.Header.SetHeight(2);
    AddColors(framed.Header.ColorMap, 3);
    TGIFSubImage& small = AddFrame(framed, 2, 1, 1, 1, {2});
    QImage big = GroundImage(8, 4);
    TCanvas bigCanvas(&big);
    small.Draw(bigCanvas, {0, 0, 8, 4}, false, false);
    EXPECT_EQ(big.pixel(4, 2), ColourOf(2));
    EXPECT_EQ(big.pixel(5, 3), ColourOf(2));
    EXPECT_EQ(big.pixel(3, 2), Ground);
    EXPECT_EQ(big.pixel(6, 2), Ground);
    EXPECT_EQ(frame.ScaleRect({10, 10, 14, 12}), (TRect{10, 10, 14, 12}));
}

TEST(GIFFrameDraw, TransparentPixelsShowTheGroundOrTheirIndexColour) {
    TGIFImage image;
    image.Header.SetWidth(3);
    image.Header.SetHeight(1);
    AddColors(image.Header.ColorMap, 3);
    std::vector<std::string> warnings;
    image.WarningHandler = [&](TGIFImage&, TGIFSeverity, const std::string& m) { warnings.push_back(m); };
    // Index 5 lies beyond the table of three entries.
    TGIFSubImage& frame = AddFrame(image, 0, 0, 3, 1, {1, 2, 5});
    MakeTransparent(frame, 2);
    QImage target = GroundImage(3, 1);
    TCanvas canvas(&target);

    image.Draw(canvas, {0, 0, 3, 1});
    EXPECT_EQ(target.pixel(0, 0), ColourOf(1));
    EXPECT_EQ(target.pixel(1, 0), Ground) << "through the mask";
    EXPECT_EQ(target.pixel(2, 0), qRgb(0, 0, 0)) << "an index beyond the table is black";

    image.DrawOptions = GIFDrawFlagsDefault & ~DrawTransparent;
    image.Draw(canvas, {0, 0, 3, 1});
    EXPECT_EQ(target.pixel(1, 0), ColourOf(2)) << "without DrawTransparent, the index's colour";
    EXPECT_TRUE(warnings.empty());
}

TEST(GIFComposedBitmap, IsTheFirstFrameOrTheFirstFrameInItsPlace) {
    TGIFImage full;
    full.Header.SetWidth(2);
    full.Header.SetHeight(1);
    AddColors(full.Header.ColorMap, 3);
    EXPECT_EQ(full.ComposedBitmap(), nullptr) << "empty image";
    AddFrame(full, 0, 0, 2, 1, {2, 1});
    AddFrame(full, 0, 0, 2, 1, {0, 0});
    const QImage* composed = full.ComposedBitmap();
    ASSERT_NE(composed, nullptr);
    EXPECT_EQ(composed->format(), QImage::Format_Indexed8) << "a copy of the first frame's bitmap";
    EXPECT_EQ(composed->pixel(0, 0), ColourOf(2));
    TBitmap bitmap;
    full.AssignTo(bitmap);
    EXPECT_EQ(bitmap.Image().pixel(1, 0), ColourOf(1));

    TGIFImage part;
    part.Header.SetWidth(3);
    part.Header.SetHeight(1);
    AddColors(part.Header.ColorMap, 3);
    AddFrame(part, 1, 0, 1, 1, {2});
    AddFrame(part, 2, 0, 1, 1, {1});
    composed = part.ComposedBitmap();
    ASSERT_NE(composed, nullptr);
    // It covers the frames' union only: nothing is ever drawn outside it.
    EXPECT_EQ(part.ComposedBounds(), (TRect{1, 0, 3, 1}));
    EXPECT_EQ(composed->size(), QSize(2, 1));
    EXPECT_EQ(composed->pixel(0, 0), ColourOf(2));
    EXPECT_EQ(qAlpha(composed->pixel(1, 0)), 0) << "a new bitmap is clear";
}

TEST(GIFImageDraw, StillFramesAndTheReentryGuard) {
    TGIFImage image;
    image.Header.SetWidth(1);
    image.Header.SetHeight(1);
    AddColors(image.Header.ColorMap, 3);
    AddFrame(image, 0, 0, 1, 1, {1});
    AddFrame(image, 0, 0, 1, 1, {2});
    QImage target = GroundImage(1, 1);
    TCanvas canvas(&target);
    image.DrawOptions = GIFDrawFlagsDefault & ~DrawAnimate;
    image.DrawFrameIndex = 1;
    image.Draw(canvas, {0, 0, 1, 1});
    EXPECT_EQ(target.pixel(0, 0), ColourOf(2));
    EXPECT_FALSE(image.HasComposedBitmap());

    // A draw that the drawing itself causes (here from the progress of the
    // first frame's bitmap) does nothing.
    image.DrawFrameIndex = 7; // outside the list: the first frame
    QImage other = GroundImage(1, 1);
    TCanvas otherCanvas(&other);
    int inner = 0;
    image.OnProgress = [&](TGraphic&, TProgressStage, int, bool, const TRect&, const std::string&) {
        ++inner;
        image.Draw(otherCanvas, {0, 0, 1, 1});
    };
    image.Draw(canvas, {0, 0, 1, 1});
    EXPECT_GT(inner, 0);
    EXPECT_EQ(target.pixel(0, 0), ColourOf(1));
    EXPECT_EQ(other.pixel(0, 0), Ground);
}

TEST(GIFFrameBitmap, DitheredRowComputedByHand) {
    // Grey 130 on a serpentine Floyd-Steinberg walk to the web palette (the
    // nearest level, (c + 25) div 51; grey level L is entry 43 × L):
    //   x0: 130 -> level 3 (153), error -23, -161/16 carried ahead
    //   x1: 130 + (-161 + 8) / 16 = 121 -> level 2 (102), error 19, +133
    //   x2: 130 + (133 + 8) / 16 = 138 -> level 3
    // With x1 transparent it is passed over: the carried error stays, so x2
    // gets 121 -> level 2, and x1 keeps the web colour nearest to its own.
    TGIFImage image;
    image.Header.SetWidth(3);
    image.Header.SetHeight(1);
    image.Header.ColorMap.Add(RGBColor(130, 130, 130));
    image.Header.ColorMap.Add(RGBColor(255, 0, 0));
    image.DrawOptions = DrawDither | DrawTransparent;
    TGIFSubImage& plain = AddFrame(image, 0, 0, 3, 1, {0, 0, 0});
    const TBitmap* bitmap = plain.Bitmap();
    ASSERT_NE(bitmap, nullptr);
    EXPECT_EQ(bitmap->Image().colorCount(), 256);
    EXPECT_EQ(bitmap->Image().color(215), qRgb(255, 255, 255));
    EXPECT_EQ(bitmap->Image().pixelIndex(0, 0), 129);
    EXPECT_EQ(bitmap->Image().pixelIndex(1, 0), 86);
    EXPECT_EQ(bitmap->Image().pixelIndex(2, 0), 129);

    TGIFSubImage& holed = AddFrame(image, 0, 0, 3, 1, {0, 1, 0});
    MakeTransparent(holed, 1);
    ASSERT_TRUE(holed.HasMask());
    EXPECT_EQ(holed.Mask()->Row(0)[0], 0x40);
    EXPECT_EQ(holed.Bitmap()->Image().pixelIndex(0, 0), 129);
    EXPECT_EQ(holed.Bitmap()->Image().pixelIndex(1, 0), 180) << "web red: 36 × 5";
    EXPECT_EQ(holed.Bitmap()->Image().pixelIndex(2, 0), 86);
}
