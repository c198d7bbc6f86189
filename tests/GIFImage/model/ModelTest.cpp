// The object model: colour tables, frames, the image's size rules, the
// graphic control extension, drawing, registration and the clipboard format.

#include "Canvas.h"
#include "GIFDrawFlags.h"
#include "GIFErrorOf.h"
#include "GIFException.h"
#include "GIFFrameQueries.h"
#include "GIFGraphicControlExtension.h"
#include "GIFImage.h"
#include "GIFMessages.h"
#include "GIFRegistration.h"
#include "GIFTestStreams.h"
#include "Picture.h"

#include <gtest/gtest.h>

namespace {

void Load(TGIFImage& image, const Bytes& bytes) {
    TBorrowedMemoryStream stream(bytes.data(), static_cast<int64_t>(bytes.size()));
    image.LoadFromStream(stream);
}

} // namespace

TEST(GIFColorTable, CapacityGrowsTo16ThenInStepsOf32UpTo256) {
    TGIFColorMap map;
    map.Add(clRed);
    EXPECT_EQ(map.Capacity(), 16);
    for (int i = 1; i < 17; ++i) map.Add(clBlue);
    EXPECT_EQ(map.Capacity(), 32);
    for (int i = 17; i < 33; ++i) map.Add(clBlue);
    EXPECT_EQ(map.Capacity(), 64);
    for (int i = 33; i < 256; ++i) map.Add(clBlue);
    EXPECT_EQ(map.Capacity(), 256);
    EXPECT_EQ(ErrorOf([&] { map.Add(clRed); }), GIFMessages::ColorTableOverflow);
}

TEST(GIFColorTable, BitsPerPixelIsTheSmallestPowerOfTwoThatHoldsTheCount) {
    TGIFColorMap map;
    EXPECT_EQ(map.BitsPerPixel(), 0);
    const int expected[] = {1, 1, 2, 2, 3};
    for (int count = 1; count <= 5; ++count) {
        map.Add(clBlack);
        EXPECT_EQ(map.BitsPerPixel(), expected[count - 1]) << count;
    }
}

TEST(GIFColorTable, LookupOutsideTheTableWarnsAndReadsEntryZero) {
    TGIFImage image;
    std::vector<std::string> warnings;
    image.WarningHandler = [&](TGIFImage&, TGIFSeverity, const std::string& m) { warnings.push_back(m); };
    TGIFColorMap& map = image.Header.ColorMap;
    map.Add(RGBColor(1, 2, 3));
    map.Add(RGBColor(4, 5, 6));
    EXPECT_EQ(map.Color(1), RGBColor(4, 5, 6));
    EXPECT_EQ(map.Color(7), RGBColor(1, 2, 3));
    EXPECT_EQ(warnings, std::vector<std::string>{GIFMessages::InvalidColorIndex});
}

TEST(GIFColorTable, LookupInAnEmptyTableFails) {
    TGIFColorMap map;
    EXPECT_EQ(ErrorOf([&] { map.Color(0); }), GIFMessages::EmptyColorTable);
}

TEST(GIFColorTable, ColoursConvertAsRedGreenShiftedBlueShifted) {
    TGIFImage image;
    Load(image, Header(1, 1, 0x80) + Bytes{0x11, 0x22, 0x33, 0, 0, 0} + Bytes{0x3B});
    EXPECT_EQ(image.Header.ColorMap.Color(0), 0x332211u);
    EXPECT_EQ(image.BackgroundColor(), 0x332211u);
}

TEST(GIFFrame, PixelAndScanLineCheckTheirCoordinates) {
    TGIFImage image;
    Load(image, SimpleGif(3, 2, Bytes{0, 1, 2, 3, 2, 1}));
    TGIFSubImage& frame = image.Images[0];
    EXPECT_EQ(frame.Pixel(2, 1), 1);
    EXPECT_EQ(frame.ScanLine(1)[0], 3);
    EXPECT_EQ(ErrorOf([&] { frame.Pixel(3, 0); }), GIFMessages::InvalidPixelCoordinates);
    EXPECT_EQ(ErrorOf([&] { frame.Pixel(0, -1); }), GIFMessages::InvalidPixelCoordinates);
    EXPECT_EQ(ErrorOf([&] { frame.ScanLine(2); }), GIFMessages::InvalidPixelCoordinates);
}

TEST(GIFFrame, ScanLineOfAFrameWithoutWidthIsEmpty) {
    TGIFImage image;
    TGIFSubImage frame(&image);
    frame.SetHeight(3);
    EXPECT_EQ(ErrorOf([&] { frame.ScanLine(1); }), GIFMessages::ImageIsEmpty);
    frame.SetWidth(2);
    EXPECT_EQ(frame.ScanLine(2)[1], 0); // created on first use
    EXPECT_EQ(frame.Bounds(3), 2);
    EXPECT_EQ(frame.Bounds(4), 3);
}

// Index counts take the pixels four at a time and the highest pixel's bits
// eight at a time: the pixels past the last whole group count too.
TEST(GIFFrame, IndexCountsAndSmallestCodeSizeReachTheLastPixels) {
    TGIFImage image;
    image.SmallestCodeSize = true;
    TGIFSubImage frame(&image);
    for (int i = 0; i < 256; ++i) frame.ColorMap.Add(RGBColor(static_cast<uint8_t>(i), 0, 0));
    frame.SetWidth(11);
    frame.SetHeight(3);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 11; ++x) frame.ScanLine(y)[x] = x == 5 ? 2 : 1;
    frame.ScanLine(2)[10] = 9;
    const std::array<int64_t, 256> uses = GIFFrame::IndexUses(frame);
    EXPECT_EQ(uses[1], 29);
    EXPECT_EQ(uses[2], 3);
    EXPECT_EQ(uses[9], 1);
    EXPECT_EQ(frame.EncodeJob().Bits, 4);
    frame.ScanLine(2)[10] = 3;
    EXPECT_EQ(frame.EncodeJob().Bits, 2);
}

TEST(GIFFrame, VersionNeedsGIF89aOnlyForExtensionsOrSortedTables) {
    TGIFImage image;
    auto frame = std::make_unique<TGIFSubImage>(&image);
    EXPECT_EQ(frame->Version(), 1);
    frame->ColorMap.SetSorted(true);
    EXPECT_EQ(frame->Version(), 2);
    frame->ColorMap.SetSorted(false);
    frame->Extensions.Add(std::make_unique<TGIFGraphicControlExtension>(*frame));
    EXPECT_EQ(frame->Version(), 2);
    image.Add(std::move(frame));
    EXPECT_EQ(image.Version(), 2);
}

TEST(GIFGraphicControl, TransparencyFollowsTheExtensionAndItsLifetime) {
    TGIFImage image;
    TGIFSubImage frame(&image);
    auto& first = frame.Extensions.Add(std::make_unique<TGIFGraphicControlExtension>(frame));
    auto& second = frame.Extensions.Add(std::make_unique<TGIFGraphicControlExtension>(frame));
    EXPECT_EQ(frame.GraphicControlExtension(), &first);
    // The frame's transparency is that of its graphic control, the first.
    static_cast<TGIFGraphicControlExtension&>(second).SetTransparent(true);
    EXPECT_FALSE(frame.Transparent());
    static_cast<TGIFGraphicControlExtension&>(first).SetTransparent(true);
    EXPECT_TRUE(frame.Transparent());
    frame.Extensions.Delete(1);
    EXPECT_TRUE(frame.Transparent());
    EXPECT_EQ(frame.GraphicControlExtension(), &first);
    frame.Extensions.Delete(0);
    EXPECT_EQ(frame.GraphicControlExtension(), nullptr);
    EXPECT_FALSE(frame.Transparent());
}

TEST(GIFGraphicControl, TransparentIndexOutsideTheActiveTableWarnsAndStoresZero) {
    TGIFImage image;
    std::vector<std::string> warnings;
    image.WarningHandler = [&](TGIFImage&, TGIFSeverity, const std::string& m) { warnings.push_back(m); };
    for (int i = 0; i < 4; ++i) image.Header.ColorMap.Add(clBlack);
    TGIFSubImage frame(&image);
    auto& control = static_cast<TGIFGraphicControlExtension&>(
        frame.Extensions.Add(std::make_unique<TGIFGraphicControlExtension>(frame)));
    control.SetTransparentColorIndex(3);
    EXPECT_EQ(control.TransparentColorIndex(), 3);
    control.SetTransparentColorIndex(4);
    EXPECT_EQ(control.TransparentColorIndex(), 0);
    EXPECT_EQ(warnings, std::vector<std::string>{GIFMessages::InvalidColorIndex});
    EXPECT_EQ(control.Bytes()[0], 4);
}

TEST(GIFImageModel, SizeCannotCutAFrame) {
    TGIFImage image;
    Load(image, Header(6, 4, 0x81) + ColorTable(4) + Descriptor(2, 1, 3, 2) +
                    ImageData(2, EncodeCodes(2, Bytes(6, 1))) + Bytes{0x3B});
    int changes = 0;
    image.OnChange = [&](TGraphic&) { ++changes; };
    EXPECT_EQ(ErrorOf([&] { image.SetWidth(4); }), GIFMessages::WidthTooSmall);
    EXPECT_EQ(ErrorOf([&] { image.SetHeight(2); }), GIFMessages::HeightTooSmall);
    EXPECT_EQ(changes, 0);
    image.SetWidth(5);
    image.SetHeight(3);
    EXPECT_EQ(image.Width(), 5);
    EXPECT_EQ(image.Height(), 3);
    EXPECT_EQ(changes, 2);
}

TEST(GIFImageModel, NewImageIsEmptyWithTheDefaults) {
    TGIFImage image;
    EXPECT_TRUE(image.Empty());
    EXPECT_EQ(image.Width(), 0);
    EXPECT_EQ(image.Version(), 0);
    EXPECT_EQ(image.DrawOptions, 0x060F);
    EXPECT_EQ(image.AnimationSpeed, 100);
    EXPECT_EQ(image.DrawFrameIndex, -1);
    EXPECT_EQ(image.DrawBackgroundColor, 0x1FFFFFFFu);
    EXPECT_EQ(image.ClassName(), "TGIFImage");
}

TEST(GIFImageModel, HeaderVersionAndClearing) {
    TGIFImage image;
    Load(image, Header(2, 2, 0xF8 | 1, 0, 49) + ColorTable(4) + Bytes{0x3B});
    EXPECT_EQ(image.Header.Version(), 2);
    image.Clear();
    EXPECT_EQ(image.Width(), 0);
    EXPECT_EQ(image.Header.ColorMap.Count(), 0);
    EXPECT_EQ(image.Header.Packed(), 0);
    EXPECT_EQ(image.Header.Version(), 1);
}

TEST(GIFDraw, StillPictureShowsTheFrameColoursAndItsTransparency) {
    TGIFImage image;
    // Colours 0 red, 1 green, 2 blue, 3 white; index 3 is transparent.
    const Bytes table{255, 0, 0, 0, 255, 0, 0, 0, 255, 255, 255, 255};
    Load(image, Header(2, 2, 0x81) + table + GraphicControl(0x01, 0, 3) + Descriptor(0, 0, 2, 2) +
                    ImageData(2, EncodeCodes(2, Bytes{0, 1, 2, 3})) + Bytes{0x3B});
    QImage target(4, 4, QImage::Format_RGB32);
    target.fill(qRgb(9, 9, 9));
    TCanvas canvas(&target);
    image.Draw(canvas, TRect{0, 0, 4, 4});
    EXPECT_EQ(canvas.Pixel(0, 0), clRed);
    EXPECT_EQ(canvas.Pixel(3, 0), RGBColor(0, 255, 0));
    EXPECT_EQ(canvas.Pixel(1, 3), clBlue);
    EXPECT_EQ(canvas.Pixel(3, 3), RGBColor(9, 9, 9));
}

TEST(GIFDraw, SmallFrameLandsAtItsScaledPlace) {
    TGIFImage image;
    Load(image, Header(4, 4, 0x81) + Bytes{255, 0, 0, 0, 0, 255, 0, 0, 0, 0, 0, 0} + Descriptor(2, 2, 2, 2) +
                    ImageData(2, EncodeCodes(2, Bytes{1, 1, 1, 1})) + Bytes{0x3B});
    QImage target(8, 8, QImage::Format_RGB32);
    target.fill(qRgb(0, 0, 0));
    TCanvas canvas(&target);
    image.Draw(canvas, TRect{0, 0, 8, 8});
    EXPECT_EQ(canvas.Pixel(3, 3), clBlack);
    EXPECT_EQ(canvas.Pixel(4, 4), clBlue);
    EXPECT_EQ(canvas.Pixel(7, 7), clBlue);
}

TEST(GIFImageModel, ASharedCopyDrawsAlikeAndKeepsThePixelsUntilOneIsWritten) {
    TGIFImage image;
    const Bytes table{255, 0, 0, 0, 255, 0, 0, 0, 255, 255, 255, 255};
    Load(image, Header(2, 2, 0x81) + table + GraphicControl(0x01, 5, 3) + Descriptor(0, 0, 2, 2) +
                    ImageData(2, EncodeCodes(2, Bytes{0, 1, 2, 3})) + Descriptor(0, 0, 2, 2) +
                    ImageData(2, EncodeCodes(2, Bytes{2, 2, 1, 1})) + Bytes{0x3B});
    image.DrawOptions &= static_cast<uint16_t>(~DrawAnimate);
    image.AnimationSpeed = 50;
    const std::unique_ptr<TGraphic> graphic = image.Share();
    auto* copy = dynamic_cast<TGIFImage*>(graphic.get());
    ASSERT_NE(copy, nullptr);
    ASSERT_EQ(copy->Images.Count(), 2);
    EXPECT_EQ(copy->DrawOptions, image.DrawOptions);
    EXPECT_EQ(copy->AnimationSpeed, 50);
    ASSERT_NE(copy->Images[0].GraphicControlExtension(), nullptr);
    EXPECT_EQ(copy->Images[0].GraphicControlExtension()->Delay(), 5);

    // Drawn, both show the same; drawing reads the pixels without copying them.
    const auto drawn = [](TGIFImage& picture) {
        QImage target(2, 2, QImage::Format_RGB32);
        target.fill(qRgb(9, 9, 9));
        TCanvas canvas(&target);
        picture.Draw(canvas, TRect{0, 0, 2, 2});
        return target;
    };
    EXPECT_EQ(drawn(*copy), drawn(image));
    EXPECT_TRUE(copy->Images[0].SharesPixelsWith(image.Images[0]));
    EXPECT_TRUE(copy->Images[1].SharesPixelsWith(image.Images[1]));
    EXPECT_EQ(copy->Images[0].Pixel(1, 0), 1);
    EXPECT_TRUE(copy->Images[0].SharesPixelsWith(image.Images[0]));

    // Writing a frame of either gives it pixels of its own.
    copy->Images[0].ScanLine(0)[1] = 3;
    EXPECT_EQ(copy->Images[0].Pixel(1, 0), 3);
    EXPECT_EQ(image.Images[0].Pixel(1, 0), 1);
    EXPECT_FALSE(copy->Images[0].SharesPixelsWith(image.Images[0]));
    EXPECT_TRUE(copy->Images[1].SharesPixelsWith(image.Images[1]));
    image.Images[1].Data()[0] = 0;
    EXPECT_EQ(copy->Images[1].Pixel(0, 0), 2);
    EXPECT_FALSE(copy->Images[1].SharesPixelsWith(image.Images[1]));
}

TEST(GIFRegistration, GifFilesAndTheClipboardFormatMapToTGIFImage) {
    RegisterGIFImage();
    RegisterGIFImage(); // counted: one registration
    const TGraphicClass* byExtension = TPicture::ClassForExtension(".GIF");
    ASSERT_NE(byExtension, nullptr);
    EXPECT_EQ(byExtension->ClassName, "TGIFImage");
    EXPECT_NE(TPicture::FileFilter().find("GIF Image (*.gif)"), std::string::npos);
    const TGraphicClass* byClipboard = TPicture::ClassForClipboardFormat("GIF Image");
    ASSERT_NE(byClipboard, nullptr);

    // A stored picture: the class name, then the GIF stream.
    const Bytes gif = SimpleGif(2, 1, Bytes{1, 2});
    Bytes stored{9, 'T', 'G', 'I', 'F', 'I', 'm', 'a', 'g', 'e'};
    stored = stored + gif;
    TBorrowedMemoryStream stream(stored.data(), static_cast<int64_t>(stored.size()));
    TPicture picture;
    picture.ReadStored(stream);
    ASSERT_NE(picture.Graphic(), nullptr);
    EXPECT_EQ(picture.Graphic()->ClassName(), "TGIFImage");
    EXPECT_EQ(picture.Width(), 2);

    UnregisterGIFImage();
    EXPECT_NE(TPicture::ClassForExtension("gif"), nullptr);
    UnregisterGIFImage();
    EXPECT_EQ(TPicture::ClassForExtension("gif"), nullptr);
}

TEST(GIFClipboard, DataInTheGIFFormatIsReadAsAStream) {
    TGIFImage image;
    const Bytes gif = SimpleGif(3, 1, Bytes{3, 2, 1});
    image.LoadFromClipboardFormat("GIF Image", &gif);
    ASSERT_EQ(image.Images.Count(), 1);
    EXPECT_EQ(image.Images[0].Pixel(0, 0), 3);
    EXPECT_THROW(image.LoadFromClipboardFormat("image/png", &gif), EInvalidGraphic);
}
