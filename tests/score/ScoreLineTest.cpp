#include "ScoreLine.h"

#include <gtest/gtest.h>

#include <string>

namespace {

ScoreEntry Entry(std::int64_t minutes, int seconds, std::string tenths, std::string name = "Ana",
                 int gap = 10) {
    return ScoreEntry{minutes, seconds, std::move(tenths), "7.3.2024", std::move(name), gap};
}

std::string Blanks(size_t n) {
    return std::string(n, ' ');
}

} // namespace

TEST(ComposeScoreLine, ShortTimeTextIsFollowedByElevenBlanks) {
    EXPECT_EQ(ComposeScoreLine(Entry(0, 7, ".4")), "   0:7.4" + Blanks(11) + "7.3.2024" + Blanks(10) + "Ana");
    EXPECT_EQ(ComposeScoreLine(Entry(1, 5, ".3")), "   1:5.3" + Blanks(11) + "7.3.2024" + Blanks(10) + "Ana");
}

TEST(ComposeScoreLine, LongerTimeTextsAreFollowedByNineBlanks) {
    EXPECT_EQ(ComposeScoreLine(Entry(0, 59, ".9")),
              "   0:59.9" + Blanks(9) + "7.3.2024" + Blanks(10) + "Ana");
    EXPECT_EQ(ComposeScoreLine(Entry(10, 0, ".0")),
              "   10:0.0" + Blanks(9) + "7.3.2024" + Blanks(10) + "Ana");
    EXPECT_EQ(ComposeScoreLine(Entry(12, 34, ".5")),
              "   12:34.5" + Blanks(9) + "7.3.2024" + Blanks(10) + "Ana");
}

TEST(ComposeScoreLine, MinutesHaveNoUpperBound) {
    EXPECT_EQ(ComposeTimeText(62, 5, ".0"), "62:5.0");
    EXPECT_EQ(ComposeTimeText(123456789012, 9, ",1"), "123456789012:9,1");
}

TEST(ComposeScoreLine, GapOfNineForTheFiveAndSixDigitDistinctVariants) {
    const std::string line = ComposeScoreLine(Entry(0, 7, ".4", "Ana", 9));
    EXPECT_EQ(line, "   0:7.4" + Blanks(11) + "7.3.2024" + Blanks(9) + "Ana");
}

TEST(ComposeScoreLine, EmptyNameEndsWithTheGap) {
    const std::string line = ComposeScoreLine(Entry(0, 7, ".4", ""));
    EXPECT_EQ(line, "   0:7.4" + Blanks(11) + "7.3.2024" + Blanks(10));
}

TEST(ComposeScoreLine, KeepsTheLocaleSeparatorAndNonAsciiNames) {
    const std::string line = ComposeScoreLine(Entry(1, 5, ",3", "Željko Ćosić"));
    EXPECT_EQ(line, "   1:5,3" + Blanks(11) + "7.3.2024" + Blanks(10) + "Željko Ćosić");
}

TEST(ReadDuration, ReadsMinutesAndSecondsWithTenths) {
    EXPECT_DOUBLE_EQ(*ReadDuration(ComposeScoreLine(Entry(1, 5, ".3"))), 65.3);
    EXPECT_DOUBLE_EQ(*ReadDuration(ComposeScoreLine(Entry(12, 34, ".5"))), 754.5);
    EXPECT_DOUBLE_EQ(*ReadDuration(ComposeScoreLine(Entry(10, 0, ".0"))), 600.0);
    EXPECT_DOUBLE_EQ(*ReadDuration("   0:7"), 7.0);
}

TEST(ReadDuration, AcceptsCommaAndPointAlike) {
    EXPECT_EQ(ReadDuration("   1:5,3  x"), ReadDuration("   1:5.3  x"));
    EXPECT_DOUBLE_EQ(*ReadDuration("   0:59,9"), 59.9);
}

TEST(ReadDuration, ReadsOnlyUpToTheFirstBlank) {
    EXPECT_DOUBLE_EQ(*ReadDuration("   2:3.0 9:99.9 trailing: words"), 123.0);
}

TEST(ReadDuration, FindsNoTimeInCorruptLines) {
    EXPECT_FALSE(ReadDuration(""));
    EXPECT_FALSE(ReadDuration("   "));
    EXPECT_FALSE(ReadDuration("1:5.3"));      // no lead
    EXPECT_FALSE(ReadDuration("   15.3"));    // no colon
    EXPECT_FALSE(ReadDuration("   :5.3"));    // no minutes
    EXPECT_FALSE(ReadDuration("   x1:5.3"));  // minutes not digits
    EXPECT_FALSE(ReadDuration("   1: 5.3"));  // seconds empty before the blank
    EXPECT_FALSE(ReadDuration("   1:5.3.1")); // two separators
    EXPECT_FALSE(ReadDuration("   1:5."));    // separator without tenths
    EXPECT_FALSE(ReadDuration("   1:.5"));    // tenths without seconds
    EXPECT_FALSE(ReadDuration("   1:5e1"));   // no exponents
    EXPECT_FALSE(ReadDuration("   -1:5.0"));  // no signs
    EXPECT_FALSE(ReadDuration("   1:+5.0"));
}

// Arabic, Persian and Kurdish locales separate decimals with "٫", two bytes
// in UTF-8: the padding counts it as one character, and the ranking reads it.
TEST(ScoreLineUnderATwoByteSeparator, PadsByCharactersAndReadsTheSeparatorBack) {
    const std::string arabic = "\xD9\xAB"; // U+066B
    const ScoreEntry entry = Entry(1, 5, arabic + "3");
    EXPECT_EQ(DecimalSeparatorOf(entry), arabic);
    const std::string line = ComposeScoreLine(entry);
    EXPECT_EQ(line, "   1:5" + arabic + "3" + Blanks(11) + "7.3.2024" + Blanks(10) + "Ana");
    EXPECT_EQ(ComposeScoreLine(Entry(1, 15, arabic + "3")),
              "   1:15" + arabic + "3" + Blanks(9) + "7.3.2024" + Blanks(10) + "Ana");
    EXPECT_FALSE(ReadDuration(line));
    EXPECT_DOUBLE_EQ(*ReadDuration(line, arabic), 65.3);
    EXPECT_DOUBLE_EQ(*ReadDuration("   1:5.3 x", arabic), 65.3); // "." and "," still read
    EXPECT_DOUBLE_EQ(*ReadDuration("   1:5,3 x", arabic), 65.3);
    EXPECT_FALSE(ReadDuration("   1:5" + arabic + "3" + arabic + "1", arabic));
}
