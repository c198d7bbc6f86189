// The picture framework: registry, stored pictures, bitmaps and raster operations.
#include "Picture.h"
#include "Bitmap.h"
#include "Canvas.h"
#include "Exceptions.h"
#include "PictureCache.h"

#include <gtest/gtest.h>

#include <thread>

namespace {

// A one-colour graphic that stores its colour as three bytes.
class TSwatch : public TGraphic {
public:
    std::string ClassName() const override { return ClassNameText; }
    void Draw(TCanvas& canvas, const TRect& rect) override {
        QImage image(1, 1, QImage::Format_RGB32);
        image.fill(qRgb(RedOf(Color), GreenOf(Color), BlueOf(Color)));
        canvas.DrawImage(rect, image);
    }
    int Width() const override { return 4; }
    int Height() const override { return 4; }
    bool Empty() const override { return false; }
    void LoadFromStream(TStream& s) override {
        uint8_t rgb[3];
        s.ReadExact(rgb, 3);
        Color = RGBColor(rgb[0], rgb[1], rgb[2]);
    }
    void SaveToStream(TStream& s) override {
        const uint8_t rgb[3] = {RedOf(Color), GreenOf(Color), BlueOf(Color)};
        s.Write(rgb, 3);
    }
    TColor Color = clRed;
    std::string ClassNameText = "TSwatch";
};

TGraphicClass SwatchClass(const std::string& name, TColor color) {
    return {name, [name, color] {
                auto g = std::make_unique<TSwatch>();
                g->ClassNameText = name;
                g->Color = color;
                return g;
            }};
}

} // namespace

TEST(PictureRegistry, NewestRegistrationWinsAndUnregisterRemoves) {
    TPicture::RegisterFileFormat("swt", "Swatch", SwatchClass("TSwatch", clRed));
    TPicture::RegisterFileFormat("SWT", "Swatch 2", SwatchClass("TSwatch2", clBlue));
    ASSERT_NE(TPicture::ClassForExtension(".Swt"), nullptr);
    EXPECT_EQ(TPicture::ClassForExtension("swt")->ClassName, "TSwatch2");
    TPicture::UnregisterGraphicClass("TSwatch2");
    EXPECT_EQ(TPicture::ClassForExtension("swt")->ClassName, "TSwatch");
    TPicture::UnregisterGraphicClass("TSwatch");
    EXPECT_EQ(TPicture::ClassForExtension("swt"), nullptr);
    TPicture picture;
    EXPECT_THROW(picture.LoadFromFile("picture.swt"), EInvalidGraphic);
    EXPECT_THROW(picture.LoadFromFile("no-extension"), EInvalidGraphic);
}

TEST(PictureRegistry, StoredFormIsClassNameThenData) {
    TPicture::RegisterClipboardFormat("Swatch", SwatchClass("TSwatch", clRed));
    TPicture picture;
    auto swatch = std::make_unique<TSwatch>();
    swatch->Color = RGBColor(1, 2, 3);
    picture.SetGraphic(std::move(swatch));
    TMemoryStream stored;
    picture.WriteStored(stored);
    EXPECT_EQ(stored.Memory(), (std::vector<uint8_t>{7, 'T', 'S', 'w', 'a', 't', 'c', 'h', 1, 2, 3}));
    stored.SetPosition(0);
    TPicture again;
    again.ReadStored(stored);
    ASSERT_NE(again.Graphic(), nullptr);
    EXPECT_EQ(static_cast<TSwatch*>(again.Graphic())->Color, RGBColor(1, 2, 3));
    // An unknown class and a cut-off stream are errors, not crashes.
    TMemoryStream unknown(std::vector<uint8_t>{3, 'T', 'Q', 'Q'});
    EXPECT_THROW(again.ReadStored(unknown), EInvalidGraphic);
    TMemoryStream cut(std::vector<uint8_t>{9, 'T', 'S'});
    EXPECT_THROW(again.ReadStored(cut), EReadError);
    TPicture::UnregisterGraphicClass("TSwatch");
}

TEST(Picture, ADeferredGraphicIsMadeOnceWhenFirstAskedFor) {
    TPicture picture;
    int made = 0;
    int changes = 0;
    picture.OnChange = [&](TPicture&) { ++changes; };
    const auto blue = [&] {
        ++made;
        auto swatch = std::make_unique<TSwatch>();
        swatch->Color = clBlue;
        return swatch;
    };
    picture.SetDeferred(blue);
    EXPECT_TRUE(picture.Deferred());
    EXPECT_EQ(picture.MadeGraphic(), nullptr);
    EXPECT_EQ(made, 0);
    // The size is the made graphic's.
    EXPECT_EQ(picture.Width(), 4);
    ASSERT_NE(picture.Graphic(), nullptr);
    EXPECT_EQ(static_cast<TSwatch*>(picture.Graphic())->Color, clBlue);
    EXPECT_EQ(made, 1);
    EXPECT_EQ(picture.MadeGraphic(), picture.Graphic());
    // Making is no change; a change of the made graphic is.
    const int afterMaking = changes;
    picture.Graphic()->Changed();
    EXPECT_EQ(changes, afterMaking + 1);
    // The stored form holds the made graphic.
    picture.SetDeferred(blue);
    TMemoryStream stored;
    picture.WriteStored(stored);
    EXPECT_EQ(stored.Memory(), (std::vector<uint8_t>{7, 'T', 'S', 'w', 'a', 't', 'c', 'h', 0, 0, 255}));
    // A graphic put in drops the one still to be made.
    picture.SetDeferred(blue);
    picture.SetGraphic(nullptr);
    EXPECT_EQ(picture.Graphic(), nullptr);
    EXPECT_EQ(made, 2);
    // A make that fails says so once and leaves the picture empty.
    picture.SetDeferred([]() -> std::unique_ptr<TGraphic> { throw EInvalidGraphic("damaged picture"); });
    EXPECT_THROW(picture.Graphic(), EInvalidGraphic);
    EXPECT_EQ(picture.Graphic(), nullptr);
    EXPECT_EQ(picture.Width(), 0);
}

TEST(PictureCache, PicturesOfOneKeyAreDecodedOnceWhenFirstShownAndSharePixels) {
    int decoded = 0;
    const auto decode = [&]() -> std::unique_ptr<TGraphic> {
        ++decoded;
        auto bitmap = std::make_unique<TBitmap>(8, 8, TPixelFormat::pf24bit);
        bitmap->Canvas().Brush.Color = clRed;
        bitmap->Canvas().FillRect(TRect{0, 0, 8, 8});
        return bitmap;
    };
    TPicture first, second, never;
    PictureCache::Load(first, "cache-test", decode);
    PictureCache::Load(second, "cache-test", decode);
    PictureCache::Load(never, "cache-test-never", decode);
    EXPECT_EQ(decoded, 0);
    auto* a = dynamic_cast<TBitmap*>(first.Graphic());
    auto* b = dynamic_cast<TBitmap*>(second.Graphic());
    ASSERT_NE(a, nullptr);
    ASSERT_NE(b, nullptr);
    EXPECT_NE(a, b);
    EXPECT_EQ(decoded, 1);
    EXPECT_EQ(a->Image().constBits(), b->Image().constBits());
    EXPECT_EQ(b->Image().pixel(3, 3), qRgb(255, 0, 0));
    EXPECT_TRUE(never.Deferred());
    PictureCache::Clear();
}

TEST(PictureCache, APictureDecodedAheadIsDecodedOnceOnAnotherThreadAndFailsWhereItIsShown) {
    int decoded = 0;
    std::thread::id decoder;
    const auto decode = [&]() -> std::unique_ptr<TGraphic> {
        ++decoded;
        decoder = std::this_thread::get_id();
        auto bitmap = std::make_unique<TBitmap>(8, 8, TPixelFormat::pf24bit);
        bitmap->Canvas().Brush.Color = clRed;
        bitmap->Canvas().FillRect(TRect{0, 0, 8, 8});
        return bitmap;
    };
    PictureCache::DecodeAhead("ahead-test", decode);
    PictureCache::DecodeAhead("ahead-test", decode); // already under way
    TPicture picture;
    PictureCache::Load(picture, "ahead-test", decode);
    auto* bitmap = dynamic_cast<TBitmap*>(picture.Graphic());
    ASSERT_NE(bitmap, nullptr);
    EXPECT_EQ(bitmap->Image().pixel(3, 3), qRgb(255, 0, 0));
    EXPECT_EQ(decoded, 1);
    EXPECT_NE(decoder, std::this_thread::get_id());

    PictureCache::DecodeAhead(
        "ahead-damaged", []() -> std::unique_ptr<TGraphic> { throw EInvalidGraphic("damaged picture"); });
    TPicture damaged;
    PictureCache::Load(damaged, "ahead-damaged", decode);
    EXPECT_THROW(damaged.Graphic(), EInvalidGraphic);
    EXPECT_EQ(damaged.Graphic(), nullptr);
    EXPECT_EQ(decoded, 1);
    PictureCache::Clear();
}

TEST(Bitmap, FormatsScanLinesAndBmpRoundTrip) {
    TBitmap bitmap(3, 2, TPixelFormat::pf8bit);
    bitmap.SetPalette({{0, 0, 0}, {255, 0, 0}, {0, 255, 0}});
    bitmap.ScanLine(1)[2] = 2;
    bitmap.ScanLine(0)[0] = 1;
    EXPECT_THROW(bitmap.ScanLine(2), EInvalidGraphicOperation);
    TMemoryStream bmp;
    bitmap.SaveToStream(bmp);
    bmp.SetPosition(0);
    TBitmap loaded;
    loaded.LoadFromStream(bmp);
    EXPECT_EQ(loaded.Width(), 3);
    EXPECT_EQ(loaded.Height(), 2);
    const QImage shown = loaded.ToImage();
    EXPECT_EQ(shown.pixel(0, 0), qRgb(255, 0, 0));
    EXPECT_EQ(shown.pixel(2, 1), qRgb(0, 255, 0));
    TMemoryStream garbage(std::vector<uint8_t>{'B', 'M', 1, 2});
    EXPECT_THROW(loaded.LoadFromStream(garbage), EInvalidGraphic);
    EXPECT_EQ(garbage.Position(), 0);
}

TEST(Canvas, RasterOperationsAndClip) {
    QImage target(4, 1, QImage::Format_RGB32);
    target.fill(qRgb(0x0F, 0xF0, 0x33));
    TCanvas canvas(&target);
    QImage source(4, 1, QImage::Format_RGB32);
    source.fill(qRgb(0xFF, 0x0F, 0x11));
    TCanvas from(&source);
    canvas.CopyMode = TCopyMode::SrcAnd;
    canvas.CopyRect({0, 0, 1, 1}, from, {0, 0, 1, 1});
    EXPECT_EQ(target.pixel(0, 0), qRgb(0x0F, 0x00, 0x11));
    canvas.CopyMode = TCopyMode::SrcPaint;
    canvas.CopyRect({1, 0, 2, 1}, from, {0, 0, 1, 1});
    EXPECT_EQ(target.pixel(1, 0), qRgb(0xFF, 0xFF, 0x33));
    canvas.CopyMode = TCopyMode::SrcCopy;
    canvas.SetClipRect({3, 0, 4, 1});
    canvas.Brush.Color = clBlue;
    canvas.FillRect({2, 0, 4, 1});
    EXPECT_EQ(target.pixel(2, 0), qRgb(0x0F, 0xF0, 0x33)); // outside the clip
    EXPECT_EQ(target.pixel(3, 0), qRgb(0, 0, 255));
}

TEST(Canvas, MaskedCopyKeepsDestinationWhereMaskIsWhite) {
    QImage target(2, 1, QImage::Format_RGB32);
    target.fill(qRgb(10, 20, 30));
    QImage source(2, 1, QImage::Format_RGB32);
    source.fill(qRgb(200, 100, 50));
    QImage mask(2, 1, QImage::Format_RGB32);
    mask.setPixel(0, 0, qRgb(0, 0, 0));
    mask.setPixel(1, 0, qRgb(255, 255, 255));
    TCanvas canvas(&target);
    TCanvas from(&source);
    canvas.MaskedCopy({0, 0, 2, 1}, from, {0, 0, 2, 1}, mask);
    EXPECT_EQ(target.pixel(0, 0), qRgb(200, 100, 50));
    EXPECT_EQ(target.pixel(1, 0), qRgb(10, 20, 30));
}

TEST(Canvas, DrawsOnPaletteBitmapsThroughTheirColourTable) {
    TBitmap bitmap(2, 1, TPixelFormat::pf8bit);
    bitmap.SetPalette({{0, 0, 0}, {0, 0, 255}});
    bitmap.Canvas().Brush.Color = clBlue;
    bitmap.Canvas().FillRect({1, 0, 2, 1});
    EXPECT_EQ(bitmap.ScanLine(0)[0], 0);
    EXPECT_EQ(bitmap.ScanLine(0)[1], 1);
}
