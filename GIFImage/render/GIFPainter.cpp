#include "GIFPainter.h"

#include "Canvas.h"
#include "GIFComposer.h"
#include "GIFDrawFlags.h"
#include "GIFGraphicControlExtension.h"
#include "GIFImage.h"
#include "GIFSubImage.h"
#include "Synchronize.h"

#include <QCoreApplication>
#include <QMetaObject>

#include <algorithm>
#include <limits>

#include <sys/resource.h>
#include <unistd.h>

namespace {

// The nice value of a thread of the given priority. Raising a thread above
// normal needs the privilege to; without it the thread stays at normal.
int NiceOf(TGIFThreadPriority priority) {
    switch (priority) {
    case TGIFThreadPriority::Idle:
        return 19;
    case TGIFThreadPriority::Lowest:
        return 10;
    case TGIFThreadPriority::Lower:
        return 5;
    case TGIFThreadPriority::Normal:
        return 0;
    case TGIFThreadPriority::Higher:
        return -5;
    case TGIFThreadPriority::Highest:
        return -10;
    case TGIFThreadPriority::TimeCritical:
        return -20;
    }
    return 0;
}

void SetThreadNice(int threadId, int nice) {
    if (threadId != 0) setpriority(PRIO_PROCESS, static_cast<id_t>(threadId), nice);
}

// The window colour of the platform, for pictures without a global table.
constexpr TColor WindowColour = clWhite;

// a / b rounded to the nearest integer, halves away from zero.
int64_t RoundDiv(int64_t a, int64_t b) {
    return (a >= 0 ? a + b / 2 : a - b / 2) / b;
}

TGIFSchedule ScheduleOf(TGIFImage& image) {
    TGIFSchedule schedule;
    for (const auto& frame : image.Images) {
        TGIFFrameStep step;
        step.Empty = frame->Empty();
        if (const TGIFGraphicControlExtension* control = frame->GraphicControlExtension()) {
            step.HasControl = true;
            step.Delay = control->Delay();
            step.ControlDisposal = control->Disposal();
        }
        // The frame's extensions are walked in order: the last graphic
        // control decides the disposal.
        for (const auto& extension : frame->Extensions)
            if (const auto* control = dynamic_cast<const TGIFGraphicControlExtension*>(extension.get()))
                step.Disposal = static_cast<uint8_t>(control->Disposal());
        schedule.Frames.push_back(step);
    }
    schedule.LoopStart = image.LoopStartFrame();
    schedule.LoopCount = std::max(image.LoopCount(), 0);
    return schedule;
}

// Owns a painter that has left its image until the UI thread destroys it;
// a disposal that never ran (the application or the process ended first)
// frees it quietly.
struct TPainterDisposal {
    std::function<void()> Destroy;
    std::function<void()> Discard;
    ~TPainterDisposal() {
        if (Discard) Discard();
    }
};

} // namespace

// ---------------------------------------------------------------------------
// The image's painters.

TGIFPainter* TGIFImage::Paint(TGIFPainter** reference, TCanvas& canvas, uint16_t drawFlags,
                              const TRect& rect) {
    if (Images.Count() == 0 || rect.IsEmpty()) return nullptr;
    if (Images.Count() == 1) drawFlags &= static_cast<uint16_t>(~(DrawAsync | DrawAnimate));
    auto* painter = new TGIFPainter(*this, canvas, rect, drawFlags, reference,
                                    PainterTimerFactory ? PainterTimerFactory() : nullptr);
    {
        std::lock_guard guard(PainterLock);
        Painters.push_back(painter);
    }
    painter->OnStartPaint = OnStartPaint;
    painter->OnPaint = OnPaint;
    painter->OnAfterPaint = OnAfterPaint;
    painter->OnLoop = OnLoop;
    painter->OnEndPaint = OnEndPaint;
    if (drawFlags & DrawAsync) {
        painter->Priority = ThreadPriority;
        return painter;
    }
    painter->Execute();
    if (reference) *reference = nullptr;
    TGIFPainter::Destroy(painter);
    return nullptr;
}

void TGIFImage::WaitForPainters(const std::function<bool()>& stopSome) {
    for (;;) {
        {
            std::lock_guard guard(PainterLock);
            if (!stopSome()) break;
        }
        // A painter may be blocked on a hand-over to this very thread.
        if (!IsMainThread() || !CheckSynchronize(false)) std::this_thread::yield();
    }
    DropComposedBitmap();
}

void TGIFImage::StopPainters() {
    WaitForPainters([this] {
        bool async = false;
        for (auto it = Painters.rbegin(); it != Painters.rend(); ++it) {
            (*it)->Stop();
            async = async || ((*it)->DrawFlags() & DrawAsync);
        }
        // A painter without DrawAsync runs further up this very thread.
        return async;
    });
}

void TGIFImage::StopFramePainter() {
    WaitForPainters([this] {
        if (!Painter) return false;
        Painter->Stop();
        return (Painter->DrawFlags() & DrawAsync) != 0;
    });
}

int TGIFImage::PainterCount() {
    std::lock_guard guard(PainterLock);
    return static_cast<int>(Painters.size());
}

// ---------------------------------------------------------------------------
// The painter.

TGIFPainter::TGIFPainter(TGIFImage& image, TCanvas& canvas, const TRect& rect, uint16_t drawFlags,
                         TGIFPainter** reference, std::unique_ptr<TGIFPainterTimer> timer)
    : Owner(&image), Target(canvas), TargetRect(rect), Flags(drawFlags), AnimationSpeed(image.AnimationSpeed),
      Reference(reference), Steps(ScheduleOf(image)),
      Timer(timer ? std::move(timer) : std::make_unique<TGIFSystemTimer>()), CanvasHandle(canvas.Handle()) {
    TColor ground;
    if (image.DrawBackgroundColor != clNoneColor)
        ground = image.DrawBackgroundColor;
    else if (image.Header.ColorMap.Count() == 0)
        ground = WindowColour;
    else
        ground = image.BackgroundColor();
    bool restores = Flags & DrawClearOnLoop;
    bool restoresPrevious = false;
    for (const TGIFFrameStep& step : Steps.Frames) {
        if (!step.HasControl) continue;
        restores = restores || step.ControlDisposal == TGIFDisposal::RestoreBackground;
        restoresPrevious = restoresPrevious || step.ControlDisposal == TGIFDisposal::RestorePrevious;
    }
    Composer = std::make_unique<TGIFComposer>(image, canvas, rect, Flags, restores, restoresPrevious, ground);
    if (Reference) *Reference = this;
}

TGIFPainter::~TGIFPainter() = default;

void TGIFPainter::Destroy(TGIFPainter* painter) {
    if (painter->Thread.joinable()) painter->Thread.join();
    painter->Leave();
    const std::exception_ptr failure = painter->Error;
    delete painter;
    if (failure) std::rethrow_exception(failure);
}

void TGIFPainter::Start() {
    if (!(Flags & DrawAsync) || Resumed) return;
    Resumed = true;
    Thread = std::thread([this] {
        ThreadId = static_cast<int>(gettid());
        if (!IsTerminated) SetThreadNice(ThreadId, NiceOf(Priority));
        Execute();
        ThreadId = 0;
        auto disposal = std::make_shared<TPainterDisposal>();
        disposal->Discard = [this] {
            if (Thread.joinable()) Thread.join();
            delete this;
        };
        disposal->Destroy = [this, d = disposal.get()] {
            d->Discard = nullptr;
            Destroy(this);
        };
        // The destruction is handed to the UI thread before the painter
        // leaves the image's list, so that a list without painters means
        // every departed painter's destruction, and failure, is waiting
        // there. Without an application the UI thread destroys the painter
        // the next time it runs pending hand-overs.
        if (QCoreApplication* app = QCoreApplication::instance())
            QMetaObject::invokeMethod(
                app, [disposal] { disposal->Destroy(); }, Qt::QueuedConnection);
        else
            Queue([disposal] { disposal->Destroy(); });
        Leave();
    });
}

void TGIFPainter::Stop() {
    IsTerminated = true;
    if (!(Flags & DrawAsync)) return;
    SetThreadNice(ThreadId, 0);
    Timer->Wake();
    // A painter never started still has to run to its end to leave.
    Start();
}

void TGIFPainter::Leave() {
    TGIFImage* image = Owner;
    if (!image) return;
    {
        std::lock_guard guard(image->PainterLock);
        if (Reference && *Reference == this) *Reference = nullptr;
        std::erase(image->Painters, this);
        Owner = nullptr;
    }
    Composer.reset();
    IsFinished = true;
}

void TGIFPainter::Execute() {
    try {
        Play();
    } catch (...) {
        IsTerminated = true;
        Error = std::current_exception();
    }
}

void TGIFPainter::HandOver(const std::function<void()>& fn) {
    // The stop flag is looked at on the UI thread, which is where stopping
    // happens: a step already on its way when the painter is stopped finds
    // it set and leaves the target alone.
    auto guarded = [&] {
        if (!IsTerminated) fn();
    };
    if (Flags & DrawAsync)
        Synchronize(guarded);
    else
        guarded();
}

void TGIFPainter::Notify(const TNotify& callback) {
    if (callback) HandOver([&] { callback(*this); });
}

void TGIFPainter::WaitBeforeFrame(int units) {
    const bool async = Flags & DrawAsync;
    const int64_t now = Timer->NowMs();
    int64_t wait;
    if (AnimationSpeed < 1) {
        wait = async ? -1 : int64_t{DelayMaximum} * DelayUnitMs;
    } else {
        // Half of the time spent since the last wait is taken off this one;
        // a frame that came late shortens the next waits until the
        // animation has caught up.
        const int64_t elapsed = now - PreviousTime - CarriedWait;
        wait = RoundDiv((int64_t{units} * DelayUnitMs - elapsed / 2) * 100, AnimationSpeed);
        if (wait < std::numeric_limits<int32_t>::min() || wait > std::numeric_limits<int32_t>::max()) {
            wait = int64_t{DelayMaximum} * DelayUnitMs;
            CarriedWait = 0;
        } else {
            CarriedWait = static_cast<int32_t>(wait);
        }
    }
    PreviousTime = static_cast<int32_t>(now);
    if (!async) {
        SleepWithoutThread(std::max<int64_t>(wait, 1));
        return;
    }
    if (wait > 0 || AnimationSpeed == 0) {
        if (Timer->WaitFor(wait)) {
            CarriedWait = 0;
            PreviousTime = static_cast<int32_t>(Timer->NowMs());
        }
    }
}

void TGIFPainter::SleepWithoutThread(int64_t ms) {
    // In slices, so that the windows stay alive while the caller's thread
    // sleeps.
    while (ms > 0 && !IsTerminated) {
        const int64_t before = Timer->NowMs();
        Timer->WaitFor(std::min<int64_t>(ms, 100));
        ms -= std::max<int64_t>(Timer->NowMs() - before, 1);
        if (IsMainThread() && QCoreApplication::instance()) QCoreApplication::processEvents();
    }
}

void TGIFPainter::DrawFrame(int index, int disposal, int previousDisposal) {
    HandOver([&] {
        TGIFImage* image = Owner;
        if (!image || index >= image->Images.Count()) return;
        if ((Flags & DrawCheckCanvas) && CanvasHandle.expired()) {
            // The target has gone away.
            IsTerminated = true;
            return;
        }
        Composer->DrawFrame(index, disposal, previousDisposal);
        // The frame's 32-bit copies are made again when it comes round, so
        // that an animation holds no more than its frames' bitmaps.
        image->Images[index].FreeDrawingImages();
        HasStarted = true;
        if (OnTargetChanged) OnTargetChanged();
    });
}

void TGIFPainter::Play() {
    const bool async = Flags & DrawAsync;
    const bool animate = Flags & DrawAnimate;
    const int count = static_cast<int>(Steps.Frames.size());
    Current = 0;
    Notify(OnStartPaint);
    HasStarted = false;
    int passes = 1;
    int loopStart = 0;
    bool loopSeen = false;
    int wait = async ? 0 : 1;
    int previousDisposal = 1;
    PreviousTime = static_cast<int32_t>(Timer->NowMs());
    CarriedWait = 0;
    while ((passes != 0 || (Flags & DrawLoopForever)) && !IsTerminated) {
        Current = loopStart;
        if (HasStarted) Notify(OnLoop);
        bool drawn = false;
        do {
            int index = Current;
            if (index < 0 || index >= count || IsTerminated || Steps.Frames[index].Empty) break;
            if (wait < 1) {
                std::this_thread::yield();
            } else {
                // The bitmap is built before the wait, so that the frame
                // shows on time; on the UI thread, which alone touches the
                // frame's caches.
                HandOver([&] {
                    if (Owner && index < Owner->Images.Count()) Owner->Images[index].Bitmap();
                });
                WaitBeforeFrame(wait);
            }
            if (IsTerminated) break;
            Notify(OnPaint);
            if (IsTerminated) break;
            index = Current;
            if (index < 0 || index >= count) break;
            const TGIFFrameStep& step = Steps.Frames[index];
            if (!loopSeen && index == Steps.LoopStart) {
                loopSeen = true;
                loopStart = index;
                passes = Steps.LoopCount;
                if (async && (passes == 0 || (Flags & DrawLoopForever))) passes = -1;
            }
            DrawFrame(index, step.Disposal, previousDisposal);
            drawn = true;
            previousDisposal = step.Disposal;
            if (IsTerminated) break;

            wait = DelayDefault;
            if (step.HasControl && step.Delay > 0) {
                wait = std::max(step.Delay, DelayMinimum);
                if (!async) wait = std::min(wait, DelayMaximum);
            }
            Notify(OnAfterPaint);
            if (IsTerminated) break;
            if (Current == index) Current = index + 1;
        } while (animate);
        if (passes > 0) --passes;
        if (!(animate && (Flags & DrawLoop))) break;
        // A pass that shows nothing would repeat at once, for ever.
        if (!drawn) break;
    }
    Current = -1;
    Notify(OnEndPaint);
}
