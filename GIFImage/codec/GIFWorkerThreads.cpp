#include "GIFWorkerThreads.h"

#include <condition_variable>
#include <deque>
#include <mutex>
#include <system_error>
#include <thread>

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

} // namespace

bool GIFWorkers::Run(std::function<void()> task, int helpers) {
    // Never destroyed: the kept threads wait on it until the process ends.
    static TWorkers* const workers = new TWorkers;
    return workers->Run(std::move(task), helpers);
}
