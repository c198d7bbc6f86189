// Frame composition with disposal and transparency, and the painter's
// timing, looping and notifications, stepped by a timer that never waits.

#include "Canvas.h"
#include "Exceptions.h"
#include "FakePainterTimer.h"
#include "GIFAppExtNSLoop.h"
#include "GIFComposer.h"
#include "GIFDrawFlags.h"
#include "GIFGraphicControlExtension.h"
#include "GIFPainter.h"
#include "GIFTestImages.h"
#include "Synchronize.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <mutex>
#include <thread>

#include <sys/resource.h>
#include <unistd.h>

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
    QImage image(width, height, QImage::Format_ARGB32_Premultiplied);
    image.fill(Ground);
    return image;
}

} // namespace

TEST(GIFComposer, DisposalRestoresToBackgroundOrToPrevious) {
    // Restore to background: the frame's area shows the ground again before
    // the next frame is drawn.
    {
        TGIFImage image;
        MakeScreen(image);
        AddControlledFrame(image, 0, 0, 2, 2, {1, 1, 1, 1}, 2);
        AddControlledFrame(image, 3, 0, 1, 1, {2}, 1);
        QImage target = GroundImage(4, 2);
        TCanvas canvas(&target);
        TGIFComposer composer(image, canvas, {0, 0, 4, 2}, GIFDrawFlagsDefault, true, false, clWhite);
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
        TCanvas canvas(&target);
        TGIFComposer composer(image, canvas, {0, 0, 4, 2}, GIFDrawFlagsDefault, false, true, clWhite);
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

TEST(GIFComposer, RestoreToBackgroundThenToPreviousAfterEachOther) {
    TGIFImage image;
    MakeScreen(image);
    AddControlledFrame(image, 0, 0, 2, 1, {1, 1}, 2); // gone after it is shown
    AddControlledFrame(image, 2, 0, 2, 1, {2, 2}, 3); // drawn over the restored backup
    AddControlledFrame(image, 0, 1, 1, 1, {3}, 2);    // after a 3: backup without frame 1
    AddControlledFrame(image, 3, 1, 1, 1, {1}, 3);    // 3 after 2: into the frame buffer
    AddControlledFrame(image, 1, 1, 1, 1, {2}, 1);
    QImage target = GroundImage(4, 2);
    TCanvas canvas(&target);
    TGIFComposer composer(image, canvas, {0, 0, 4, 2}, GIFDrawFlagsDefault, true, true, clWhite);
    composer.DrawFrame(0, 2, 1);
    EXPECT_EQ(target.pixel(0, 0), ColourOf(1));
    composer.DrawFrame(1, 3, 2);
    EXPECT_EQ(target.pixel(0, 0), Ground);
    EXPECT_EQ(target.pixel(2, 0), ColourOf(2));
    composer.DrawFrame(2, 2, 3);
    EXPECT_EQ(target.pixel(2, 0), Ground) << "frame 1 was restored to what was before it";
    EXPECT_EQ(target.pixel(0, 1), ColourOf(3));
    composer.DrawFrame(3, 3, 2);
    EXPECT_EQ(target.pixel(0, 1), Ground) << "frame 2 was restored to the background";
    EXPECT_EQ(target.pixel(3, 1), ColourOf(1));
    composer.DrawFrame(4, 1, 3);
    EXPECT_EQ(target.pixel(3, 1), Ground);
    EXPECT_EQ(target.pixel(1, 1), ColourOf(2));
}

TEST(GIFComposer, OpaqueRestoringFillsWithTheBackgroundColour) {
    TGIFImage image;
    MakeScreen(image);
    AddControlledFrame(image, 0, 0, 2, 1, {1, 1}, 2);
    AddControlledFrame(image, 3, 1, 1, 1, {2}, 1);
    QImage target = GroundImage(4, 2);
    TCanvas canvas(&target);
    TGIFComposer composer(image, canvas, {0, 0, 4, 2}, GIFDrawFlagsDefault & ~DrawTransparent, true, false,
                          RGBColor(0, 255, 0));
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
        Image.OnPaint = [this](TGIFPainter& painter) {
            ++Painted;
            Shown.push_back(painter.CurrentFrame());
        };
        Image.OnLoop = [this](TGIFPainter&) { ++Loops; };
        Image.OnEndPaint = [this](TGIFPainter&) { ++Ended; };
        Image.PainterTimerFactory = [this] { return std::make_unique<FakeTimer>(Log); };
    }
    void SetLoops(uint16_t loops, int frame = 0) {
        auto loop = std::make_unique<TGIFAppExtNSLoop>(Image.Images[frame]);
        loop->Loops = loops;
        Image.Images[frame].Extensions.Add(std::move(loop));
    }
    void Reset() {
        Log.Now = 0;
        Log.Waits.clear();
        Painted = Loops = Ended = 0;
        Shown.clear();
    }
    // Plays with flags until the painter ends; stops it after stopAfter waits.
    void Play(uint16_t flags, size_t stopAfter = 0) {
        // The wait hook outlives this call (later paints of a test wait
        // too), so it holds nothing of this frame.
        auto painter = std::make_shared<TGIFPainter*>(nullptr);
        Log.OnWait = [this, painter, stopAfter] {
            if (stopAfter && *painter && Log.Waits.size() >= stopAfter) (*painter)->Stop();
        };
        if (!(flags & DrawAsync)) {
            Image.Paint(nullptr, Canvas, flags, {0, 0, 4, 2});
            return;
        }
        *painter = Image.Paint(nullptr, Canvas, flags, {0, 0, 4, 2});
        ASSERT_NE(*painter, nullptr);
        (*painter)->Start();
        while (Image.PainterCount() > 0)
            if (!CheckSynchronize()) std::this_thread::yield();
        *painter = nullptr; // ended and gone
    }

    // Declared before the image, whose painters use them until it ends.
    TimerLog Log;
    QImage Target = GroundImage(4, 2);
    TCanvas Canvas{&Target};
    int Painted = 0, Loops = 0, Ended = 0;
    std::vector<int> Shown;
    TGIFImage Image;
};

TEST_F(GIFPainterTest, WaitsFollowDelaysMinimumDefaultAndSpeed) {
    SetLoops(0);
    Play(GIFDrawFlagsDefault, 4);
    // Delay 1 is raised to 3 units, delay 0 means 10; 12 ms a unit. The
    // first frame is shown at once.
    EXPECT_EQ(Log.Waits, (std::vector<int64_t>{36, 120, 600, 36}));
    EXPECT_EQ(Target.pixel(0, 0), ColourOf(1));
    EXPECT_EQ(Target.pixel(2, 0), ColourOf(3));

    Reset();
    Image.AnimationSpeed = 200;
    Play(GIFDrawFlagsDefault, 3);
    EXPECT_EQ(Log.Waits, (std::vector<int64_t>{18, 60, 300}));

    Reset();
    Image.AnimationSpeed = 50;
    Play(GIFDrawFlagsDefault, 3);
    EXPECT_EQ(Log.Waits, (std::vector<int64_t>{72, 240, 1200}));

    // Speed 0 holds the first frame until the painter is stopped.
    Reset();
    Image.AnimationSpeed = 0;
    Play(GIFDrawFlagsDefault, 1);
    EXPECT_EQ(Log.Waits, (std::vector<int64_t>{-1}));
    EXPECT_EQ(Painted, 1);

    // A negative speed plays without waiting.
    Reset();
    Image.AnimationSpeed = -1;
    Image.OnAfterPaint = [this](TGIFPainter& painter) {
        if (Painted == 7) painter.Stop();
    };
    Play(GIFDrawFlagsDefault);
    EXPECT_TRUE(Log.Waits.empty());
    EXPECT_EQ(Painted, 7);
}

TEST_F(GIFPainterTest, DrawingTimeIsTakenOffTheNextWaitsAndALateFrameIsCaughtUp) {
    SetLoops(0);
    Image.OnAfterPaint = [this](TGIFPainter&) { Log.Now += 20; };
    Play(GIFDrawFlagsDefault, 2);
    EXPECT_EQ(Log.Waits, (std::vector<int64_t>{26, 110}));

    // A frame 100 ms late: its wait of -14 is not waited, and is carried
    // into the next one, which is shortened by half of the lateness.
    Reset();
    Image.OnAfterPaint = [this](TGIFPainter&) { Log.Now += 100; };
    Play(GIFDrawFlagsDefault, 2);
    EXPECT_EQ(Log.Waits, (std::vector<int64_t>{63, 550}));
}

TEST_F(GIFPainterTest, LoopCountDecidesThePasses) {
    // Without a looping extension: one pass.
    Play(GIFDrawFlagsDefault);
    EXPECT_EQ(Painted, 3);
    EXPECT_EQ(Loops, 0);
    EXPECT_EQ(Ended, 1);

    // Count 1: one pass; count 2: two passes, the second from the frame
    // that holds the looping extension.
    SetLoops(1, 1);
    Reset();
    Play(GIFDrawFlagsDefault);
    EXPECT_EQ(Shown, (std::vector<int>{0, 1, 2}));
    Image.Images[1].Extensions.Delete(Image.Images[1].Extensions.Count() - 1);
    SetLoops(2, 1);
    EXPECT_EQ(Image.LoopCount(), 2);
    EXPECT_EQ(Image.LoopStartFrame(), 1);
    Reset();
    Play(GIFDrawFlagsDefault);
    EXPECT_EQ(Shown, (std::vector<int>{0, 1, 2, 1, 2}));
    EXPECT_EQ(Loops, 1);

    // Count 0 without DrawAsync plays once; with it, for ever.
    Image.Images[1].Extensions.Delete(Image.Images[1].Extensions.Count() - 1);
    SetLoops(0);
    Reset();
    Play(DrawAnimate | DrawLoop);
    EXPECT_EQ(Painted, 3);
    Reset();
    Play(GIFDrawFlagsDefault, 10);
    EXPECT_EQ(Painted, 10);
    EXPECT_EQ(Loops, 3);
}

TEST_F(GIFPainterTest, NotificationsGetThePainterAndMayChooseTheNextFrame) {
    std::vector<int> after;
    Image.OnAfterPaint = [&](TGIFPainter& painter) {
        after.push_back(painter.CurrentFrame());
        if (painter.CurrentFrame() == 0) painter.SetCurrentFrame(2);
    };
    int started = 0;
    Image.OnStartPaint = [&](TGIFPainter& painter) {
        EXPECT_EQ(painter.Image(), &Image);
        EXPECT_EQ(painter.CurrentFrame(), 0);
        ++started;
    };
    Play(GIFDrawFlagsDefault);
    EXPECT_EQ(started, 1);
    EXPECT_EQ(Shown, (std::vector<int>{0, 2}));
    EXPECT_EQ(after, (std::vector<int>{0, 2}));
}

TEST_F(GIFPainterTest, APainterThreadRunsAtTheImagesPriority) {
    Image.ThreadPriority = TGIFThreadPriority::Lowest;
    TGIFPainter* painter = Image.Paint(nullptr, Canvas, GIFDrawFlagsDefault, {0, 0, 4, 2});
    ASSERT_NE(painter, nullptr);
    std::atomic<int> nice{-100};
    Log.OnWait = [&] {
        nice = getpriority(PRIO_PROCESS, static_cast<id_t>(gettid()));
        painter->Stop();
    };
    painter->Start();
    while (Image.PainterCount() > 0)
        if (!CheckSynchronize()) std::this_thread::yield();
    Log.OnWait = nullptr;
    EXPECT_EQ(nice, 10);
}

TEST_F(GIFPainterTest, WithoutAnApplicationTheUIThreadRaisesAKeptFailureWhenItDestroysThePainter) {
    Image.OnPaint = [](TGIFPainter& painter) {
        if (painter.CurrentFrame() == 1) throw EInvalidGraphicOperation("Canvas does not allow drawing");
    };
    TGIFPainter* painter = Image.Paint(nullptr, Canvas, GIFDrawFlagsDefault, {0, 0, 4, 2});
    ASSERT_NE(painter, nullptr);
    painter->Start();
    // This test's own thread is the UI thread: it runs the hand-overs, and
    // the painter's destruction among them. A guard ends the loop should the
    // failure be lost.
    std::string raised;
    const auto guard = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (raised.empty() && std::chrono::steady_clock::now() < guard) {
        try {
            if (!CheckSynchronize()) std::this_thread::yield();
        } catch (const EInvalidGraphicOperation& e) {
            raised = e.what();
        }
    }
    EXPECT_EQ(raised, "Canvas does not allow drawing");
    EXPECT_EQ(Image.PainterCount(), 0);
    EXPECT_EQ(Target.pixel(0, 0), ColourOf(1));
    EXPECT_NE(Target.pixel(1, 0), ColourOf(2)) << "nothing drawn after the failure";
}

TEST_F(GIFPainterTest, WithoutAThreadThePainterPlaysInTheCallAndRaisesItsFailure) {
    Play(DrawAnimate | DrawTransparent);
    EXPECT_EQ(Painted, 3);
    EXPECT_EQ(Image.PainterCount(), 0);
    EXPECT_EQ(Target.pixel(2, 0), ColourOf(3));
    // Slept in slices of at most 100 ms.
    EXPECT_EQ(Log.Waits, (std::vector<int64_t>{12, 36, 100, 20}));

    Image.OnPaint = [](TGIFPainter&) { throw EInvalidGraphicOperation("broken canvas"); };
    EXPECT_EQ(GIFErrorOf([&] { Image.Paint(nullptr, Canvas, DrawAnimate, {0, 0, 4, 2}); }), "broken canvas");
    EXPECT_EQ(Image.PainterCount(), 0);
}

TEST_F(GIFPainterTest, APictureOfOneFrameIsDrawnOnceWithoutAThread) {
    TGIFImage single;
    MakeScreen(single);
    AddControlledFrame(single, 0, 0, 1, 1, {2}, 1, 5);
    single.PainterTimerFactory = Image.PainterTimerFactory;
    int painted = 0;
    single.OnPaint = [&](TGIFPainter&) { ++painted; };
    EXPECT_EQ(single.Paint(nullptr, Canvas, GIFDrawFlagsDefault, {0, 0, 4, 2}), nullptr);
    EXPECT_EQ(painted, 1);
    EXPECT_EQ(Target.pixel(0, 0), ColourOf(2));
    EXPECT_EQ(single.Paint(nullptr, Canvas, GIFDrawFlagsDefault, {0, 0, 0, 2}), nullptr) << "no area";
    EXPECT_EQ(painted, 1);
}
