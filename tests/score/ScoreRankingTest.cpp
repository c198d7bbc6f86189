#include "ScoreRanking.h"
#include "ScoreLine.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

namespace {

// A line of the given duration in tenths of a second, told apart by its name.
std::string Line(int tenths, const std::string& name) {
    const int seconds = tenths / 10;
    return ComposeScoreLine(
        ScoreEntry{seconds / 60, seconds % 60, "." + std::to_string(tenths % 10), "1.1.2024", name, 10});
}

std::vector<std::string> Names(const std::vector<std::string>& lines) {
    std::vector<std::string> names;
    for (const std::string& line : lines) names.push_back(line.substr(line.find_last_of(' ') + 1));
    return names;
}

// The exchange ranking over the readable lines, then the unreadable ones:
// the order the ranking is meant to give, written out the slow way.
std::vector<std::string> ReferenceRank(const std::vector<std::string>& lines) {
    std::vector<std::string> readable, unreadable;
    std::vector<double> durations;
    for (const std::string& line : lines) {
        if (const auto d = ReadDuration(line)) {
            readable.push_back(line);
            durations.push_back(*d);
        } else {
            unreadable.push_back(line);
        }
    }
    ExchangeRank(readable, durations);
    readable.insert(readable.end(), unreadable.begin(), unreadable.end());
    return readable;
}

} // namespace

TEST(ExchangeRank, IsNotAStableSort) {
    std::vector<std::string> lines{"A", "B", "C"};
    std::vector<double> durations{5.0, 5.0, 3.0};
    ExchangeRank(lines, durations);
    EXPECT_EQ(lines, (std::vector<std::string>{"C", "B", "A"}));
    EXPECT_EQ(durations, (std::vector<double>{3.0, 5.0, 5.0}));
}

TEST(RankScoreLines, EqualLinesInFileOrderAheadOfAFasterOneEndReversed) {
    std::vector<std::string> lines{Line(50, "A"), Line(50, "B"), Line(30, "C")};
    RankScoreLines(lines);
    EXPECT_EQ(Names(lines), (std::vector<std::string>{"C", "B", "A"}));
}

TEST(RankScoreLines, FasterNewLineAheadOfTwoEqualOnesGivesNBA) {
    std::vector<std::string> lines{Line(40, "A"), Line(40, "B"), Line(30, "N")};
    RankScoreLines(lines);
    EXPECT_EQ(Names(lines), (std::vector<std::string>{"N", "B", "A"}));
}

TEST(RankScoreLines, NewLineGoesAfterEqualOnesAndMovesTheFirstOfEachSlowerGroup) {
    std::vector<std::string> lines{Line(10, "a"), Line(20, "b1"), Line(20, "b2"), Line(20, "b3"),
                                   Line(30, "c"), Line(40, "d1"), Line(40, "d2"), Line(15, "new")};
    RankScoreLines(lines);
    EXPECT_EQ(Names(lines), (std::vector<std::string>{"a", "new", "b2", "b3", "b1", "c", "d2", "d1"}));

    std::vector<std::string> tie{Line(10, "a"), Line(20, "b"), Line(20, "new")};
    RankScoreLines(tie);
    EXPECT_EQ(Names(tie), (std::vector<std::string>{"a", "b", "new"}));
}

TEST(RankScoreLines, TenMinutesRankAfterNineFiftyNinePointNine) {
    std::vector<std::string> lines{Line(6000, "ten"), Line(5999, "nine")};
    RankScoreLines(lines);
    EXPECT_EQ(Names(lines), (std::vector<std::string>{"nine", "ten"}));
}

TEST(RankScoreLines, CommaAndPointTablesRankTogether) {
    std::vector<std::string> lines{"   1:5,3           d          comma",
                                   "   0:9.0           d          point"};
    RankScoreLines(lines);
    EXPECT_EQ(Names(lines), (std::vector<std::string>{"point", "comma"}));
}

TEST(RankScoreLines, UnreadableLinesAreKeptAfterAllReadableOnesInFileOrder) {
    std::vector<std::string> lines{"", Line(50, "slow"), "garbage one", Line(10, "fast"), "   x:1.0 bad"};
    RankScoreLines(lines);
    EXPECT_EQ(lines, (std::vector<std::string>{Line(10, "fast"), Line(50, "slow"), "", "garbage one",
                                               "   x:1.0 bad"}));
}

TEST(RankScoreLines, EmptyAndSingleLineListsStayAsTheyAre) {
    std::vector<std::string> none;
    RankScoreLines(none);
    EXPECT_TRUE(none.empty());
    std::vector<std::string> one{Line(10, "x")};
    RankScoreLines(one);
    EXPECT_EQ(one, std::vector<std::string>{Line(10, "x")});
}

// Every recording ranks a ranked list with one line appended; over many
// recordings with many ties the result must be the exchange ranking's.
TEST(RankScoreLines, RecordingsGiveExactlyTheExchangeOrder) {
    std::mt19937 random(20240307);
    for (int trial = 0; trial < 300; ++trial) {
        std::uniform_int_distribution<int> tenths(0, 3 + trial % 40);
        std::vector<std::string> table;
        const int wins = 1 + trial % 60;
        for (int win = 0; win < wins; ++win) {
            table.push_back(Line(tenths(random), std::to_string(win)));
            const std::vector<std::string> expected = ReferenceRank(table);
            RankScoreLines(table);
            ASSERT_EQ(table, expected) << "trial " << trial << " win " << win;
        }
    }
}

TEST(RankScoreLines, AnyListGivesTheExchangeOrderWithUnreadableLinesLast) {
    std::mt19937 random(7);
    const std::vector<std::string> corrupt{"", "   ", "hand edit", "   1;2.0", "   :3"};
    for (int trial = 0; trial < 500; ++trial) {
        std::uniform_int_distribution<int> tenths(0, 6);
        std::uniform_int_distribution<int> kind(0, 7);
        std::vector<std::string> lines;
        const int count = trial % 30;
        for (int i = 0; i < count; ++i) {
            if (kind(random) == 0)
                lines.push_back(corrupt[i % corrupt.size()]);
            else
                lines.push_back(Line(tenths(random), std::to_string(i)));
        }
        const std::vector<std::string> expected = ReferenceRank(lines);
        RankScoreLines(lines);
        ASSERT_EQ(lines, expected) << "trial " << trial;
    }
}

TEST(RankScoreLines, RankedTableWithAnAppendedLineAndUnreadableLinesInBetween) {
    std::mt19937 random(99);
    for (int trial = 0; trial < 200; ++trial) {
        std::uniform_int_distribution<int> tenths(0, 5);
        std::vector<std::string> ranked;
        for (int i = 0; i < 25; ++i) ranked.push_back(Line(tenths(random), std::to_string(i)));
        ranked = ReferenceRank(ranked);
        // Scatter blank lines through the ranked table, then append a win.
        std::vector<std::string> lines;
        for (size_t i = 0; i < ranked.size(); ++i) {
            if (i % 7 == 3) lines.push_back("");
            lines.push_back(ranked[i]);
        }
        lines.push_back(Line(tenths(random), "new"));
        const std::vector<std::string> expected = ReferenceRank(lines);
        RankScoreLines(lines);
        ASSERT_EQ(lines, expected) << "trial " << trial;
    }
}
