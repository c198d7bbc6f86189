#include "Synchronize.h"

#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>
#include <thread>

TEST(Synchronize, RunsOnTheWaitingUiThreadWithoutDeadlock) {
    SetMainThread();
    const auto uiThread = std::this_thread::get_id();
    std::atomic<bool> finished = false;
    std::vector<std::thread::id> ranOn;
    std::thread worker([&] {
        for (int i = 0; i < 3; ++i) Synchronize([&] { ranOn.push_back(std::this_thread::get_id()); });
        finished = true;
    });
    // A UI-thread loop that waits for a worker runs its hand-overs meanwhile.
    while (!finished) CheckSynchronize();
    worker.join();
    ASSERT_EQ(ranOn.size(), 3u);
    for (auto id : ranOn) EXPECT_EQ(id, uiThread);
    EXPECT_FALSE(CheckSynchronize());
}

TEST(Synchronize, PassesErrorsBackAndRunsDirectlyOnTheUiThread) {
    SetMainThread();
    int direct = 0;
    Synchronize([&] { ++direct; });
    EXPECT_EQ(direct, 1);
    std::atomic<bool> caught = false, finished = false;
    std::thread worker([&] {
        try {
            Synchronize([] { throw std::runtime_error("drawing failed"); });
        } catch (const std::runtime_error& e) {
            caught = std::string(e.what()) == "drawing failed";
        }
        finished = true;
    });
    while (!finished) CheckSynchronize();
    worker.join();
    EXPECT_TRUE(caught);
}
