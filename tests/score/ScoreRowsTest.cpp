#include "ScoreRows.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using Rows = std::vector<std::string>;

TEST(FillRows, ReplacesTheFirstRowsAndKeepsTheOthers) {
    Rows rows = BlankRows();
    ASSERT_EQ(rows.size(), 10u);
    FillRows(rows, {"a", "b"});
    EXPECT_EQ(rows, (Rows{"a", "b", "", "", "", "", "", "", "", ""}));

    Rows old{"0", "1", "2", "3", "4", "5", "6", "7", "8", "9"};
    FillRows(old, {"x"});
    EXPECT_EQ(old, (Rows{"x", "1", "2", "3", "4", "5", "6", "7", "8", "9"}));
}

TEST(FillRows, ShowsNoMoreThanTenLines) {
    Rows lines;
    for (int i = 0; i < 25; ++i) lines.push_back("line " + std::to_string(i));
    Rows rows = BlankRows();
    FillRows(rows, lines);
    EXPECT_EQ(rows, Rows(lines.begin(), lines.begin() + 10));
}

TEST(FillRows, AClearedListGrowsByAppending) {
    Rows rows;
    FillRows(rows, {"a"});
    EXPECT_EQ(rows, Rows{"a"});
    FillRows(rows, {"b", "a", "c"});
    EXPECT_EQ(rows, (Rows{"b", "a", "c"}));
}

TEST(FindScoreRow, GivesTheLastEqualRowOrMinusOne) {
    EXPECT_EQ(FindScoreRow({"a", "b", "a", "c"}, "a"), 2);
    EXPECT_EQ(FindScoreRow({"a", "b"}, "b"), 1);
    EXPECT_EQ(FindScoreRow({"a", "b"}, "a "), -1);
    EXPECT_EQ(FindScoreRow({}, "a"), -1);
}
