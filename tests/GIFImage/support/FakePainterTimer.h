#pragma once
// A painter timer that never waits: each wait is logged and moves the clock.

#include "GIFPainterTimer.h"

#include <atomic>
#include <functional>
#include <vector>

// Shared with the test while the painter owns the timer.
struct TimerLog {
    std::atomic<int64_t> Now{0};
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
