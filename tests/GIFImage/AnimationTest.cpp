// Frame composition with disposal and transparency, and the painter's
// timing, looping and stopping, stepped by a timer that never waits.

#include "Canvas.h"
#include "GIFAppExtNSLoop.h"
#include "GIFComposer.h"
#include "GIFDrawFlags.h"
#include "GIFGraphicControlExtension.h"
#include "GIFPainter.h"
#include "GIFRenderer.h"
#include "GIFTestImages.h"
#include "Synchronize.h"

#include <gtest/gtest.h>

#include <atomic>

namespace {

constexpr QRgb Ground = 0xFF0000FFu; // opaque blue

// Entry i of the test tables, as a pixel.
QRgb ColourOf(int i) {
    return qRgb(i, 255 - i, i * 7);
}

// A 4 × 2 picture with a four-colour global table and no frames.
void MakeScreen(TGIFImage& image) {
    image.Header.SetWidth(4);
    image.Header.SetHeight(2);
    AddColors(image.Header.ColorMap, 4);
}

TGIFSubImage& AddControlledFrame(TGIFImage& image, int left, int top, int width, int height,
                                 const Bytes& pixels, int disposal, int delay = 0,
                                 int transparentIndex = -1) {
    TGIFSubImage& frame = AddFrame(image, left, top, width, height, pixels);
    auto control = std::make_unique<TGIFGraphicControlExtension>(frame);
    control->SetDisposal(static_cast<TGIFDisposal>(disposal));
    control->SetDelay(static_cast<uint16_t>(delay));
    if (transparentIndex >= 0) {
        control->SetTransparentColorIndex(transparentIndex);
        control->SetTransparent(true);
    }
    frame.Extensions.Add(std::move(control));
    return frame;
}

QImage GroundImage(int width, int height) {
    QImage image(width, height, QImage::Format_ARGB32);
    image.fill(Ground);
    return image;
}

// Shared with the test while the painter owns the timer.
struct TimerLog {
    int64_t Now = 0;
    std::vector<int64_t> Waits;
    std::atomic<bool> Woken{false};
    // Called after each wait is logged, e.g. to stop the painter.
    std::function<void()> OnWait;
};

class FakeTimer : public TGIFPainterTimer {
public:
    explicit FakeTimer(TimerLog& log) : Log(log) {}
    int64_t NowMs() override { return Log.Now; }
    bool WaitFor(int64_t ms) override {
        Log.Waits.push_back(ms);
        if (ms > 0) Log.Now += ms;
        if (Log.OnWait) Log.OnWait();
        return Log.Woken.exchange(false);
    }
    void Wake() override { Log.Woken = true; }

private:
    TimerLog& Log;
};

} // namespace

TEST(GIFRenderer, FramesLandInPlaceAndKeepTheGroundUnderTransparentPixels) {
    TGIFImage image;
    MakeScreen(image);
    AddControlledFrame(image, 2, 1, 2, 1, {1, 3}, 1, 0, 3);
    QImage target = GroundImage(4, 2);
    DrawGIFFrame(target, {0, 0, 4, 2}, image.Images[0], false, true);
    EXPECT_EQ(target.pixel(2, 1), ColourOf(1));
    EXPECT_EQ(target.pixel(3, 1), Ground); // transparent pixel
    EXPECT_EQ(target.pixel(1, 1), Ground); // outside the frame

    // Twice the screen size: twice the offset and the size.
    QImage big = GroundImage(8, 4);
    DrawGIFFrame(big, {0, 0, 8, 4}, image.Images[0], false, true);
    EXPECT_EQ(big.pixel(4, 2), ColourOf(1));
    EXPECT_EQ(big.pixel(5, 3), ColourOf(1));
    EXPECT_EQ(big.pixel(6, 2), Ground);
    EXPECT_EQ(big.pixel(3, 2), Ground);

    // Tiled: natural size, repeated every screen width.
    DrawGIFFrame(big, {0, 0, 8, 4}, image.Images[0], true, true);
    EXPECT_EQ(big.pixel(2, 1), ColourOf(1));
    EXPECT_EQ(big.pixel(6, 3), ColourOf(1));
}

TEST(GIFComposer, DisposalRestoresToBackgroundOrToPrevious) {
    // Restore to background: the frame's area shows the ground again before
    // the next frame is drawn.
    {
        TGIFImage image;
        MakeScreen(image);
        AddControlledFrame(image, 0, 0, 2, 2, {1, 1, 1, 1}, 2);
        AddControlledFrame(image, 3, 0, 1, 1, {2}, 1);
        QImage target = GroundImage(4, 2);
        TGIFComposer composer(image, target, {0, 0, 4, 2}, GIFDrawFlagsDefault);
        composer.DrawFrame(0, 2, 1);
        EXPECT_EQ(target.pixel(1, 1), ColourOf(1));
        composer.DrawFrame(1, 1, 2);
        EXPECT_EQ(target.pixel(1, 1), Ground);
        EXPECT_EQ(target.pixel(3, 0), ColourOf(2));
    }
    // Restore to previous: a frame drawn straight onto the target is gone
    // once the next frame comes from the backup.
    {
        TGIFImage image;
        MakeScreen(image);
        AddControlledFrame(image, 0, 0, 4, 2, {0, 0, 0, 0, 0, 0, 0, 0}, 1);
        AddControlledFrame(image, 0, 0, 1, 1, {1}, 3);
        AddControlledFrame(image, 3, 1, 1, 1, {2}, 1);
        QImage target = GroundImage(4, 2);
        TGIFComposer composer(image, target, {0, 0, 4, 2}, GIFDrawFlagsDefault);
        composer.DrawFrame(0, 1, 1);
        composer.DrawFrame(1, 3, 1);
        EXPECT_EQ(target.pixel(0, 0), ColourOf(1));
        composer.DrawFrame(2, 1, 3);
        EXPECT_EQ(target.pixel(0, 0), ColourOf(0));
        EXPECT_EQ(target.pixel(3, 1), ColourOf(2));
        // An undefined disposal draws nothing.
        composer.DrawFrame(1, 5, 1);
        EXPECT_EQ(target.pixel(0, 0), ColourOf(0));
    }
}

TEST(GIFComposer, OpaqueRestoringFillsWithTheBackgroundColour) {
    TGIFImage image;
    MakeScreen(image);
    image.DrawBackgroundColor = RGBColor(0, 255, 0);
    AddControlledFrame(image, 0, 0, 2, 1, {1, 1}, 2);
    AddControlledFrame(image, 3, 1, 1, 1, {2}, 1);
    QImage target = GroundImage(4, 2);
    TGIFComposer composer(image, target, {0, 0, 4, 2}, GIFDrawFlagsDefault & ~DrawTransparent);
    composer.DrawFrame(0, 2, 1);
    composer.DrawFrame(1, 1, 2);
    EXPECT_EQ(target.pixel(0, 0), qRgb(0, 255, 0));
    EXPECT_EQ(target.pixel(0, 1), Ground);
}

class GIFPainterTest : public ::testing::Test {
protected:
    void SetUp() override {
        MakeScreen(Image);
        AddControlledFrame(Image, 0, 0, 1, 1, {1}, 1, 1);
        AddControlledFrame(Image, 1, 0, 1, 1, {2}, 1, 0);
        AddControlledFrame(Image, 2, 0, 1, 1, {3}, 1, 50);
        Image.OnPaint = [this](TGIFImage&) { ++Painted; };
        Image.OnLoop = [this](TGIFImage&) { ++Loops; };
        Image.OnEndPaint = [this](TGIFImage&) { ++Ended; };
    }
    void SetLoops(uint16_t loops) {
        auto loop = std::make_unique<TGIFAppExtNSLoop>(Image.Images[0]);
        loop->Loops = loops;
        Image.Images[0].Extensions.Add(std::move(loop));
    }
    std::unique_ptr<TGIFPainter> MakePainter(uint16_t flags) {
        return std::make_unique<TGIFPainter>(Image, Target, TRect{0, 0, 4, 2}, flags,
                                             std::make_unique<FakeTimer>(Log));
    }
    // Stops the painter once count waits have been asked for.
    void StopAfterWaits(TGIFPainter& painter, size_t count) {
        Log.OnWait = [&painter, count, this] {
            if (Log.Waits.size() >= count) painter.Stop();
        };
    }

    // Declared before the image, whose painters use them until it ends.
    TimerLog Log;
    QImage Target = GroundImage(4, 2);
    int Painted = 0, Loops = 0, Ended = 0;
    TGIFImage Image;
};

TEST_F(GIFPainterTest, WaitsFollowDelaysMinimumDefaultAndSpeed) {
    SetLoops(0);
    auto painter = MakePainter(GIFDrawFlagsDefault);
    StopAfterWaits(*painter, 4);
    painter->Run();
    // Delay 1 is raised to 3 units, delay 0 means 10; 12 ms a unit.
    EXPECT_EQ(Log.Waits, (std::vector<int64_t>{36, 120, 600, 36}));
    EXPECT_EQ(Target.pixel(0, 0), ColourOf(1));
    EXPECT_EQ(Target.pixel(2, 0), ColourOf(3));

    Image.AnimationSpeed = 200;
    Log.Now = 0;
    Log.Waits.clear();
    auto fast = MakePainter(GIFDrawFlagsDefault);
    StopAfterWaits(*fast, 3);
    fast->Run();
    EXPECT_EQ(Log.Waits, (std::vector<int64_t>{18, 60, 300}));
}

TEST_F(GIFPainterTest, HalfTheDrawingTimeIsTakenOffTheNextWait) {
    Image.OnAfterPaint = [this](TGIFImage&) { Log.Now += 20; };
    auto painter = MakePainter(GIFDrawFlagsDefault);
    StopAfterWaits(*painter, 2);
    painter->Run();
    EXPECT_EQ(Log.Waits, (std::vector<int64_t>{26, 110}));
}

TEST_F(GIFPainterTest, LoopCountDecidesThePasses) {
    // Without a looping extension: one pass.
    MakePainter(GIFDrawFlagsDefault)->Run();
    EXPECT_EQ(Painted, 3);
    EXPECT_EQ(Loops, 0);

    Painted = 0;
    Ended = 0;
    SetLoops(2);
    MakePainter(DrawAnimate | DrawLoop | DrawTransparent)->Run();
    EXPECT_EQ(Painted, 6);
    EXPECT_EQ(Loops, 1);
    EXPECT_EQ(Ended, 1);

    // Count 0 without DrawAsync plays once; with it, for ever.
    Painted = 0;
    Image.Images[0].Extensions.Delete(Image.Images[0].Extensions.Count() - 1);
    SetLoops(0);
    MakePainter(DrawAnimate | DrawLoop)->Run();
    EXPECT_EQ(Painted, 3);
    Painted = 0;
    Log.Waits.clear();
    auto endless = MakePainter(GIFDrawFlagsDefault);
    StopAfterWaits(*endless, 10);
    endless->Run();
    EXPECT_EQ(Painted, 10);
    EXPECT_EQ(endless->CurrentFrame(), -1);
}

TEST_F(GIFPainterTest, StoppingEndsALongWaitAtOnce) {
    // Speed 0 holds the frame until stopped; the real timer waits on its
    // event, which Stop signals.
    Image.AnimationSpeed = 0;
    TGIFPainter painter(Image, Target, {0, 0, 4, 2}, GIFDrawFlagsDefault);
    painter.Start();
    while (!painter.Started()) CheckSynchronize();
    painter.Stop();
    painter.WaitFor();
    EXPECT_TRUE(painter.Finished());
    EXPECT_EQ(Painted, 1);
}

TEST_F(GIFPainterTest, NothingIsDrawnAfterStop) {
    auto painter = MakePainter(GIFDrawFlagsDefault);
    painter->Start();
    painter->Stop(); // before the UI thread ran any hand-over
    painter->WaitFor();
    EXPECT_FALSE(painter->Started());
    EXPECT_EQ(Target.pixel(0, 0), Ground);
    EXPECT_EQ(Painted, 0);
}

TEST_F(GIFPainterTest, ImagePlaysIntoItsComposedBitmap) {
    int changes = 0;
    Image.OnChange = [&](TGraphic&) { ++changes; };
    Image.PainterTimerFactory = [this] { return std::make_unique<FakeTimer>(Log); };
    TCanvas canvas(&Target);
    Image.Draw(canvas, {0, 0, 4, 2});
    ASSERT_NE(Image.ComposedBitmap(), nullptr);
    EXPECT_EQ(Target.pixel(0, 0), ColourOf(1));
    while (changes < 3) CheckSynchronize();
    EXPECT_EQ(Image.ComposedBitmap()->pixel(2, 0), ColourOf(3));
    Image.StopAnimation();
    EXPECT_EQ(Image.ComposedBitmap(), nullptr);
    EXPECT_EQ(Image.FramePainter(), nullptr);
    // Drawn again, it plays again; destroying the image ends the painter.
    Image.Draw(canvas, {0, 0, 4, 2});
    EXPECT_NE(Image.FramePainter(), nullptr);
}
