// Attempt rows and the repeated-digit indicator, from the variant records.
#include "AttemptRow.h"
#include "Indicator.h"
#include "Rules.h"
#include "Variant.h"

#include <gtest/gtest.h>

namespace {

QString Spaces(int n) {
    return QString(n, ' ');
}

QString Row(const TVariant& variant, int attempt, const std::string& guess, const std::string& secret,
            int helpMode = 0) {
    return AttemptRow(variant, attempt, QString::fromStdString(guess), CountHits(guess, secret), helpMode);
}

// A six-digit pattern-layout record, as the distinct six-digit window lays out its rows.
TVariant SixDigitPattern() {
    TVariant v = VariantOf("TForm4");
    v.Digits = 6;
    v.Layout = TRowLayout::Pattern;
    v.LeadWidth = 0;
    v.S1Spaces = 7;
    v.S2Width = 4;
    v.S3Width = 5;
    v.VeskPadAfter = 4;
    return v;
}

} // namespace

TEST(AttemptRow, CountsLayoutOfTheFourDigitWindows) {
    EXPECT_EQ(Row(VariantOf("TForm4"), 3, "1243", "1234"),
              Spaces(4) + Spaces(2) + "3" + " )" + Spaces(11) + "1243" + Spaces(10) + "2" + Spaces(8) + "2");
    EXPECT_EQ(Row(VariantOf("TForm4"), 12, "5678", "1234"),
              Spaces(4) + "12 )" + Spaces(11) + "5678" + Spaces(10) + "0" + Spaces(8) + "0");
    EXPECT_EQ(Row(VariantOf("TForm44"), 1, "1111", "1123"),
              Spaces(4) + "  1 )" + Spaces(13) + "1111" + Spaces(10) + "2" + Spaces(8) + "0");
}

TEST(AttemptRow, PatternLayoutWithAndWithoutHelp) {
    const TVariant v = SixDigitPattern();
    EXPECT_EQ(Row(v, 1, "124365", "123456", 0), "  1 )" + Spaces(7) + "124365" + Spaces(4) + "12- - - - " +
                                                    Spaces(5) + Spaces(4) + "4" + Spaces(4));
    // With help the Vesk column lists the Vesk digits in the order found.
    EXPECT_EQ(Row(v, 1, "214789", "123456", 1),
              "  1 )" + Spaces(7) + "214789" + Spaces(4) + "- - - - - - " + Spaces(5) + "214- - - ");
}

TEST(Indicator, RepeatedDigitsInOrderOfFirstPosition) {
    EXPECT_EQ(RepeatedDigitList("5523125"), "52");
    EXPECT_EQ(RepeatedDigitList("11223"), "12");
    EXPECT_EQ(RepeatedDigitList("1234567"), "");
    EXPECT_EQ(RepeatedDigitList("112233449"), "1234"); // at most four
}

TEST(Indicator, DigitListRuleShowsThePrefixAloneForAGuessNotCounted) {
    TVariant v = VariantOf("TForm44");
    v.Indicator = TIndicatorRule::DigitList;
    v.IndicatorPrefix = "Double Digits : ";
    v.IndicatorDigits = 2;
    EXPECT_EQ(IndicatorAfterEnter(v, "11223", true, 1, ""), "Double Digits : 12");
    EXPECT_EQ(IndicatorAfterEnter(v, "11223", false, 1, ""), "Double Digits : ");
    v.IndicatorPrefix = "Double : ";
    v.IndicatorDigits = 4;
    v.IndicatorFirstOnly = true;
    EXPECT_EQ(IndicatorAfterEnter(v, "5523125", true, 1, "Double Digits"), "Double : 52");
    EXPECT_EQ(IndicatorAfterEnter(v, "5523125", true, 2, "Double : 52"), "Double : 52");
}
