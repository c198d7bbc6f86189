#include "GIFWorkerThreads.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <exception>
#include <memory>
#include <mutex>
#include <pthread.h>
#include <system_error>
#include <thread>
#include <vector>
#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#endif

namespace {

// Tells the core that this thread only waits, so that the thread beside it on
// the same core runs the faster.
inline void PauseBriefly() {
#if defined(__x86_64__) || defined(__i386__)
    _mm_pause();
#else
    std::this_thread::yield();
#endif
}

// How long a thread that is out of work watches for more before it sleeps:
// about as long as waking a sleeping thread takes, so that work handed out
// in quick steps (the frames of a load, a search's stages) finds its helper
// awake. Watching for as long as a search lasted saved no time on two
// cores and cost a seventh of its CPU: a helper that watches is never
// woken, so the system may leave it on the core of the thread it waits for.
constexpr std::chrono::microseconds WatchForWork{50};

// Calls ready until it is true or WatchForWork has passed; what it returned
// last.
template <class Ready> bool WatchBriefly(Ready&& ready) {
    const auto end = std::chrono::steady_clock::now() + WatchForWork;
    for (int round = 1;; ++round) {
        for (int i = 0; i < 64; ++i) {
            if (ready()) return true;
            PauseBriefly();
        }
        if (std::chrono::steady_clock::now() >= end) return ready();
        // Now and then the thread it waits for, when it has been put on this
        // core, runs at once rather than when this thread's time slice ends.
        if (round % 16 == 0) std::this_thread::yield();
    }
}

class TWorkers {
public:
    bool Run(std::function<void()> task, int helpers) {
        std::unique_lock lock(Mutex);
        if (helpers == 0 && Started == 0) return false;
        Tasks.push_back(std::move(task));
        Queued.store(Tasks.size(), std::memory_order_release);
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
            if (Tasks.empty()) {
                lock.unlock();
                WatchBriefly([this] { return Queued.load(std::memory_order_acquire) > 0; });
                lock.lock();
            }
            TaskQueued.wait(lock, [this] { return !Tasks.empty(); });
            --Idle;
            std::function<void()> task = std::move(Tasks.front());
            Tasks.pop_front();
            Queued.store(Tasks.size(), std::memory_order_release);
            lock.unlock();
            task();
            task = nullptr; // what it holds goes before the thread waits
            lock.lock();
        }
    }

    std::mutex Mutex;
    std::condition_variable TaskQueued;
    std::deque<std::function<void()>> Tasks;
    std::atomic<size_t> Queued{0}; // Tasks.size(), for threads watching without the lock
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
            if (Done.fetch_add(1, std::memory_order_acq_rel) + 1 == Count) {
                std::lock_guard lock(Mutex); // not between the caller's check and its wait
                AllDone.notify_all();
            }
        }
    }

    void WaitForAll() {
        const auto allDone = [this] { return Done.load(std::memory_order_acquire) == Count; };
        if (WatchBriefly(allDone)) return;
        std::unique_lock lock(Mutex);
        AllDone.wait(lock, allDone);
    }

    const size_t Count;
    // Only called for an index taken while the caller still waits for it.
    const std::function<void(size_t)>& Task;
    std::atomic<size_t> Next{0};
    std::vector<std::exception_ptr> Errors;
    std::mutex Mutex;
    std::condition_variable AllDone;
    std::atomic<size_t> Done{0};
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

void GIFWorkers::Pipeline(size_t count, int threads, size_t ahead, const std::function<void(size_t)>& prepare,
                          const std::function<void(size_t)>& run) {
    if (threads <= 1 || count <= 1) {
        for (size_t i = 0; i < count; ++i) {
            prepare(i);
            run(i);
        }
        return;
    }
    std::mutex mutex;
    std::condition_variable queued;
    std::deque<size_t> prepared;
    bool allPrepared = false;
    // Whether a call is prepared or all are, for threads watching without
    // the lock.
    std::atomic<bool> ready{false};
    const auto updateReady = [&] {
        ready.store(!prepared.empty() || allPrepared, std::memory_order_release);
    };
    // Runs prepared calls until none is left (waiting for more while the
    // caller still prepares them, with wait: watching for them before it
    // sleeps, as a wake-up takes longer than preparing a small frame).
    const auto runPrepared = [&](bool wait) {
        for (;;) {
            if (wait) WatchBriefly([&] { return ready.load(std::memory_order_acquire); });
            std::unique_lock lock(mutex);
            if (wait) queued.wait(lock, [&] { return !prepared.empty() || allPrepared; });
            if (prepared.empty()) return;
            const size_t i = prepared.front();
            prepared.pop_front();
            updateReady();
            lock.unlock();
            run(i);
        }
    };
    const auto prepareAll = [&] {
        for (size_t i = 0; i < count; ++i) {
            prepare(i);
            std::unique_lock lock(mutex);
            prepared.push_back(i);
            updateReady();
            queued.notify_one();
            // Too many waiting: the caller runs them too.
            while (prepared.size() > ahead) {
                const size_t next = prepared.front();
                prepared.pop_front();
                updateReady();
                lock.unlock();
                run(next);
                lock.lock();
            }
        }
    };
    const auto markAllPrepared = [&] {
        {
            std::lock_guard lock(mutex);
            allPrepared = true;
            updateReady();
        }
        queued.notify_all();
    };
    // One thread prepares, and then runs what is left; the others run the
    // prepared calls as they come.
    ForEach(static_cast<size_t>(threads), threads, [&](size_t role) {
        if (role == 0) {
            try {
                prepareAll();
            } catch (...) {
                markAllPrepared();
                throw;
            }
            markAllPrepared();
        }
        runPrepared(role > 0);
    });
}

void GIFWorkers::StartThreads(int helpers) {
    // Each task holds its thread until all run, so that they run on as many
    // threads.
    const auto running = std::make_shared<std::atomic<int>>(0);
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(1);
    const auto allRunning = [=] {
        return running->load() >= helpers || std::chrono::steady_clock::now() > end;
    };
    for (int i = 0; i < helpers; ++i) {
        const bool queued = Run(
            [=] {
                ++*running;
                while (!allRunning()) std::this_thread::yield();
            },
            helpers);
        if (!queued) return;
    }
    while (!allRunning()) std::this_thread::yield();
}

bool GIFWorkers::WatchBriefly(const std::function<bool()>& ready) {
    return ::WatchBriefly(ready);
}

bool GIFWorkers::Run(std::function<void()> task, int helpers) {
    // Never destroyed: the kept threads wait on it until the process ends.
    static std::atomic<TWorkers*> workers = [] {
        // A child process has none of its parent's threads, and their lock
        // and condition may be held or waited on for ever: the child keeps
        // threads of its own. (The parent's stay allocated, never used.)
        pthread_atfork(nullptr, nullptr, [] { workers.store(new TWorkers); });
        return new TWorkers;
    }();
    return workers.load()->Run(std::move(task), helpers);
}
