#include "GIFWorkerThreads.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <deque>
#include <exception>
#include <memory>
#include <mutex>
#include <system_error>
#include <thread>
#include <vector>

namespace {

class TWorkers {
public:
    bool Run(std::function<void()> task, int helpers) {
        std::unique_lock lock(Mutex);
        Tasks.push_back(std::move(task));
        // A thread is kept busy from taking a task until it waits again.
        if (Idle < static_cast<int>(Tasks.size()) && Started < helpers) {
            try {
                std::thread([this] { Work(); }).detach();
                ++Started;
            } catch (const std::system_error&) {
                if (Started == 0) {
                    Tasks.pop_back();
                    return false;
                }
            }
        }
        lock.unlock();
        TaskQueued.notify_one();
        return true;
    }

private:
    void Work() {
        std::unique_lock lock(Mutex);
        for (;;) {
            ++Idle;
            TaskQueued.wait(lock, [this] { return !Tasks.empty(); });
            --Idle;
            std::function<void()> task = std::move(Tasks.front());
            Tasks.pop_front();
            lock.unlock();
            task();
            task = nullptr; // what it holds goes before the thread waits
            lock.lock();
        }
    }

    std::mutex Mutex;
    std::condition_variable TaskQueued;
    std::deque<std::function<void()>> Tasks;
    int Started = 0;
    int Idle = 0;
};

// The calls of one ForEach, shared with its helper threads. A helper that
// starts only after the caller has made every call finds none left and
// ends; the caller waits only for calls that a helper has taken.
struct TCalls {
    TCalls(size_t count, const std::function<void(size_t)>& task) : Count(count), Task(task), Errors(count) {}

    void Work() {
        for (size_t i = Next++; i < Count; i = Next++) {
            try {
                Task(i);
            } catch (...) {
                Errors[i] = std::current_exception();
            }
            std::lock_guard lock(Mutex);
            if (++Done == Count) AllDone.notify_all();
        }
    }

    void WaitForAll() {
        std::unique_lock lock(Mutex);
        AllDone.wait(lock, [this] { return Done == Count; });
    }

    const size_t Count;
    // Only called for an index taken while the caller still waits for it.
    const std::function<void(size_t)>& Task;
    std::atomic<size_t> Next{0};
    std::vector<std::exception_ptr> Errors;
    std::mutex Mutex;
    std::condition_variable AllDone;
    size_t Done = 0;
};

} // namespace

void GIFWorkers::ForEach(size_t count, int threads, const std::function<void(size_t)>& task) {
    const size_t workers = std::min(count, static_cast<size_t>(std::max(1, threads)));
    if (workers <= 1) {
        for (size_t i = 0; i < count; ++i) task(i);
        return;
    }
    const auto calls = std::make_shared<TCalls>(count, task);
    const int helpers = static_cast<int>(workers) - 1;
    for (int t = 0; t < helpers; ++t)
        if (!Run([calls] { calls->Work(); }, helpers)) break;
    calls->Work();
    calls->WaitForAll();
    for (const std::exception_ptr& error : calls->Errors)
        if (error) std::rethrow_exception(error);
}

bool GIFWorkers::Run(std::function<void()> task, int helpers) {
    // Never destroyed: the kept threads wait on it until the process ends.
    static TWorkers* const workers = new TWorkers;
    return workers->Run(std::move(task), helpers);
}
