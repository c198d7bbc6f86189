#pragma once
// The clock and the wait of an animation painter. The painter keeps time only
// through this, so that a replacement can step animations without waiting.

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>

class TGIFPainterTimer {
public:
    virtual ~TGIFPainterTimer() = default;
    // Milliseconds on a clock that only moves forward.
    virtual int64_t NowMs() = 0;
    // Waits ms milliseconds (for ever when negative) or until Wake; returns
    // true when woken early. A wake that comes before the wait ends the next
    // wait at once.
    virtual bool WaitFor(int64_t ms) = 0;
    virtual void Wake() = 0;
};

// The steady clock and a wake-up event.
class TGIFSystemTimer : public TGIFPainterTimer {
public:
    TGIFSystemTimer();
    int64_t NowMs() override;
    bool WaitFor(int64_t ms) override;
    void Wake() override;

private:
    std::mutex Lock;
    std::condition_variable Signal;
    bool Woken = false;
};

// Keeps time without waiting: each wait only moves the clock on, so a painter
// without a thread plays a whole animation at once (rendering to files).
class TGIFInstantTimer : public TGIFPainterTimer {
public:
    int64_t NowMs() override { return Now; }
    bool WaitFor(int64_t ms) override {
        if (ms > 0) Now += ms;
        return false;
    }
    void Wake() override {}

private:
    int64_t Now = 0;
};

using TGIFPainterTimerFactory = std::function<std::unique_ptr<TGIFPainterTimer>()>;
