#include "GIFPainterTimer.h"

#include <chrono>

TGIFSystemTimer::TGIFSystemTimer() = default;

int64_t TGIFSystemTimer::NowMs() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

bool TGIFSystemTimer::WaitFor(int64_t ms) {
    std::unique_lock guard(Lock);
    bool woken;
    if (ms < 0) {
        Signal.wait(guard, [this] { return Woken; });
        woken = true;
    } else {
        woken = Signal.wait_for(guard, std::chrono::milliseconds(ms), [this] { return Woken; });
    }
    Woken = false; // the event resets itself
    return woken;
}

void TGIFSystemTimer::Wake() {
    {
        std::lock_guard guard(Lock);
        Woken = true;
    }
    Signal.notify_all();
}
