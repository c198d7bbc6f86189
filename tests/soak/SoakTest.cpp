// A short random-input soak of the whole program; tv_soak runs long ones.
#include "Application.h"
#include "SoakDriver.h"
#include "startup.h"

#include <gtest/gtest.h>

TEST(Soak, RandomInputThroughEveryWindowLosesNoScoreLine) {
    if (!Application->MainForm()) CreateForms();
    const uint64_t seed = 20261207;
    const TSoakResult result = RunSoak(seed, 1500, TV_PROGRAM_DIR "/");
    EXPECT_TRUE(result.Problems.isEmpty())
        << "seed " << seed << ": " << result.Problems.join("; ").toStdString();
    EXPECT_EQ(result.Events, 1500);
    EXPECT_GE(result.WindowsVisited.size(), 20) << "seed " << seed;
    EXPECT_GT(result.Wins, 0) << "seed " << seed;
}
