#pragma once
// Threads kept for the life of the process that run the tasks of the
// parallel encoder and decoder. Starting a thread costs about as much as
// decoding a small frame, so each is started once, when a task first finds
// every kept thread busy, and then waits for the next task.

#include <cstddef>
#include <functional>
#include <future>
#include <memory>

namespace GIFWorkers {

// Runs task on a kept thread, starting one when every kept thread is busy
// and they number fewer than helpers (with helpers 0, only on the threads
// already kept). Tasks start in the order given and must not throw. False
// when no thread runs or could be started for it: the task is then dropped
// and the caller does the work itself.
bool Run(std::function<void()> task, int helpers);

// What a task gives (or throws) once it has run. Unlike a std::future of a
// packaged task, it waits for the task when it goes, as std::async's does:
// a task under way that uses what its caller holds ends before that goes,
// on an error too.
template <class T> class TTaskResult {
public:
    TTaskResult() = default;
    explicit TTaskResult(std::future<T> result) : Result(std::move(result)) {}
    TTaskResult(TTaskResult&&) noexcept = default;
    TTaskResult& operator=(TTaskResult&& other) noexcept {
        Wait();
        Result = std::move(other.Result);
        return *this;
    }
    ~TTaskResult() { Wait(); }

    // A result there from the start.
    static TTaskResult Done(T value) {
        std::promise<T> done;
        done.set_value(std::move(value));
        return TTaskResult(done.get_future());
    }

    T get() { return Result.get(); }

private:
    void Wait() noexcept {
        if (Result.valid()) Result.wait();
    }
    std::future<T> Result;
};

// Runs task on a kept thread, as Run does; where no thread takes it, the
// caller runs it at once. Tasks that hand work on in steps (the frames of a
// made animation) then start no thread for each step, and what a thread
// keeps for its tasks (large tables) serves the next.
template <class Task> auto Later(Task task, int helpers) -> TTaskResult<decltype(task())> {
    auto packaged = std::make_shared<std::packaged_task<decltype(task())()>>(std::move(task));
    TTaskResult<decltype(task())> result(packaged->get_future());
    if (!Run([packaged] { (*packaged)(); }, helpers)) (*packaged)();
    return result;
}

// Starts kept threads until helpers of them run, and returns once they do
// (or after a second, when the system gives no more). Loads and searches
// start them as they need them; a benchmark starts them first, so that what
// it times is the work and not a thread's start, which can take
// milliseconds on a virtual machine.
void StartThreads(int helpers);

// Calls task(0) to task(count - 1) on up to threads threads, the caller's
// among them, handing out one index at a time, and returns when every call
// has ended. Then the exception of the lowest index that threw, if any, is
// thrown again. The calls must not depend on one another.
void ForEach(size_t count, int threads, const std::function<void(size_t)>& task);

// Calls prepare(0) to prepare(count - 1) in order on one thread, and run(i)
// for each prepared i on up to threads threads: preparing goes on while the
// prepared calls run, at most ahead of them waiting at once. Returns when
// every run has ended; then an exception of either is thrown again. run(i)
// may depend only on prepare(i) and run on nothing else.
void Pipeline(size_t count, int threads, size_t ahead, const std::function<void(size_t)>& prepare,
              const std::function<void(size_t)>& run);

// Asks ready until it says true or a moment has passed (as long as a
// sleeping thread takes to wake up), and returns what it said last. A thread
// that waits for another's work watches so before it sleeps, as the kept
// threads do between tasks: small loads then never wait for a wake-up.
bool WatchBriefly(const std::function<bool()>& ready);

} // namespace GIFWorkers
