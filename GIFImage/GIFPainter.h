#pragma once
// Plays an animated picture: steps through the frames, waits each frame's
// delay, repeats as the looping extension says and draws each frame onto a
// target image through a composer. With DrawAsync it runs on a thread of its
// own that only keeps time; every drawing step and notification is handed to
// the UI thread with Synchronize.

#include "GIFPainterTimer.h"
#include "Geometry.h"

#include <QImage>
#include <atomic>
#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <thread>

class TGIFImage;
class TGIFComposer;

class TGIFPainter {
public:
    // Takes the target's rect as the ground under the picture (UI thread).
    // target must stay until the painter has ended (Stop and WaitFor).
    TGIFPainter(TGIFImage& image, QImage& target, const TRect& rect, uint16_t drawFlags,
                std::unique_ptr<TGIFPainterTimer> timer = nullptr);
    // Stops and waits for the thread.
    ~TGIFPainter();
    TGIFPainter(const TGIFPainter&) = delete;
    TGIFPainter& operator=(const TGIFPainter&) = delete;

    // Starts the painter's thread.
    void Start();
    // Plays in the calling thread to the end (or until stopped).
    void Run();
    // Asks the painter to end and wakes it from its wait; nothing is drawn
    // after this returns on the UI thread.
    void Stop();
    // Waits until the thread has ended, running the hand-overs of painters
    // meanwhile when called on the UI thread, so that no wait can deadlock.
    void WaitFor();

    bool Terminated() const { return IsTerminated; }
    bool Finished() const { return IsFinished; }
    // Set once the first frame has been drawn.
    bool Started() const { return HasStarted; }
    // The frame being shown; -1 before the start and after the end.
    int CurrentFrame() const { return Current; }
    const TRect& Rect() const { return TargetRect; }
    // Called on the UI thread after each frame drawn (the image uses it to
    // tell its holder that the picture changed).
    std::function<void()> OnFrameDrawn;
    // A failure met while playing, kept for the thread that ends the painter.
    std::exception_ptr Failure() const { return Error; }

private:
    void Execute();
    void Play();
    // Runs fn on the UI thread unless the painter has been stopped.
    void HandOver(const std::function<void()>& fn);
    void Notify(const std::function<void(TGIFImage&)>& callback);
    // Waits out the delay of the frame before, given in units.
    void WaitBeforeFrame(int units);

    TGIFImage& Image;
    TRect TargetRect;
    uint16_t Flags;
    int32_t Speed;
    std::unique_ptr<TGIFPainterTimer> Timer;
    std::unique_ptr<TGIFComposer> Composer;
    std::thread Thread;
    std::atomic<bool> IsTerminated{false};
    std::atomic<bool> IsFinished{false};
    std::atomic<bool> HasStarted{false};
    std::atomic<int> Current{-1};
    std::exception_ptr Error;
    // The image's notifications, copied at creation.
    std::function<void(TGIFImage&)> OnStartPaint, OnPaint, OnAfterPaint, OnLoop, OnEndPaint;
    int64_t PreviousTime = 0;
    int64_t CarriedWait = 0;
};
