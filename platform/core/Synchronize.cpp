#include "Synchronize.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <condition_variable>
#include <deque>
#include <exception>
#include <mutex>
#include <thread>

namespace {

struct HandOver {
    std::function<void()> Call;
    std::exception_ptr Error;
    bool Done = false;
};

std::mutex Lock;
std::condition_variable DoneSignal;
// Calls that a thread waits for, and calls that nobody waits for.
std::deque<HandOver*> Pending;
std::deque<std::function<void()>> Queued;

std::thread::id MainThreadId = std::this_thread::get_id();

// An application's event loop runs the pending hand-overs.
void WakeEventLoop() {
    if (QCoreApplication* app = QCoreApplication::instance())
        QMetaObject::invokeMethod(
            app, [] { CheckSynchronize(); }, Qt::QueuedConnection);
}

} // namespace

void SetMainThread() {
    MainThreadId = std::this_thread::get_id();
}

bool IsMainThread() {
    return std::this_thread::get_id() == MainThreadId;
}

void Synchronize(const std::function<void()>& fn) {
    if (IsMainThread()) {
        fn();
        return;
    }
    HandOver item{fn, nullptr, false};
    {
        std::lock_guard guard(Lock);
        Pending.push_back(&item);
    }
    WakeEventLoop();
    std::unique_lock wait(Lock);
    DoneSignal.wait(wait, [&] { return item.Done; });
    if (item.Error) std::rethrow_exception(item.Error);
}

void Queue(std::function<void()> fn) {
    {
        std::lock_guard guard(Lock);
        Queued.push_back(std::move(fn));
    }
    WakeEventLoop();
}

bool CheckSynchronize(bool queued) {
    bool ran = false;
    for (;;) {
        HandOver* item = nullptr;
        {
            std::lock_guard guard(Lock);
            if (Pending.empty()) break;
            item = Pending.front();
            Pending.pop_front();
        }
        try {
            item->Call();
        } catch (...) {
            item->Error = std::current_exception();
        }
        {
            std::lock_guard guard(Lock);
            item->Done = true;
        }
        DoneSignal.notify_all();
        ran = true;
    }
    while (queued) {
        std::function<void()> call;
        {
            std::lock_guard guard(Lock);
            if (Queued.empty()) break;
            call = std::move(Queued.front());
            Queued.pop_front();
        }
        ran = true;
        call();
    }
    return ran;
}
