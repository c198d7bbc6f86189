// Which bound each frame takes when the loss is spread over time.

#include "GIFLossySpread.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>

namespace {

// Runs at each of SpreadScales times the bound, from each frame's outcomes
// at 0.6, 0.8, 1 and 2 times it.
std::vector<TLossyRun> Runs(const std::vector<std::array<TFrameOutcome, SpreadRuns>>& frames) {
    std::vector<TLossyRun> runs(SpreadRuns);
    for (const auto& frame : frames)
        for (int r = 0; r < SpreadRuns; ++r) runs[r].Frames.push_back(frame[r]);
    return runs;
}

// A background drawn once, whose error weighs much: a little lowered it
// saves error cheaply, much lowered it costs many bytes. Then frames shown
// briefly, each of whose raises adds 20 of error and saves the given bytes.
std::vector<TLossyRun> BackgroundAndBriefFrames(int brief, int64_t savedByRaise) {
    std::vector<std::array<TFrameOutcome, SpreadRuns>> frames = {
        {{{1500, 40}, {1100, 60}, {1000, 100}, {900, 300}}}};
    for (int i = 0; i < brief; ++i)
        frames.push_back({{{560, 6}, {520, 8}, {500, 10}, {500 - savedByRaise, 30}}});
    return Runs(frames);
}

} // namespace

TEST(LossySpread, TheBackgroundIsLoweredAsFarAsTheRaisesItPaysForSave) {
    // Two raises need 40 of error: lowering to 0.8 frees it for 100 bytes,
    // to 0.6 for 500.
    EXPECT_EQ(SpreadOverTime(BackgroundAndBriefFrames(2, 100)), (std::vector<int>{1, 3, 3}));
    // Three raises worth 450 bytes each: lowering to 0.8 pays for two (800
    // saved), to 0.6, 400 bytes more from there, for all three (850).
    EXPECT_EQ(SpreadOverTime(BackgroundAndBriefFrames(3, 450)), (std::vector<int>{0, 3, 3, 3}));
    // Raises that save less than the lowering costs: every frame at the bound.
    EXPECT_EQ(SpreadOverTime(BackgroundAndBriefFrames(2, 30)), (std::vector<int>{2, 2, 2}));
}

TEST(LossySpread, AReserveIsKeptBackFromTheError) {
    // With the 40 that lowering to 0.8 frees kept back, a raise fits only
    // after lowering to 0.6, which then costs more than the one raise saves.
    EXPECT_EQ(SpreadOverTime(BackgroundAndBriefFrames(2, 100), 40), (std::vector<int>{2, 2, 2}));
    // Worth it where the raises save enough: the 20 left then pays for one.
    const std::vector<int> spread = SpreadOverTime(BackgroundAndBriefFrames(2, 600), 40);
    EXPECT_EQ(spread[0], 0);
    EXPECT_EQ(std::count(spread.begin(), spread.end(), RaisedRun), 1);
}
