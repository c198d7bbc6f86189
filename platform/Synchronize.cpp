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
std::deque<HandOver*> Pending;
std::thread::id MainThreadId = std::this_thread::get_id();

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
    if (QCoreApplication* app = QCoreApplication::instance())
        QMetaObject::invokeMethod(
            app, [] { CheckSynchronize(); }, Qt::QueuedConnection);
    std::unique_lock wait(Lock);
    DoneSignal.wait(wait, [&] { return item.Done; });
    if (item.Error) std::rethrow_exception(item.Error);
}

bool CheckSynchronize() {
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
    return ran;
}
