// The twelve game windows, each visited through its real window from the
// menu: texts, attempt rows in every layout, the repeated-digit indicator,
// what activation resets, and a won game recorded in the variant's own file.
#include "GameDriver.h"
#include "TabSetMemo.h"

#include <QFile>

namespace {

QString S(int n) {
    return QString(n, ' ');
}

struct WindowTexts {
    const char* Window;
    const char* Title;
    const char* Label8;
    const char* Label9;
    const char* Label10;
    const char* Header;
};

const WindowTexts Catalogue[12] = {
    {"TForm4", "   Tulva And Vesk       Numbers with 4 digits that are not repeating",
     "Avaliable digits are: 0123456789", "Every digit can use JUST ONCE", "Press 4-DIGIT.NUMBER => ",
     "         ATTEMPT    NUMBER   TULVA  VESK              "},
    {"TForm5", "   Tulva And Vesk       Numbers with 5 digits that are not repeating",
     "Avaliable digit are: 0123456789", "Every digit can use JUST ONCE", "Press 5-DIGIT.NUMBER => ",
     "            ATTEMPT   NUMBER   TULVA     VESK              "},
    {"TForm6", "   Tulva And Vesk       Numbers with 6 digits that are not repeating",
     "Avaliable digit are: 0123456789", "Every digit can use JUST ONCE", "Press 6-DIGIT.NUMBER => ",
     "      ATT.      NUMBER     TULVA         VESK              "},
    {"TForm7", "   Tulva And Vesk       Numbers with 7 digits that are not repeating",
     "Avaliable digit are: 0123456789", "Every digit can use JUST ONCE", "Press 7-DIG.NUMBER => ",
     "      ATT.   NUMBER     TULVA              VESK              "},
    {"TForm8", "   Tulva And Vesk       Numbers with 8 digits that are not repeating",
     "Avaliable digit are: 0123456789", "Every digit can use JUST ONCE", "Press 8-DIG.NUMBER => ",
     "    ATT.   NUMBER       TULVA                VESK              "},
    {"TForm9", "   Tulva And Vesk       Numbers with 9 digits that are not repeating",
     "Avaliable digit are: 0123456789", "Every digit can use JUST ONCE", "Press 9-DIG.NUMBER=>",
     "   ATT.   NUMBER         TULVA                   VESK              "},
    {"TForm44", "   Tulva And Vesk       Numbers with 4 digits that are repeating",
     "Avaliable digit are: 0123456789", "Every digit can use MORE TIMES", "Press 4-DIGIT.NUMBER => ",
     "            ATTEMPT    NUMBER   TULVA  VESK              "},
    {"TForm55", "   Tulva And Vesk       Numbers with 5 digits that are repeating",
     "Avaliable digit are: 0123456789", "Every digit can use MORE TIMES", "Press 5-DIGIT.NUMBER => ",
     "        ATT.         NUMBER    TULVA     VESK              "},
    {"TForm66", "   Tulva And Vesk       Numbers with 6 digits that are repeating",
     "Avaliable digit are: 0123456789", "Every digit can use MORE TIMES", "Press 6-DIGIT.NUMBER => ",
     "            ATT.    NUMBER      TULVA          VESK              "},
    {"TForm77", "   Tulva And Vesk       Numbers with 7 digits that are repeating",
     "Avaliable digit are: 0123456789", "Every digit can use MORE TIMES", "Press 7-DIG.NUMBER=>",
     "        ATT.    NUMBER     TULVA            VESK              "},
    {"TForm88", "   Tulva And Vesk       Numbers with 8 digits that are repeating",
     "Avaliable digit are: 0123456789", "Every digit can use MORE TIMES", "Press 8-DIG.NUMBER=>",
     " ATT.    NUMBER       TULVA             VESK              "},
    {"TForm99", "   Tulva And Vesk       Numbers with 9 digits that are repeating",
     "Avaliable digit are: 0123456789", "Every digit can use MORE TIMES", "Press 9-DIG.NUMBER=>",
     " ATT.  NUMBER         TULVA                  VESK              "},
};

// One accepted first guess per window and its row, with help (tab 1) and
// without (tab 0); the secret is 1234567890 cut to N digits (1123456789 for
// the repeating windows), the guess its first two digits swapped.
struct RowCase {
    const char* Window;
    const char* Secret;
    const char* Guess;
    QString WithHelp;
    QString WithoutHelp;
};

std::vector<RowCase> RowCases() {
    const QString a = "  1 )";
    return {
        {"TForm4", "1234", "2134", S(4) + a + S(11) + "2134" + S(10) + "2" + S(8) + "2", ""},
        {"TForm5", "12345", "21345", S(5) + a + S(9) + "21345" + S(6) + "- - 345" + S(6) + "2",
         S(5) + a + S(9) + "21345" + S(6) + S(4) + "3" + S(4) + S(6) + "2"},
        {"TForm6", "123456", "213456", a + S(7) + "213456" + S(4) + "- - 3456" + S(5) + "21- - - - ",
         a + S(7) + "213456" + S(4) + "- - 3456" + S(5) + S(4) + "2" + S(4)},
        {"TForm7", "1234567", "2134567", a + S(4) + "2134567" + S(3) + "- - 34567" + S(5) + "21- - - - - ",
         a + S(4) + "2134567" + S(3) + "- - 34567" + S(5) + S(4) + "2" + S(4)},
        {"TForm8", "12345678", "21345678",
         a + S(4) + "21345678" + S(3) + "- - 345678" + S(4) + "21- - - - - - ",
         a + S(4) + "21345678" + S(3) + "- - 345678" + S(4) + S(4) + "2" + S(4)},
        {"TForm9", "123456789", "213456789",
         a + S(4) + "213456789" + S(3) + "- - 3456789" + S(4) + "21- - - - - - - ",
         a + S(4) + "213456789" + S(3) + "- - 3456789" + S(4) + S(4) + "2" + S(4)},
        {"TForm44", "1123", "1213", S(4) + a + S(13) + "1213" + S(10) + "2" + S(8) + "2", ""},
        {"TForm55", "11234", "12134", S(2) + a + S(9) + "12134" + S(6) + "1- - 34" + S(6) + "2",
         S(2) + a + S(9) + "12134" + S(6) + S(4) + "3" + S(4) + S(6) + "2"},
        {"TForm66", "112345", "121345", a + S(5) + "121345" + S(6) + "1- - 345" + S(5) + "21- - - - ",
         a + S(5) + "121345" + S(6) + "1- - 345" + S(5) + S(4) + "2" + S(7)},
        {"TForm77", "1123456", "1213456", a + S(5) + "1213456" + S(3) + "1- - 3456" + S(5) + "21- - - - - ",
         a + S(5) + "1213456" + S(3) + "1- - 3456" + S(5) + S(4) + "2" + S(7)},
        {"TForm88", "11234567", "12134567",
         a + S(3) + "12134567" + S(3) + "1- - 34567" + S(5) + "21- - - - - - ",
         a + S(3) + "12134567" + S(3) + "1- - 34567" + S(5) + S(4) + "2" + S(7)},
        {"TForm99", "112345678", "121345678",
         a + S(3) + "121345678" + S(3) + "1- - 345678" + S(4) + "21- - - - - - - ",
         a + S(3) + "121345678" + S(3) + "1- - 345678" + S(4) + S(4) + "2" + S(7)},
    };
}

class VariantCatalogue : public GameDriver {
protected:
    void SetHelpMode(int mode) {
        if (auto* tabs = Game->findChild<TTabSet*>("TabSet1")) tabs->SetTabIndex(mode);
    }
    int Tabs() {
        auto* tabs = Game->findChild<TTabSet*>("TabSet1");
        return tabs ? tabs->count() : 0;
    }
    QString Indicator() { return Text("Label1"); }
};

} // namespace

TEST_F(VariantCatalogue, EveryWindowShowsItsTextsFromTheMenu) {
    for (const WindowTexts& w : Catalogue) {
        SCOPED_TRACE(w.Window);
        Open(w.Window);
        ASSERT_NE(Game, nullptr);
        EXPECT_TRUE(Game->Visible());
        EXPECT_FALSE(FormM->Visible());
        EXPECT_EQ(Game->windowTitle(), w.Title);
        EXPECT_EQ(Text("Label8"), w.Label8);
        EXPECT_EQ(Text("Label9"), w.Label9);
        EXPECT_EQ(Text("Label10"), w.Label10);
        EXPECT_EQ(Header(), w.Header);
        EXPECT_EQ(List()->Count(), 73);
        EXPECT_EQ(Edit()->EditMask(), QString(Game->Variant.Digits, '0') + ";1;_");
        Click("BitBtn2");
        EXPECT_TRUE(FormM->Visible());
    }
}

TEST_F(VariantCatalogue, TabSetsAndTheirTexts) {
    for (const char* name : {"TForm5", "TForm9"}) {
        Open(name);
        auto* tabs = Game->findChild<TTabSet*>("TabSet1");
        ASSERT_NE(tabs, nullptr) << name;
        EXPECT_EQ(tabs->TabText(0), "Without Help");
        EXPECT_EQ(tabs->TabText(1), "With Help ");
        EXPECT_EQ(Game->HelpMode(), 1); // the second tab is selected at creation
    }
    for (const char* name : {"TForm55", "TForm99"}) {
        Open(name);
        auto* tabs = Game->findChild<TTabSet*>("TabSet1");
        ASSERT_NE(tabs, nullptr) << name;
        EXPECT_EQ(tabs->TabText(0), "  Without  Help  ");
        EXPECT_EQ(tabs->TabText(1), "  With  Help   ");
    }
    Open("TForm4");
    EXPECT_EQ(Tabs(), 0);
    Open("TForm44");
    EXPECT_EQ(Tabs(), 0);
}

TEST_F(VariantCatalogue, AttemptRowsCharacterByCharacterInEveryLayout) {
    for (const RowCase& c : RowCases()) {
        SCOPED_TRACE(c.Window);
        Open(c.Window);
        SetHelpMode(1);
        NewGame(c.Secret);
        Enter(c.Guess);
        EXPECT_EQ(List()->Item(1), c.WithHelp);
        if (c.WithoutHelp.isEmpty()) continue;
        SetHelpMode(0);
        NewGame(c.Secret);
        Enter(c.Guess);
        EXPECT_EQ(List()->Item(1), c.WithoutHelp);
        SetHelpMode(1); // leave the selection as the next test expects it
    }
}

TEST_F(VariantCatalogue, WorkedExampleSixDigitsWithoutHelp) {
    Open("TForm6");
    SetHelpMode(0);
    NewGame("123456");
    Enter("124365");
    EXPECT_EQ(List()->Item(1), "  1 )" + S(7) + "124365" + S(4) + "12- - - - " + S(5) + S(4) + "4" + S(4));
    SetHelpMode(1);
}

TEST_F(VariantCatalogue, FiveDigitsSwitchingTabsBetweenGuesses) {
    Open("TForm5");
    SetHelpMode(1);
    NewGame("12345");
    Enter("19375");
    const QString first = List()->Item(1);
    EXPECT_EQ(first, S(5) + "  1 )" + S(9) + "19375" + S(6) + "1- 3- 5" + S(6) + "0");
    SetHelpMode(0);
    Enter("12354");
    EXPECT_EQ(List()->Item(1), first); // rows already listed keep their text
    EXPECT_EQ(List()->Item(2), S(5) + "  2 )" + S(9) + "12354" + S(6) + S(4) + "3" + S(4) + S(6) + "2");
    SetHelpMode(1);
}

TEST_F(VariantCatalogue, IndicatorOfTheRepeatingWindows) {
    Open("TForm55");
    NewGame("11223");
    EXPECT_EQ(Indicator(), "Double Digits");
    Enter("12345");
    EXPECT_EQ(Indicator(), "Double Digits : 12");
    Enter("12345"); // already entered
    EXPECT_EQ(Text("Label3"), "That number is already entered");
    EXPECT_EQ(Indicator(), "Double Digits : ");
    Enter("12"); // wrong: the indicator is not touched
    EXPECT_EQ(Indicator(), "Double Digits : ");

    Open("TForm77");
    NewGame("1234567");
    Enter("7654321");
    EXPECT_EQ(Indicator(), "Double : ");
    Enter("7654320");
    EXPECT_EQ(Indicator(), "Double : "); // only the first guess sets it
    NewGame("5523125");
    Enter("1111111");
    EXPECT_EQ(Indicator(), "Double : 52");
    Enter("2222222");
    EXPECT_EQ(Indicator(), "Double : 52");

    Open("TForm88");
    NewGame("11223344");
    Enter("12121212");
    EXPECT_EQ(Indicator(), "Double digits : 1234");

    Open("TForm66");
    NewGame("112233");
    Enter("123123");
    EXPECT_EQ(Indicator(), "Double Digits : 123");

    Open("TForm99");
    NewGame("123456789");
    Enter("987654321");
    EXPECT_EQ(Indicator(), "Double Digits : ");
    NewGame("111222333");
    Enter("123456789");
    EXPECT_EQ(Indicator(), "Double Digits : 123");

    Open("TForm44");
    EXPECT_EQ(Indicator(), "Double : Yes(No)");
    NewGame("1123");
    Enter("5678");
    EXPECT_EQ(Indicator(), "Double : YES");
    NewGame("1234");
    Enter("5678");
    EXPECT_EQ(Indicator(), "Double : NO");
}

TEST_F(VariantCatalogue, WhatActivationResets) {
    struct Case {
        const char* Window;
        const char* Secret;
        bool ClearsSecret, ResetsAttempts, ClearsRows, EmptiesInput;
        const char* Indicator; // after activation, or null when unchanged
    };
    const Case cases[] = {
        {"TForm4", "1234", true, true, false, false, nullptr},
        {"TForm5", "12345", true, false, false, false, nullptr},
        {"TForm6", "123456", true, false, false, false, nullptr},
        {"TForm7", "1234567", true, false, false, false, nullptr},
        {"TForm8", "12345678", false, false, false, false, nullptr},
        {"TForm9", "123456789", false, true, false, true, nullptr},
        {"TForm44", "1123", false, true, false, false, "Double : Yes(No)"},
        {"TForm55", "11234", false, true, false, false, nullptr},
        {"TForm66", "112345", false, true, true, false, "Double Digits"},
        {"TForm77", "1123456", false, false, true, false, "Double Digits"},
        {"TForm88", "11234567", false, true, true, false, "Double Digits"},
        {"TForm99", "112345678", false, true, false, false, "Double Digits"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Window);
        Open(c.Window);
        NewGame(c.Secret);
        const std::string guess = std::string("9876543210").substr(0, Game->Variant.Digits);
        Enter(guess);
        const QString indicatorBefore = Indicator();
        Click("BitBtn2");
        Open(c.Window); // shown again: activation
        EXPECT_EQ(Game->Session.Secret().empty(), c.ClearsSecret);
        EXPECT_EQ(Game->Session.Attempts(), c.ResetsAttempts ? 0 : 1);
        EXPECT_EQ(List()->Item(1).isEmpty(), c.ClearsRows);
        EXPECT_EQ(Edit()->Text() == QString(Game->Variant.Digits, ' '), c.EmptiesInput);
        EXPECT_EQ(Indicator(), c.Indicator ? QString(c.Indicator) : indicatorBefore);
        EXPECT_EQ(Text("Label3"), "Press New Game");
        EXPECT_FALSE(Edit()->isEnabled());
    }
}

TEST_F(VariantCatalogue, EveryWindowPlaysToAWinInItsOwnFileWithItsOwnGap) {
    FormM->Edit2->setText("Mia");
    for (const WindowTexts& w : Catalogue) {
        SCOPED_TRACE(w.Window);
        Open(w.Window);
        const int n = Game->Variant.Digits;
        const std::string secret = std::string("1234567890").substr(0, n);
        NewGame(secret);
        Tick(65.3);
        EnterWinning(secret);
        EXPECT_TRUE(CongratulationShown);
        EXPECT_EQ(Text("Label6"), "Time : 1:5.3");
        const QString suffix = QString(w.Window).mid(5);
        QFile file("sc" + suffix + ".pr");
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        const QString line = QString::fromUtf8(file.readAll()).split("\r\n").first();
        const int gap = (suffix == "5" || suffix == "6") ? 9 : 10;
        EXPECT_TRUE(line.startsWith("   1:5.3" + S(11))) << line.toStdString();
        EXPECT_TRUE(line.endsWith(S(gap) + "Mia")) << line.toStdString();
        EXPECT_FALSE(line.endsWith(S(gap + 1) + "Mia")) << line.toStdString();
        EXPECT_EQ(Game->ScoreRow, 0);
        file.remove();
    }
    FormM->Edit2->setText("");
}
