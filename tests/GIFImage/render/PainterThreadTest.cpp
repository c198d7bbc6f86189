// Painters on their own threads under a running application: the image's
// draw with its composed bitmap and with DrawDirect, stopping every painter,
// a painter whose canvas goes away, and a failure raised again on the UI
// thread when the painter is destroyed.

#include "Application.h"
#include "Canvas.h"
#include "Exceptions.h"
#include "FakePainterTimer.h"
#include "FakeServices.h"
#include "GIFDrawFlags.h"
#include "GIFGraphicControlExtension.h"
#include "GIFPainter.h"
#include "GIFTestImages.h"
#include "Synchronize.h"

#include <QCoreApplication>
#include <gtest/gtest.h>

#include <thread>

namespace {

constexpr QRgb Ground = 0xFF0000FFu;

QRgb ColourOf(int i) {
    return qRgb(i, 255 - i, i * 7);
}

QImage GroundImage() {
    QImage image(4, 2, QImage::Format_ARGB32_Premultiplied);
    image.fill(Ground);
    return image;
}

class GIFPainterThreadTest : public ::testing::Test {
protected:
    void SetUp() override {
        World.Install();
        Image.Header.SetWidth(4);
        Image.Header.SetHeight(2);
        AddColors(Image.Header.ColorMap, 4);
        for (int i = 0; i < 3; ++i) {
            TGIFSubImage& frame = AddFrame(Image, i, 0, 1, 1, {static_cast<uint8_t>(i + 1)});
            frame.Extensions.Add(std::make_unique<TGIFGraphicControlExtension>(frame));
        }
        Image.PainterTimerFactory = [this] { return std::make_unique<FakeTimer>(Log); };
    }
    // Runs the painters' hand-overs and the UI thread's events until pred.
    template <class Pred> void RunUntil(Pred pred) {
        while (!pred()) {
            CheckSynchronize();
            QCoreApplication::processEvents();
            std::this_thread::yield();
        }
    }
    void Settle() {
        RunUntil([this] { return Image.PainterCount() == 0; });
        // The painters that left are destroyed by the UI thread's events.
        QCoreApplication::processEvents();
    }

    TFakeWorld World;
    TimerLog Log;
    QImage Target = GroundImage();
    TCanvas Canvas{&Target};
    TGIFImage Image;
};

} // namespace

TEST_F(GIFPainterThreadTest, ImagePlaysIntoItsComposedBitmapAndShowsIt) {
    int changes = 0;
    Image.OnChange = [&](TGraphic&) { ++changes; };
    Image.PainterTimerFactory = nullptr;
    Image.AnimationSpeed = 0; // the first frame holds until stopped
    Image.Draw(Canvas, {0, 0, 4, 2});
    ASSERT_TRUE(Image.HasComposedBitmap());
    ASSERT_NE(Image.FramePainter(), nullptr);
    EXPECT_EQ(Target.pixel(0, 0), ColourOf(1)) << "the first frame shows in the first draw";
    EXPECT_EQ(Target.pixel(1, 0), Ground) << "under the picture";
    EXPECT_EQ(changes, 1);
    // A second draw shows the composed bitmap, stretched, without a new painter.
    TGIFPainter* painter = Image.FramePainter();
    QImage big(8, 4, QImage::Format_ARGB32_Premultiplied);
    big.fill(0);
    TCanvas bigCanvas(&big);
    Image.DrawOptions = GIFDrawFlagsDefault;
    Image.Draw(bigCanvas, {0, 0, 8, 4});
    EXPECT_EQ(Image.FramePainter(), painter);
    EXPECT_EQ(big.pixel(1, 1), ColourOf(1));

    Image.StopAnimation();
    EXPECT_FALSE(Image.HasComposedBitmap());
    EXPECT_EQ(Image.FramePainter(), nullptr);
    Settle();
}

TEST_F(GIFPainterThreadTest, DirectPainterDrawsOnTheCanvasItself) {
    Image.DrawOptions = GIFDrawFlagsDefault | DrawDirect;
    Image.PainterTimerFactory = nullptr;
    Image.AnimationSpeed = 0;
    Image.Draw(Canvas, {0, 0, 4, 2});
    EXPECT_FALSE(Image.HasComposedBitmap());
    TGIFPainter* painter = Image.FramePainter();
    ASSERT_NE(painter, nullptr);
    RunUntil([&] { return painter->Started(); });
    EXPECT_EQ(Target.pixel(0, 0), ColourOf(1));
    Image.Draw(Canvas, {0, 0, 4, 2});
    EXPECT_EQ(Image.FramePainter(), painter) << "already drawing there";
    Image.StopPainters();
    Settle();
}

TEST_F(GIFPainterThreadTest, StopAllEndsEveryPainterOfTheImage) {
    Image.PainterTimerFactory = nullptr;
    Image.AnimationSpeed = 0;
    QImage second = GroundImage();
    TCanvas secondCanvas(&second);
    TGIFPainter* a = Image.Paint(nullptr, Canvas, GIFDrawFlagsDefault, {0, 0, 4, 2});
    TGIFPainter* b = Image.Paint(nullptr, secondCanvas, GIFDrawFlagsDefault, {0, 0, 4, 2});
    ASSERT_TRUE(a && b);
    a->Start(); // b is never started: stopping still lets it leave
    Image.Draw(Canvas, {0, 0, 4, 2});
    EXPECT_EQ(Image.PainterCount(), 3);
    Image.StopPainters();
    EXPECT_EQ(Image.PainterCount(), 0);
    EXPECT_EQ(Image.FramePainter(), nullptr);
    Settle();
}

TEST_F(GIFPainterThreadTest, StoppingEndsALongWaitAtOnce) {
    Image.PainterTimerFactory = nullptr; // the real clock and event
    Image.AnimationSpeed = 0;
    TGIFPainter* painter = Image.Paint(nullptr, Canvas, GIFDrawFlagsDefault, {0, 0, 4, 2});
    ASSERT_NE(painter, nullptr);
    painter->Start();
    RunUntil([&] { return painter->Started(); });
    Image.StopPainters();
    EXPECT_EQ(Image.PainterCount(), 0);
    Settle();
}

TEST_F(GIFPainterThreadTest, APainterWhoseCanvasIsGoneStopsWithoutDrawing) {
    auto canvas = std::make_unique<TCanvas>(&Target);
    TGIFPainter* painter = Image.Paint(nullptr, *canvas, GIFDrawFlagsDefault | DrawCheckCanvas, {0, 0, 4, 2});
    ASSERT_NE(painter, nullptr);
    canvas.reset();
    painter->Start();
    Settle();
    EXPECT_EQ(Target.pixel(0, 0), Ground);
}

TEST_F(GIFPainterThreadTest, AFailureInThePainterIsRaisedAgainWhenItIsDestroyed) {
    Image.OnPaint = [](TGIFPainter& painter) {
        if (painter.CurrentFrame() == 1) throw EInvalidGraphicOperation("Canvas does not allow drawing");
    };
    TGIFPainter* painter = Image.Paint(nullptr, Canvas, GIFDrawFlagsDefault, {0, 0, 4, 2});
    ASSERT_NE(painter, nullptr);
    painter->Start();
    Settle();
    EXPECT_EQ(World.Errors, QStringList{"Canvas does not allow drawing"});
    EXPECT_EQ(Target.pixel(0, 0), ColourOf(1));
    EXPECT_EQ(Target.pixel(1, 0), Ground) << "nothing drawn after the failure";
}
