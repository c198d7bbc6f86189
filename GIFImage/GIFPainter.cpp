#include "GIFPainter.h"

#include "GIFAppExtNSLoop.h"
#include "GIFComposer.h"
#include "GIFDrawFlags.h"
#include "GIFGraphicControlExtension.h"
#include "GIFImage.h"
#include "GIFSubImage.h"
#include "Synchronize.h"

#include <algorithm>

namespace {

// a / b rounded to the nearest integer, halves away from zero.
int64_t RoundDiv(int64_t a, int64_t b) {
    return (a >= 0 ? a + b / 2 : a - b / 2) / b;
}

} // namespace

TGIFPainter::TGIFPainter(TGIFImage& image, QImage& target, const TRect& rect, uint16_t drawFlags,
                         std::unique_ptr<TGIFPainterTimer> timer)
    : Image(image), TargetRect(rect), Flags(drawFlags), Speed(image.AnimationSpeed),
      Timer(timer ? std::move(timer) : std::make_unique<TGIFSystemTimer>()),
      Composer(std::make_unique<TGIFComposer>(image, target, rect, drawFlags)),
      OnStartPaint(image.OnStartPaint), OnPaint(image.OnPaint), OnAfterPaint(image.OnAfterPaint),
      OnLoop(image.OnLoop), OnEndPaint(image.OnEndPaint) {}

TGIFPainter::~TGIFPainter() {
    Stop();
    WaitFor();
}

void TGIFPainter::Start() {
    if (!Thread.joinable() && !IsFinished) Thread = std::thread([this] { Execute(); });
}

void TGIFPainter::Run() {
    Execute();
}

void TGIFPainter::Stop() {
    IsTerminated = true;
    Timer->Wake();
}

void TGIFPainter::WaitFor() {
    if (!Thread.joinable()) return;
    // The painter may be blocked on a hand-over to this very thread.
    while (!IsFinished) {
        if (IsMainThread()) CheckSynchronize();
        std::this_thread::yield();
    }
    Thread.join();
}

void TGIFPainter::Execute() {
    try {
        Play();
    } catch (...) {
        IsTerminated = true;
        Error = std::current_exception();
    }
    IsFinished = true;
}

void TGIFPainter::HandOver(const std::function<void()>& fn) {
    // The stop flag is looked at on the UI thread, which is where stopping
    // happens: a step already on its way when the painter is stopped finds
    // it set and leaves the target alone.
    Synchronize([&] {
        if (!IsTerminated) fn();
    });
}

void TGIFPainter::Notify(const std::function<void(TGIFImage&)>& callback) {
    if (callback) HandOver([&] { callback(Image); });
}

void TGIFPainter::WaitBeforeFrame(int units) {
    const bool async = Flags & DrawAsync;
    int64_t wait;
    const int64_t now = Timer->NowMs();
    if (Speed < 1) {
        wait = async ? -1 : int64_t{DelayMaximum} * DelayUnitMs;
    } else {
        // Half of the time spent since the last wait is taken off this one.
        const int64_t elapsed = now - PreviousTime - CarriedWait;
        wait = RoundDiv((int64_t{units} * DelayUnitMs - elapsed / 2) * 100, Speed);
        CarriedWait = std::max<int64_t>(wait, 0);
    }
    PreviousTime = now;
    if (!async) wait = std::max<int64_t>(wait, 1);
    if (wait > 0 || Speed == 0 || !async) {
        if (Timer->WaitFor(wait)) {
            CarriedWait = 0;
            PreviousTime = Timer->NowMs();
        }
    }
}

void TGIFPainter::Play() {
    const bool async = Flags & DrawAsync;
    const bool animate = Flags & DrawAnimate;
    const int count = Image.Images.Count();
    Current = 0;
    Notify(OnStartPaint);
    int passes = 1;
    int loopStart = 0;
    bool loopSeen = false;
    int wait = async ? 0 : 1;
    int previousDisposal = 1;
    PreviousTime = Timer->NowMs();
    CarriedWait = 0;
    while ((passes != 0 || (Flags & DrawLoopForever)) && !IsTerminated) {
        Current = loopStart;
        if (HasStarted) Notify(OnLoop);
        bool drawn = false;
        for (;;) {
            if (Current >= count || IsTerminated || Image.Images[Current].Empty()) break;
            if (wait < 1)
                std::this_thread::yield();
            else
                WaitBeforeFrame(wait);
            if (IsTerminated) break;
            Notify(OnPaint);
            if (IsTerminated) break;

            const int index = Current;
            TGIFSubImage& frame = Image.Images[index];
            int disposal = 1;
            for (const auto& extension : frame.Extensions) {
                if (auto* loop = dynamic_cast<TGIFAppExtNSLoop*>(extension.get())) {
                    if (loopSeen) continue;
                    loopSeen = true;
                    loopStart = index;
                    passes = loop->Loops;
                    if (async && (passes == 0 || (Flags & DrawLoopForever))) passes = -1;
                } else if (auto* control = dynamic_cast<TGIFGraphicControlExtension*>(extension.get())) {
                    disposal = static_cast<int>(control->Disposal());
                }
            }
            const int previous = previousDisposal;
            HandOver([&] {
                Composer->DrawFrame(index, disposal, previous);
                HasStarted = true;
                if (OnFrameDrawn) OnFrameDrawn();
            });
            drawn = true;
            previousDisposal = disposal;
            if (IsTerminated) break;

            wait = DelayDefault;
            const TGIFGraphicControlExtension* control = frame.GraphicControlExtension();
            if (control && control->Delay() > 0) {
                wait = std::max<int>(control->Delay(), DelayMinimum);
                if (!async) wait = std::min(wait, DelayMaximum);
            }
            Notify(OnAfterPaint);
            if (IsTerminated) break;
            if (Current == index) Current = index + 1;
            if (!animate) break;
        }
        if (passes > 0) --passes;
        if (!(animate && (Flags & DrawLoop))) break;
        // A pass that shows nothing would repeat without ever waiting.
        if (!drawn) break;
    }
    Current = -1;
    Notify(OnEndPaint);
}
