// Conversion into frames and images: bitmaps of every depth, the colour
// cache and its overflow, the growing logical screen, icons, metafiles,
// Qt images with alpha, other frames and pictures, progress, the clipboard's
// bitmap format.

#include "Bitmap.h"
#include "GIFDitherer.h"
#include "GIFErrorOf.h"
#include "GIFException.h"
#include "GIFGraphicControlExtension.h"
#include "GIFImage.h"
#include "GIFMessages.h"
#include "GIFPalettes.h"
#include "GIFPictureReduction.h"
#include "Icon.h"
#include "Metafile.h"

#include <QPainter>
#include <gtest/gtest.h>

namespace {

struct TProgressRecord {
    TProgressStage Stage;
    int Percent;
    std::string Message;
};

// A 24-bit bitmap whose pixel (x, y) is colour(x, y).
template <class F> TBitmap TrueColorBitmap(int width, int height, F&& colour) {
    TBitmap bitmap(width, height, TPixelFormat::pf24bit);
    for (int y = 0; y < height; ++y) {
        uint8_t* row = bitmap.ScanLine(y);
        for (int x = 0; x < width; ++x) {
            const TPaletteEntry c = colour(x, y);
            row[3 * x] = c.Blue;
            row[3 * x + 1] = c.Green;
            row[3 * x + 2] = c.Red;
        }
    }
    return bitmap;
}

// Saves and loads again.
void RoundTrip(TGIFImage& image, TGIFImage& copy) {
    TMemoryStream stream;
    image.SaveToStream(stream);
    stream.SetPosition(0);
    copy.LoadFromStream(stream);
}

TColor ColorAt(TGIFSubImage& frame, int x, int y) {
    return frame.ActiveColorMap().Color(frame.Pixel(x, y));
}

} // namespace

TEST(GIFConvert, PalettedBitmapsOfOneFourAndEightBitsRoundTripThroughAFrame) {
    for (TPixelFormat format : {TPixelFormat::pf1bit, TPixelFormat::pf4bit, TPixelFormat::pf8bit}) {
        const int colours = format == TPixelFormat::pf1bit ? 2 : format == TPixelFormat::pf4bit ? 16 : 256;
        TBitmap bitmap(7, 5, format);
        TPalette palette;
        for (int i = 0; i < colours; ++i) palette.push_back({uint8_t(i), uint8_t(255 - i), uint8_t(i * 7)});
        bitmap.SetPalette(palette);
        for (int y = 0; y < 5; ++y)
            for (int x = 0; x < 7; ++x) bitmap.ScanLine(y)[x] = uint8_t((x * 3 + y * 5) % colours);

        TGIFImage image;
        image.Add(bitmap);
        TGIFImage copy;
        RoundTrip(image, copy);
        ASSERT_EQ(copy.Images.Count(), 1);
        TGIFSubImage& frame = copy.Images[0];
        EXPECT_EQ(frame.Width(), 7);
        EXPECT_EQ(frame.Height(), 5);
        ASSERT_EQ(frame.ColorMap.Count(), colours);
        for (int i = 0; i < colours; ++i) EXPECT_EQ(frame.ColorMap.Entry(i), palette[i]) << i;
        for (int y = 0; y < 5; ++y)
            for (int x = 0; x < 7; ++x) EXPECT_EQ(frame.Pixel(x, y), (x * 3 + y * 5) % colours) << colours;
    }
}

TEST(GIFConvert, TrueColorBitmapWithoutReductionKeepsItsColoursInTheOrderMet) {
    const TPaletteEntry a{10, 20, 30}, b{200, 0, 0}, c{0, 0, 99};
    TBitmap bitmap =
        TrueColorBitmap(6, 2, [&](int x, int y) { return y == 0 ? (x < 3 ? a : b) : (x % 2 ? c : a); });
    TGIFImage image;
    image.ColorReduction = rmNone;
    image.Add(bitmap);
    ASSERT_EQ(image.Images[0].ColorMap.Count(), 3);
    TGIFImage copy;
    RoundTrip(image, copy); // the table is written padded to 4 entries
    TGIFSubImage& frame = copy.Images[0];
    EXPECT_EQ(frame.ColorMap.Entry(0), a);
    EXPECT_EQ(frame.ColorMap.Entry(1), b);
    EXPECT_EQ(frame.ColorMap.Entry(2), c);
    EXPECT_EQ(frame.Pixel(4, 0), 1);
    EXPECT_EQ(frame.Pixel(3, 1), 2);
    EXPECT_EQ(frame.Pixel(4, 1), 0);
}

TEST(GIFConvert, TheTwoHundredAndFiftySeventhColourOverflowsTheTable) {
    TBitmap bitmap = TrueColorBitmap(257, 1, [](int x, int) {
        return TPaletteEntry{uint8_t(x), uint8_t(x / 256), 0};
    });
    TGIFImage image;
    image.ColorReduction = rmNone;
    EXPECT_EQ(ErrorOf([&] { image.Add(bitmap); }), GIFMessages::ColorTableOverflow);
    EXPECT_EQ(image.Images.Count(), 0) << "the failed frame is dropped";
    // 256 colours fit.
    TBitmap fits = TrueColorBitmap(256, 1, [](int x, int) { return TPaletteEntry{uint8_t(x), 0, 0}; });
    image.Add(fits);
    EXPECT_EQ(image.Images[0].ColorMap.Count(), 256);
}

TEST(GIFConvert, DefaultsReduceATrueColorBitmapToWebColours) {
    TBitmap bitmap = TrueColorBitmap(300, 200, [](int x, int y) {
        return TPaletteEntry{uint8_t(x), uint8_t(y), uint8_t(x ^ y)};
    });
    TGIFImage image;
    TGIFSubImage& frame = image.Add(bitmap);
    EXPECT_EQ(frame.Width(), 300);
    EXPECT_EQ(frame.Height(), 200);
    EXPECT_EQ(image.Width(), 300);
    EXPECT_EQ(frame.ColorMap.Count(), WebPaletteSize);
    const TPalette& web = WebPalette();
    for (int y = 0; y < 200; y += 7)
        for (int x = 0; x < 300; x += 7) {
            const TColor c = ColorAt(frame, x, y);
            EXPECT_NE(std::find(web.begin(), web.end(), TPaletteEntry{RedOf(c), GreenOf(c), BlueOf(c)}),
                      web.end());
            EXPECT_EQ(frame.Pixel(x, y), WebIndex(uint8_t(x), uint8_t(y), uint8_t(x ^ y)));
        }
}

TEST(GIFConvert, TheLogicalScreenGrowsAndWarnsWhenItAlreadyHadASize) {
    TGIFImage image;
    std::vector<std::string> warnings;
    image.WarningHandler = [&](TGIFImage&, TGIFSeverity, const std::string& m) { warnings.push_back(m); };
    TBitmap small = TrueColorBitmap(4, 3, [](int, int) { return TPaletteEntry{0, 0, 0}; });
    image.Add(small);
    EXPECT_TRUE(warnings.empty()) << "a new image takes the first frame's size";
    EXPECT_EQ(image.Width(), 4);
    EXPECT_EQ(image.Height(), 3);

    TBitmap wide = TrueColorBitmap(9, 2, [](int, int) { return TPaletteEntry{0, 0, 0}; });
    image.Add(wide);
    EXPECT_EQ(warnings,
              (std::vector<std::string>{GIFMessages::WidthTooSmall, GIFMessages::ImageExceedsScreen}));
    warnings.clear();
    TBitmap tall = TrueColorBitmap(2, 8, [](int, int) { return TPaletteEntry{0, 0, 0}; });
    image.Add(tall);
    EXPECT_EQ(warnings,
              (std::vector<std::string>{GIFMessages::HeightTooSmall, GIFMessages::ImageExceedsScreen}));
    EXPECT_EQ(image.Width(), 9);
    EXPECT_EQ(image.Height(), 8);
}

TEST(GIFConvert, IconBringsItsMaskAsTheTransparentColour) {
    QImage argb(4, 4, QImage::Format_ARGB32);
    argb.fill(qRgba(255, 0, 0, 255));
    argb.setPixel(0, 0, qRgba(0, 0, 0, 0));
    argb.setPixel(3, 2, qRgba(9, 9, 9, 20));
    TIcon icon;
    icon.SetImage(argb);
    TGIFImage image;
    TGIFSubImage& frame = image.Add(icon);
    ASSERT_TRUE(frame.Transparent());
    const int t = frame.GraphicControlExtension()->TransparentColorIndex();
    EXPECT_EQ(t, frame.ColorMap.Count() - 1);
    EXPECT_EQ(frame.Pixel(0, 0), t);
    EXPECT_EQ(frame.Pixel(3, 2), t);
    EXPECT_NE(frame.Pixel(1, 1), t);
    EXPECT_EQ(ColorAt(frame, 1, 1), clRed);
}

TEST(GIFConvert, MetafileIsTransparentWhereItDoesNotDraw) {
    QPicture drawing;
    {
        QPainter painter(&drawing);
        painter.fillRect(QRect(2, 2, 4, 3), QColor(0, 0, 255));
    }
    TMetafile metafile;
    metafile.SetPicture(drawing);
    metafile.SetSize(8, 8);
    TGIFImage image;
    TGIFSubImage& frame = image.Add(metafile);
    ASSERT_EQ(frame.Width(), 8);
    ASSERT_TRUE(frame.Transparent());
    const int t = frame.GraphicControlExtension()->TransparentColorIndex();
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x) {
            const bool inside = x >= 2 && x < 6 && y >= 2 && y < 5;
            EXPECT_EQ(frame.Pixel(x, y) == t, !inside) << x << "," << y;
            if (inside) {
                EXPECT_EQ(ColorAt(frame, x, y), clBlue);
            }
        }
}

TEST(GIFConvert, TransparentBitmapWithAFullTableGetsNoTransparency) {
    TBitmap bitmap(16, 16, TPixelFormat::pf8bit);
    TPalette palette;
    for (int i = 0; i < 256; ++i) palette.push_back({uint8_t(i), 0, 0});
    bitmap.SetPalette(palette);
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x) bitmap.ScanLine(y)[x] = uint8_t(y * 16 + x);
    bitmap.SetTransparent(true);
    TGIFImage image;
    TGIFSubImage& frame = image.Add(bitmap);
    EXPECT_FALSE(frame.Transparent());
    EXPECT_EQ(frame.ColorMap.Count(), 256);

    // With room in the table, the colour of the bottom-left pixel goes.
    TBitmap few(4, 2, TPixelFormat::pf8bit);
    few.SetPalette({{1, 1, 1}, {200, 0, 0}});
    for (int x = 0; x < 4; ++x) few.ScanLine(0)[x] = 1, few.ScanLine(1)[x] = x == 3 ? 1 : 0;
    few.SetTransparent(true);
    TGIFSubImage& clear = image.Add(few);
    ASSERT_TRUE(clear.Transparent());
    const int t = clear.GraphicControlExtension()->TransparentColorIndex();
    EXPECT_EQ(clear.Pixel(0, 1), t);
    EXPECT_NE(clear.Pixel(3, 1), t);
}

TEST(GIFConvert, QtImageWithAlphaKeepsAnEntryForTheTransparentPixels) {
    // 300 distinct opaque colours and a clear corner, octree with 256.
    QImage argb(20, 16, QImage::Format_ARGB32);
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 20; ++x) argb.setPixel(x, y, qRgba(x * 12, y * 16, (x * y) % 256, 255));
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x) argb.setPixel(x, y, qRgba(0, 0, 0, 0));
    for (int method : {int(rmQuantize), int(rmBest), int(rmNetscape)}) {
        TGIFImage image;
        image.ColorReduction = static_cast<uint8_t>(method);
        auto frame = std::make_unique<TGIFSubImage>(&image);
        frame->AssignImage(argb);
        TGIFSubImage& added = image.Add(std::move(frame));
        ASSERT_TRUE(added.Transparent()) << method;
        const int t = added.GraphicControlExtension()->TransparentColorIndex();
        EXPECT_EQ(added.Pixel(0, 0), t);
        EXPECT_EQ(added.Pixel(3, 3), t);
        EXPECT_NE(added.Pixel(4, 3), t);
        EXPECT_LE(added.ColorMap.Count(), 256);
    }
}

TEST(GIFConvert, AnotherFrameIsCopiedWithItsExtensions) {
    TGIFImage image;
    TBitmap bitmap(3, 2, TPixelFormat::pf8bit);
    bitmap.SetPalette({{1, 2, 3}, {4, 5, 6}, {7, 8, 9}});
    for (int x = 0; x < 3; ++x) bitmap.ScanLine(0)[x] = uint8_t(x), bitmap.ScanLine(1)[x] = 2;
    TGIFSubImage& source = image.Add(bitmap);
    source.SetLeft(0);
    auto& control = static_cast<TGIFGraphicControlExtension&>(
        source.Extensions.Add(std::make_unique<TGIFGraphicControlExtension>(source)));
    control.SetDelay(42);
    control.SetTransparent(true);
    control.SetTransparentColorIndex(1);

    TGIFSubImage copy(&image);
    copy.Assign(&source);
    EXPECT_EQ(copy.Width(), 3);
    EXPECT_EQ(copy.ColorMap.Count(), 3);
    EXPECT_EQ(copy.Pixel(1, 0), 1);
    EXPECT_EQ(copy.Pixel(0, 1), 2);
    EXPECT_TRUE(copy.Transparent());
    ASSERT_NE(copy.GraphicControlExtension(), nullptr);
    EXPECT_EQ(copy.GraphicControlExtension()->Delay(), 42);
    EXPECT_NE(copy.GraphicControlExtension(), &control);
    copy.Assign(static_cast<const TGIFSubImage*>(nullptr));
    EXPECT_TRUE(copy.Empty());
}

TEST(GIFConvert, ImageFromAnotherImageReportsCopyingPerFrame) {
    TGIFImage source;
    source.ColorReduction = rmNone;
    source.DitherMode = dmBurkes;
    TBitmap one = TrueColorBitmap(2, 2, [](int, int) { return TPaletteEntry{1, 1, 1}; });
    TBitmap two = TrueColorBitmap(2, 2, [](int, int) { return TPaletteEntry{2, 2, 2}; });
    source.Add(one);
    source.Add(two);
    source.Header.ColorMap.Add(clRed);

    TGIFImage image;
    std::vector<TProgressRecord> progress;
    image.OnProgress = [&](TGraphic&, TProgressStage stage, int percent, bool, const TRect&,
                           const std::string& m) {
        progress.push_back({stage, percent, m});
    };
    image.Assign(&source);
    ASSERT_EQ(image.Images.Count(), 2);
    EXPECT_EQ(image.ColorReduction, rmNone);
    EXPECT_EQ(image.DitherMode, dmBurkes);
    EXPECT_EQ(image.Header.ColorMap.Count(), 1);
    EXPECT_EQ(ColorAt(image.Images[1], 1, 1), RGBColor(2, 2, 2));
    ASSERT_EQ(progress.size(), 4u);
    EXPECT_EQ(progress[0].Stage, TProgressStage::Starting);
    EXPECT_EQ(progress[1].Percent, 50);
    EXPECT_EQ(progress[2].Percent, 100);
    EXPECT_EQ(progress[3].Stage, TProgressStage::Ending);
    for (const auto& p : progress) EXPECT_EQ(p.Message, GIFMessages::Copying);
}

TEST(GIFConvert, ConvertingReportsItsStagesAndAFailureEndsAtZero) {
    TGIFImage image;
    std::vector<TProgressRecord> progress;
    image.OnProgress = [&](TGraphic&, TProgressStage stage, int percent, bool, const TRect&,
                           const std::string& m) {
        progress.push_back({stage, percent, m});
    };
    TBitmap bitmap = TrueColorBitmap(3, 40, [](int, int) { return TPaletteEntry{5, 5, 5}; });
    image.Add(bitmap);
    // Start, the reduction's steps, the import's rows 0 and 32, end.
    ASSERT_GE(progress.size(), 4u);
    EXPECT_EQ(progress.front().Stage, TProgressStage::Starting);
    EXPECT_EQ(progress[progress.size() - 2].Percent, 32 * 100 / 40);
    EXPECT_EQ(progress.back().Stage, TProgressStage::Ending);
    EXPECT_EQ(progress.back().Percent, 100);
    for (const auto& p : progress) EXPECT_EQ(p.Message, GIFMessages::Converting);

    progress.clear();
    image.ColorReduction = 11;
    EXPECT_EQ(ErrorOf([&] { image.Add(bitmap); }), GIFMessages::UnsupportedReduction);
    EXPECT_EQ(image.Images.Count(), 1);
    EXPECT_EQ(progress.back().Stage, TProgressStage::Ending);
    EXPECT_EQ(progress.back().Percent, 0);
}

TEST(GIFConvert, PastedBitmapBecomesAFrame) {
    TBitmap bitmap = TrueColorBitmap(5, 4, [](int x, int) { return TPaletteEntry{uint8_t(x * 51), 0, 0}; });
    TMemoryStream bmp;
    bitmap.SaveToStream(bmp);
    TGIFImage image;
    image.LoadFromClipboardFormat(BitmapClipboardFormat, &bmp.Memory());
    ASSERT_EQ(image.Images.Count(), 1);
    EXPECT_EQ(image.Width(), 5);
    EXPECT_EQ(ColorAt(image.Images[0], 3, 2), RGBColor(153, 0, 0));
}

TEST(GIFConvert, PictureWiderThanAGIFFrameIsRefused) {
    QImage wide(65536, 1, QImage::Format_RGB888);
    wide.fill(Qt::red);
    TGIFImage image;
    TGIFSubImage frame(&image);
    EXPECT_EQ(ErrorOf([&] { frame.AssignImage(wide); }), GIFMessages::PictureTooLarge);
    EXPECT_EQ(image.Width(), 0);
}
