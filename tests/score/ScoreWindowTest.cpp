// The score windows through their real controls: showing, Clear, Font and
// the fill on activation, with the score files in a scratch directory.
#include "ScoreWindow.h"
#include "Application.h"
#include "Buttons.h"
#include "FakeServices.h"
#include "ImageControl.h"
#include "ListBox.h"
#include "ScratchDir.h"
#include "StdCtrls.h"

#include <QApplication>
#include <QDialog>
#include <QGuiApplication>
#include <QScreen>
#include <QTest>
#include <QTimer>
#include <QWindow>
#include <gtest/gtest.h>

namespace {

// Stands in for the game window of the variant, which tells the ScoreRow.
class TFakeGame : public TForm, public TScoreRowSource {
public:
    explicit TFakeGame(const QString& name) : TForm(name) { SetClientSize(100, 100); }
    int NewestScoreRow() const override { return Row; }
    int Row = -1;
};

std::string Line(const std::string& time, const std::string& name, int gap = 10) {
    const std::string padding(time.size() == 5 ? 11 : 9, ' ');
    return "   " + time + padding + "07.12.2026" + std::string(gap, ' ') + name;
}

class ScoreWindowTest : public testing::Test {
protected:
    void SetUp() override {
        World.Install();
        Previous = std::filesystem::current_path();
        std::filesystem::current_path(Scratch.Path);
    }
    void TearDown() override {
        for (TForm* f : Windows) {
            f->Hide();
            delete f;
        }
        Application->MoveActivity(nullptr);
        std::filesystem::current_path(Previous);
        ResetServices();
    }
    TScoreWindow* Window(const char* className) {
        auto* w = new TScoreWindow(*FindScoreVariant(className));
        Windows.push_back(w);
        return w;
    }
    TFakeGame* Game(const char* className) {
        auto* g = new TFakeGame(className);
        Windows.push_back(g);
        return g;
    }
    // Opens the window modally, runs `inside` while it is up, then closes it.
    void OpenModal(TScoreWindow* w, const std::function<void()>& inside = {}) {
        QTimer::singleShot(0, [&] {
            if (inside) inside();
            w->CloseButton->Click();
        });
        w->ShowModal();
    }
    QStringList Rows(TScoreWindow* w) { return w->findChild<TListBox*>("ListBox4")->Items(); }
    int Selected(TScoreWindow* w) { return w->findChild<TListBox*>("ListBox4")->ItemIndex(); }

    TFakeWorld World;
    ScratchDir Scratch;
    std::filesystem::path Previous;
    std::vector<TForm*> Windows;
};

} // namespace

TEST_F(ScoreWindowTest, FirstOpeningWithoutFileShowsNoRowsAndCreatesTheFile) {
    TScoreWindow* w = Window("TFScore4");
    EXPECT_EQ(Rows(w).size(), 10); // ten blank rows until the first showing
    OpenModal(w);
    EXPECT_TRUE(Rows(w).isEmpty());
    EXPECT_TRUE(std::filesystem::exists("sc4.pr"));
    EXPECT_EQ(std::filesystem::file_size("sc4.pr"), 0u);
    EXPECT_EQ(w->findChild<QLabel*>("Label11")->text(), "10)");
    EXPECT_EQ(w->findChild<QLabel*>("Label1")->text(), "    Duration          Date                Name  ");
}

TEST_F(ScoreWindowTest, ShowsTheFirstTenLinesAndSelectsScoreRow) {
    std::string file;
    for (int i = 0; i < 12; ++i)
        file += Line("0:" + std::to_string(10 + i) + ".0", "P" + std::to_string(i)) + "\r\n";
    WriteBytes("sc44.pr", file);
    TFakeGame* game = Game("TForm44");
    game->Row = 2;
    TScoreWindow* w = Window("TFScore44");
    w->SetRowSource(*game);
    OpenModal(w, [&] { EXPECT_EQ(Selected(w), 2); });
    ASSERT_EQ(Rows(w).size(), 10);
    EXPECT_EQ(Rows(w)[9].toStdString(), Line("0:19.0", "P9"));
    game->Row = -1;
    OpenModal(w, [&] { EXPECT_EQ(Selected(w), -1); });
}

TEST_F(ScoreWindowTest, ClearAskedAndAnsweredEachWay) {
    const std::string file = Line("0:7.4", "Ana") + "\r\n";
    TScoreWindow* w = Window("TFScore6");
    for (TModalResult answer : {TModalResult::No, TModalResult::Cancel}) {
        WriteBytes("sc6.pr", file);
        World.Answers = {answer};
        OpenModal(w, [&] { w->BitBtn2->Click(); });
        EXPECT_EQ(ReadBytes("sc6.pr"), file);
        EXPECT_EQ(Rows(w).size(), 10); // the blank rows beyond the line stay
        EXPECT_EQ(Rows(w)[0].toStdString() + "\r\n", file);
    }
    EXPECT_EQ(World.Questions.last(), "Are you sure you want to clear the score list? ");
    World.Answers = {TModalResult::Yes};
    OpenModal(w, [&] { w->BitBtn2->Click(); });
    EXPECT_EQ(ReadBytes("sc6.pr"), "");
    EXPECT_TRUE(Rows(w).isEmpty());
    OpenModal(w);
    EXPECT_TRUE(Rows(w).isEmpty());
}

TEST_F(ScoreWindowTest, ClearingThenRecordingGrowsTheListFromNoRowsToOne) {
    WriteBytes("sc9.pr", Line("1:0.0", "Old") + "\r\n");
    TScoreWindow* w = Window("TFScore9");
    World.Answers = {TModalResult::Yes};
    OpenModal(w, [&] { w->BitBtn2->Click(); });
    ScoreEntry entry;
    entry.Minutes = 0;
    entry.Seconds = 7;
    entry.TenthsText = ".4";
    entry.DateText = "07.12.2026";
    entry.PlayerName = "Ana";
    EXPECT_EQ(w->RecordWin(entry), 0);
    EXPECT_EQ(Rows(w), QStringList({QString::fromStdString(Line("0:7.4", "Ana"))}));
}

TEST_F(ScoreWindowTest, UnreadableFileIsKeptAndReported) {
    std::filesystem::create_directory("sc7.pr"); // a directory cannot be read as a table
    TScoreWindow* w = Window("TFScore7");
    OpenModal(w);
    EXPECT_EQ(World.Errors.size(), 1);
    EXPECT_TRUE(std::filesystem::is_directory("sc7.pr"));
    EXPECT_EQ(Rows(w).size(), 10); // the lists keep what they held
}

TEST_F(ScoreWindowTest, FontOnlyForTheListOfOneWindow) {
    TScoreWindow* four = Window("TFScore4");
    TScoreWindow* five = Window("TFScore5");
    const QFont before = five->findChild<TListBox*>("ListBox4")->font();
    World.FontConfirmed = true;
    World.FontChoice = QFont("DejaVu Serif", 20);
    OpenModal(four, [&] { four->BitBtn3->Click(); });
    EXPECT_EQ(four->findChild<TListBox*>("ListBox4")->font().family(), "DejaVu Serif");
    EXPECT_EQ(four->findChild<QLabel*>("Label1")->font().pixelSize(), 13); // header keeps its font
    EXPECT_EQ(five->findChild<TListBox*>("ListBox4")->font(), before);
    World.FontConfirmed = false;
    World.FontChoice = QFont("DejaVu Sans Mono", 8);
    OpenModal(four, [&] { four->BitBtn3->Click(); });
    EXPECT_EQ(four->findChild<TListBox*>("ListBox4")->font().family(), "DejaVu Serif");
}

TEST_F(ScoreWindowTest, FiveDigitWindowRefillsOnEveryActivation) {
    WriteBytes("sc5.pr", Line("0:9.0", "A") + "\r\n" + Line("0:9.5", "B") + "\r\n");
    TFakeGame* game = Game("TForm5");
    game->Row = 1;
    TScoreWindow* w = Window("TFScore5");
    w->SetRowSource(*game);
    World.Answers = {TModalResult::No};
    OpenModal(w, [&] {
        EXPECT_EQ(Selected(w), 1);
        w->findChild<TListBox*>("ListBox4")->SetItemIndex(0); // the player clicks another row
        w->BitBtn2->Click();                                  // the box closes: activation again
        EXPECT_EQ(Selected(w), 1);
    });
}

TEST_F(ScoreWindowTest, CaptionsCloseButtonsAndSizesFollowTheTable) {
    TScoreWindow* four = Window("TFScore4");
    TScoreWindow* rep = Window("TFScore99");
    EXPECT_EQ(four->windowTitle(), "Score for T&V with 4 digits that are not repeating");
    EXPECT_EQ(rep->windowTitle(), "Score for T&V with 9 digits that can  repeating");
    EXPECT_NE(four->findChild<TBitBtn*>("BitBtn1"), nullptr);
    EXPECT_NE(rep->findChild<TBitBtn*>("BitBtn4"), nullptr);
    EXPECT_EQ(four->ClientWidth(), 386);
    EXPECT_EQ(rep->ClientHeight(), 234);
    EXPECT_EQ(rep->findChild<TListBox*>("ListBox4")->geometry(), QRect(29, 21, 306, 173));
}

// The font dialog yields a colour with the face, size and style.
TEST_F(ScoreWindowTest, FontDialogColourIsAppliedToTheListWithTheFont) {
    WriteBytes("sc4.pr", Line("0:9.0", "WWWWWWWWWW") + "\r\n");
    TScoreWindow* four = Window("TFScore4");
    QFont chosen("DejaVu Serif", 20);
    chosen.setBold(true);
    chosen.setItalic(true);
    World.FontConfirmed = true;
    World.FontChoice = chosen;
    World.FontColorChoice = QColor(128, 0, 0);
    QImage shown;
    OpenModal(four, [&] {
        four->BitBtn3->Click();
        shown = four->ListBox4->grab().toImage();
    });
    const QFont font = four->ListBox4->font();
    EXPECT_EQ(font.family(), "DejaVu Serif");
    EXPECT_EQ(font.pointSize(), 20);
    EXPECT_TRUE(font.bold());
    EXPECT_TRUE(font.italic());
    EXPECT_EQ(four->FontDialog1.Color, QColor(128, 0, 0));
    int maroon = 0;
    for (int y = 0; y < shown.height(); ++y)
        for (int x = 0; x < shown.width(); ++x)
            if (shown.pixelColor(x, y) == QColor(128, 0, 0)) ++maroon;
    EXPECT_GT(maroon, 20); // the row is written in the chosen colour
}

// An enlarged TFScore99 shows its own plain background everywhere.
TEST_F(ScoreWindowTest, EnlargedSizeableWindowKeepsItsBackgroundUnderTheWholeClientArea) {
    TScoreWindow* rep = Window("TFScore99");
    OpenModal(rep, [&] {
        rep->resize(900, 700);
        EXPECT_EQ(rep->Client()->size(), QSize(900, 700));
        EXPECT_TRUE(rep->Image1->geometry().contains(rep->Client()->rect()));
        EXPECT_TRUE(rep->Image1->Stretch());
    });
}

// A score window opens at the centre of the desktop at every showing.
TEST_F(ScoreWindowTest, OpensAtTheDesktopCentreAtEveryShowing) {
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    TScoreWindow* four = Window("TFScore4");
    QPoint first, second;
    OpenModal(four, [&] {
        first = four->frameGeometry().center();
        four->move(screen.topLeft()); // the player drags it aside
    });
    OpenModal(four, [&] { second = four->frameGeometry().center(); });
    EXPECT_LE((first - screen.center()).manhattanLength(), 2);
    EXPECT_EQ(second, first);
}

// The score window is a dialog of the game window that opened it, and the
// font dialog and the clearing confirmation (the real ones) are dialogs of
// the score window. When one of them closes, the score window has the
// keyboard again on the button that opened it, so that Esc closes the window.
TEST_F(ScoreWindowTest, DialogsGiveTheKeyboardBackToTheButtonThatOpenedThem) {
    ResetServices();
    const TServices real = Services();
    World.Install();
    Services().Confirm = real.Confirm;
    Services().ChooseFont = real.ChooseFont;
    TFakeGame* game = Game("TForm6");
    TScoreWindow* w = Window("TFScore6");
    game->Show();
    for (int showing = 0; showing < 2; ++showing) {
        bool closedByEsc = false;
        QTimer::singleShot(0, [&] {
            QCoreApplication::processEvents(); // the window system's answers
            EXPECT_EQ(w->windowHandle()->transientParent(), game->windowHandle());
            EXPECT_EQ(QApplication::activeWindow(), w);
            for (TBitBtn* button : {w->BitBtn3, w->BitBtn2}) {
                QWidget* dialogParent = nullptr;
                QTimer::singleShot(0, [&] {
                    QCoreApplication::processEvents();
                    auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
                    ASSERT_NE(dialog, nullptr);
                    dialogParent = dialog->parentWidget();
                    dialog->reject();
                });
                button->setFocus();
                QTest::keyClick(button, Qt::Key_Return);
                QCoreApplication::processEvents();
                EXPECT_EQ(dialogParent, w) << button->Caption().toStdString();
                EXPECT_EQ(QApplication::activeWindow(), w) << button->Caption().toStdString();
                EXPECT_EQ(QApplication::focusWidget(), button) << button->Caption().toStdString();
            }
            if (QWidget* focused = QApplication::focusWidget()) QTest::keyClick(focused, Qt::Key_Escape);
            closedByEsc = !w->Visible();
            if (!closedByEsc) w->Close();
        });
        w->ShowModal();
        EXPECT_TRUE(closedByEsc);
        QCoreApplication::processEvents();
        EXPECT_EQ(QApplication::activeWindow(), game);
    }
}
