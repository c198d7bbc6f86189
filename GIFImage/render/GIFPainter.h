#pragma once
// Plays an animated picture: steps through the frames, waits each frame's
// delay, repeats as the looping extension says and draws each frame onto a
// canvas through a composer. With DrawAsync it runs on a thread of its own
// that only keeps time and sequence; every drawing step and notification is
// handed to the UI thread with Synchronize. Painters are made by
// TGIFImage::Paint and end by themselves: an async painter, once it has left
// its image, is destroyed on the UI thread, where a failure it kept is
// raised again: from the application's event loop, or without an
// application from the UI thread's next CheckSynchronize().

#include "GIFPainterTimer.h"
#include "GIFTypes.h"
#include "GIFWireFormat.h"
#include "Geometry.h"

#include <atomic>
#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <thread>
#include <vector>

class TCanvas;
class TGIFImage;
class TGIFComposer;

// What the painter needs to know of a frame, taken when it is made, so that
// the thread reads nothing of the picture's model while it plays.
struct TGIFFrameStep {
    int Delay = 0;           // of the graphic control, hundredths
    bool HasControl = false; // the frame has a graphic control
    // Disposal of that graphic control; values 4 to 7 are kept as read.
    TGIFDisposal ControlDisposal = TGIFDisposal::Unspecified;
    uint8_t Disposal = 1; // the last graphic control's disposal, 1 without
    bool Empty = true;
};

struct TGIFSchedule {
    std::vector<TGIFFrameStep> Frames;
    int LoopStart = -1; // the frame with the first looping extension
    int LoopCount = 0;
};

class TGIFPainter {
public:
    using TNotify = std::function<void(TGIFPainter&)>;

    TGIFPainter(const TGIFPainter&) = delete;
    TGIFPainter& operator=(const TGIFPainter&) = delete;

    // Starts the thread of a painter with DrawAsync.
    void Start();
    // Marks the painter terminated, wakes it from its wait and, when it was
    // never started, lets its thread run to its end. Nothing is drawn after
    // this returns on the UI thread.
    void Stop();

    TGIFImage* Image() const { return Owner; }
    TCanvas& Canvas() const { return Target; }
    const TRect& Rect() const { return TargetRect; }
    uint16_t DrawFlags() const { return Flags; }
    int Speed() const { return AnimationSpeed; }
    // The scheduling priority of the painter's thread, taken from the image
    // when the painter is made; stopping raises it back to normal so that the
    // thread ends promptly.
    TGIFThreadPriority Priority = TGIFThreadPriority::Normal;
    const TGIFSchedule& Schedule() const { return Steps; }
    bool Terminated() const { return IsTerminated; }
    bool Finished() const { return IsFinished; }
    // Set once the first frame has been drawn.
    bool Started() const { return HasStarted; }
    // The frame being shown; -1 before the start and after the end. A
    // notification may set it to choose the next frame.
    int CurrentFrame() const { return Current; }
    void SetCurrentFrame(int index) { Current = index; }
    // A failure met while playing, raised again when the painter is destroyed.
    std::exception_ptr Failure() const { return Error; }

    // The notifications, copied from the image.
    TNotify OnStartPaint, OnPaint, OnAfterPaint, OnLoop, OnEndPaint;
    // Called on the UI thread after each frame drawn onto the target.
    std::function<void()> OnTargetChanged;

private:
    friend class TGIFImage;

    TGIFPainter(TGIFImage& image, TCanvas& canvas, const TRect& rect, uint16_t drawFlags,
                TGIFPainter** reference, std::unique_ptr<TGIFPainterTimer> timer);
    ~TGIFPainter();
    // Destroys the painter and raises again the failure it kept.
    static void Destroy(TGIFPainter* painter);

    // The thread's run: passes and frames, then the leaving.
    void Execute();
    void Play();
    void Leave();
    // Runs fn on the UI thread (directly without DrawAsync) unless the
    // painter has been stopped.
    void HandOver(const std::function<void()>& fn);
    void Notify(const TNotify& callback);
    // Waits out the delay of the frame before, given in units.
    void WaitBeforeFrame(int units);
    void SleepWithoutThread(int64_t ms);
    void DrawFrame(int index, int disposal, int previousDisposal);

    TGIFImage* Owner;
    TCanvas& Target;
    TRect TargetRect;
    uint16_t Flags;
    int32_t AnimationSpeed;
    TGIFPainter** Reference;
    TGIFSchedule Steps;
    std::unique_ptr<TGIFPainterTimer> Timer;
    std::unique_ptr<TGIFComposer> Composer;
    std::weak_ptr<const void> CanvasHandle;
    std::thread Thread;
    bool Resumed = false;
    // The kernel's id of the running thread, 0 when none runs.
    std::atomic<int> ThreadId{0};
    std::atomic<bool> IsTerminated{false};
    std::atomic<bool> IsFinished{false};
    std::atomic<bool> HasStarted{false};
    std::atomic<int> Current{-1};
    std::exception_ptr Error;
    int32_t PreviousTime = 0;
    int32_t CarriedWait = 0;
};
