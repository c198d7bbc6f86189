// The stopwatch on a clock that moves only when told.
#include "Stopwatch.h"

#include <QLocale>
#include <gtest/gtest.h>

namespace {

class StopwatchTest : public testing::Test {
protected:
    double Now = 500.0;
    TStopwatch Watch{[this] { return Now; }};

    void Play(double seconds) {
        Now += seconds;
        Watch.Tick(".");
    }
};

} // namespace

TEST_F(StopwatchTest, RunningTextHasNoTenthsAndFinalTextHasThem) {
    Watch.Start();
    Play(2.34);
    EXPECT_EQ(Watch.RunningText(), "Time : 0:2");
    EXPECT_EQ(Watch.FinalText(), "Time : 0:2.3");
}

TEST_F(StopwatchTest, WholeMinutesAndSecondsWithoutLeadingZeros) {
    Watch.Start();
    Play(125.0);
    EXPECT_EQ(Watch.RunningText(), "Time : 2:5");
    EXPECT_EQ(Watch.FinalText(), "Time : 2:5.0");
}

TEST_F(StopwatchTest, TenthsComeFromTheRoundedTextSecondsFromTheTruncatedValue) {
    Watch.Start();
    Play(12.96);
    EXPECT_EQ(Watch.Seconds, 12);
    EXPECT_EQ(Watch.TenthsText, ".0");
    EXPECT_EQ(Watch.FinalText(), "Time : 0:12.0");
}

TEST_F(StopwatchTest, MinutesHaveNoUpperLimit) {
    Watch.Start();
    Play(3725.0);
    EXPECT_EQ(Watch.RunningText(), "Time : 62:5");
}

TEST_F(StopwatchTest, CommaSeparatorFromTheLocale) {
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    const QString separator = LocaleDecimalPoint();
    QLocale::setDefault(QLocale::c());
    EXPECT_EQ(separator, ",");
    Watch.Start();
    Now += 65.3;
    Watch.Tick(separator);
    EXPECT_EQ(Watch.TenthsText, ",3");
    EXPECT_EQ(Watch.FinalText(), "Time : 1:5,3");
}

TEST_F(StopwatchTest, PausedTimeNeverCounts) {
    Watch.Start();
    Play(4.0);
    Watch.Pause();
    EXPECT_FALSE(Watch.Running());
    Now += 30.0;
    Watch.Resume();
    EXPECT_TRUE(Watch.Running());
    EXPECT_DOUBLE_EQ(Watch.PauseLength, 30.0);
    Play(6.0);
    EXPECT_EQ(Watch.RunningText(), "Time : 0:10");
    Watch.Pause();
    Now += 15.0;
    Watch.Resume();
    EXPECT_DOUBLE_EQ(Watch.PausedTotal, 45.0);
}
