// The toolkit semantics the game relies on, through real widgets on the
// offscreen platform.
#include "Form.h"
#include "Application.h"
#include "Buttons.h"
#include "Exceptions.h"
#include "FakeServices.h"
#include "FontColorDialog.h"
#include "ListBox.h"
#include "MaskEdit.h"
#include "Menus.h"
#include "StdCtrls.h"
#include "Timer.h"

#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QFontDialog>
#include <QKeyEvent>
#include <QTest>
#include <QTimer>
#include <QWindow>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace {

// A window that writes its events into a shared journal.
class TJournalForm : public TForm {
public:
    TJournalForm(const QString& name, QStringList& journal) : TForm(name) {
        SetClientSize(200, 100);
        OnShow = [&journal, name] { journal << name + ".show"; };
        OnActivate = [&journal, name] { journal << name + ".activate"; };
        OnDeactivate = [&journal, name] { journal << name + ".deactivate"; };
        OnClose = [&journal, name] { journal << name + ".close"; };
    }
};

class FormEvents : public testing::Test {
protected:
    void SetUp() override {
        World.Install();
        A = new TJournalForm("A", Journal);
        B = new TJournalForm("B", Journal);
        M = new TJournalForm("M", Journal);
    }
    void TearDown() override {
        for (TForm* f : {A, B, M}) {
            f->Hide();
            delete f;
        }
        Application->MoveActivity(nullptr);
        ResetServices();
    }
    QStringList Journal;
    TFakeWorld World;
    TForm *A = nullptr, *B = nullptr, *M = nullptr;
};

} // namespace

TEST_F(FormEvents, ShowAndCloseMoveActivity) {
    A->Show();
    B->Show();
    B->Close();
    EXPECT_EQ(Journal, QStringList({"A.show", "A.activate", "B.show", "A.deactivate", "B.activate", "B.close",
                                    "B.deactivate", "A.activate"}));
    EXPECT_EQ(Application->ActiveForm(), A);
    Journal.clear();
    A->Show(); // already visible and active: nothing happens
    EXPECT_TRUE(Journal.isEmpty());
}

TEST_F(FormEvents, CloseHandlerThatShowsAnotherWindowDeactivatesFirst) {
    // As a game window does: its close handler shows the main window.
    A->Show();
    B->OnClose = [this] {
        Journal << "B.close";
        A->Show();
    };
    B->Show();
    Journal.clear();
    B->Close();
    EXPECT_EQ(Journal, QStringList({"B.close", "B.deactivate", "A.activate"}));
    EXPECT_FALSE(B->Visible());
}

TEST_F(FormEvents, ModalWindowLeavesItsCallerWithoutEvents) {
    A->Show();
    Journal.clear();
    QTimer::singleShot(0, [this] {
        EXPECT_FALSE(A->isEnabled()); // the other windows are disabled
        EXPECT_EQ(Application->ActiveForm(), M);
        M->Close();
    });
    M->ShowModal();
    EXPECT_EQ(Journal, QStringList({"M.show", "M.activate", "M.close", "M.deactivate"}));
    EXPECT_TRUE(A->isEnabled());
    EXPECT_EQ(Application->ActiveForm(), A);
}

// A modal window is a dialog of the window that opened it, and has the
// keyboard at every showing; when it closes, and when a box over the opener
// closes, the opener has the keyboard again on the control that had it.
TEST_F(FormEvents, ModalWindowAndBoxAreTiedToTheirOpenerAndGiveTheKeyboardBack) {
    new TEdit(A->Client(), "Edit1", 10, 10, 80, 20);
    auto* second = new TEdit(A->Client(), "Edit2", 10, 40, 80, 20);
    A->Show();
    second->setFocus();
    for (int showing = 0; showing < 2; ++showing) {
        QWindow* opener = nullptr;
        QWidget* active = nullptr;
        QTimer::singleShot(0, [&] {
            QCoreApplication::processEvents(); // the window system's answers
            opener = M->windowHandle()->transientParent();
            active = QApplication::activeWindow();
            M->Close();
        });
        M->ShowModal();
        EXPECT_EQ(opener, A->windowHandle());
        EXPECT_EQ(active, M);
        QCoreApplication::processEvents();
        EXPECT_EQ(QApplication::activeWindow(), A);
        EXPECT_EQ(QApplication::focusWidget(), second);
    }
    Application->RunMessageBox([&] {
        QDialog box(A);
        QTimer::singleShot(0, &box, [&] {
            QCoreApplication::processEvents();
            EXPECT_EQ(QApplication::activeWindow(), &box);
            box.reject();
        });
        box.exec();
    });
    QCoreApplication::processEvents();
    EXPECT_EQ(QApplication::activeWindow(), A);
    EXPECT_EQ(QApplication::focusWidget(), second);
}

TEST_F(FormEvents, MessageBoxTakesActivityAndGivesItBack) {
    A->Show();
    Journal.clear();
    Application->RunMessageBox([] {});
    EXPECT_EQ(Journal, QStringList({"A.deactivate", "A.activate"}));
}

TEST_F(FormEvents, HidingTheOnlyWindowLeavesNoneActive) {
    A->Show();
    A->Hide();
    EXPECT_EQ(Application->ActiveForm(), nullptr);
    Journal.clear();
    A->Show();
    EXPECT_EQ(Journal, QStringList({"A.show", "A.activate"}));
}

TEST_F(FormEvents, ErrorInHandlerGoesToErrorBoxAndProgramGoesOn) {
    auto* button = new TBitBtn(A->Client(), "BitBtn1", 0, 0, 50, 20);
    int clicks = 0;
    button->OnClick = [&] {
        ++clicks;
        throw EFOpenError("Cannot open file \"x\". No such file or directory");
    };
    A->Show();
    QTest::mouseClick(button, Qt::LeftButton);
    QTest::mouseClick(button, Qt::LeftButton);
    EXPECT_EQ(clicks, 2);
    EXPECT_EQ(World.Errors, QStringList({"Cannot open file \"x\". No such file or directory",
                                         "Cannot open file \"x\". No such file or directory"}));
    A->OnActivate = [] { throw Exception("activate failed"); };
    A->Hide();
    A->Show();
    EXPECT_EQ(World.Errors.last(), "activate failed");
    EXPECT_EQ(Application->ActiveForm(), A);
}

namespace {

class MaskedField : public testing::Test {
protected:
    void SetUp() override {
        World.Install();
        Form = new TForm("TMaskForm");
        Form->SetClientSize(300, 100);
        Edit = new TMaskEdit(Form->Client(), "MaskEdit1", 10, 10, 100, 24);
        Edit->SetEditMask("0000;1;_");
        Edit->OnKeyPress = [this](char& key) {
            Keys.push_back(key);
            if (key == 27) Edit->SetText("    ");
        };
        Cancel = new TBitBtn(Form->Client(), "BitBtn1", 120, 10, 60, 24);
        Cancel->OnClick = [this] { ++CancelClicks; };
        Form->SetActiveControl(Edit);
        Form->Show();
        Edit->setFocus();
    }
    void TearDown() override {
        Form->Hide();
        delete Form;
        ResetServices();
    }
    TFakeWorld World;
    TForm* Form = nullptr;
    TMaskEdit* Edit = nullptr;
    TBitBtn* Cancel = nullptr;
    std::string Keys;
    int CancelClicks = 0;
};

} // namespace

TEST_F(MaskedField, UntypedPositionsReadAsSpaces) {
    EXPECT_EQ(Edit->Text(), "    ");
    QTest::keyClicks(Edit, "12");
    EXPECT_EQ(Edit->Text(), "12  ");
    QTest::keyClicks(Edit, "a-3");
    EXPECT_EQ(Edit->Text(), "123 ");
    QTest::keyClicks(Edit, "456");
    EXPECT_EQ(Edit->Text(), "1234"); // at most four characters
    Edit->SetText("1 3 ");
    EXPECT_EQ(Edit->Text(), "1 3 ");
}

TEST_F(MaskedField, KeyPressSeesEnterAndEscFirst) {
    QTest::keyClicks(Edit, "12");
    QTest::keyClick(Edit, Qt::Key_Return);
    EXPECT_EQ(Keys, std::string("12\r"));
    EXPECT_EQ(Edit->Text(), "12  "); // the entered text stays
}

TEST_F(MaskedField, NextGuessTypesOverTheEnteredOne) {
    QTest::keyClicks(Edit, "1234");
    QTest::keyClick(Edit, Qt::Key_Return);
    QTest::keyClicks(Edit, "56");
    EXPECT_EQ(Edit->Text(), "56  ");
}

TEST_F(MaskedField, EscGoesToTheCancelButtonUnlessDigitsWereTyped) {
    Cancel->SetCancel(true);
    QTest::keyClick(Edit, Qt::Key_Escape);
    EXPECT_EQ(CancelClicks, 1);
    QTest::keyClicks(Edit, "12");
    QTest::keyClick(Edit, Qt::Key_Escape);
    EXPECT_EQ(CancelClicks, 1);
    EXPECT_EQ(Keys.back(), 27);
    EXPECT_EQ(Edit->Text(), "    ");
    // After Enter the typed digits count as entered: Esc is the button's again.
    QTest::keyClicks(Edit, "1234");
    QTest::keyClick(Edit, Qt::Key_Return);
    QTest::keyClick(Edit, Qt::Key_Escape);
    EXPECT_EQ(CancelClicks, 2);
}

// Enter and the keypad's Enter press the focused button, as Space does; a
// held-down Enter does not press it again. The field keeps its own Enter,
// and Esc stays the cancel button's.
TEST_F(MaskedField, EnterPressesTheFocusedButtonAndTheFieldKeepsItsEnter) {
    Cancel->SetCancel(true);
    QTest::keyClick(Edit, Qt::Key_Return);
    QTest::keyClick(Edit, Qt::Key_Enter, Qt::KeypadModifier);
    EXPECT_EQ(Keys, std::string("\r\r"));
    EXPECT_EQ(CancelClicks, 0);
    Cancel->setFocus();
    QTest::keyClick(Cancel, Qt::Key_Return);
    QTest::keyClick(Cancel, Qt::Key_Enter, Qt::KeypadModifier);
    EXPECT_EQ(CancelClicks, 2);
    QKeyEvent held(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier, "\r", true);
    QApplication::sendEvent(Cancel, &held);
    EXPECT_EQ(CancelClicks, 2);
    Edit->setFocus();
    QTest::keyClick(Edit, Qt::Key_Escape);
    EXPECT_EQ(CancelClicks, 3);
}

TEST_F(MaskedField, WithoutCancelButtonEscAlwaysReachesTheField) {
    QTest::keyClick(Edit, Qt::Key_Escape);
    EXPECT_EQ(CancelClicks, 0);
    EXPECT_EQ(Keys, std::string(1, 27));
}

TEST(ListBox, ItemIndexLoadAndSave) {
    TListBox box(nullptr, "ListBox1", 0, 0, 100, 100);
    box.SetItems({"a", "b", "c"});
    box.SetItemIndex(1);
    EXPECT_EQ(box.ItemIndex(), 1);
    box.SetItemIndex(3);
    EXPECT_EQ(box.ItemIndex(), -1);
    box.SetItemIndex(-1);
    EXPECT_EQ(box.ItemIndex(), -1);

    const auto dir = std::filesystem::temp_directory_path() / "tv_listbox_test";
    std::filesystem::create_directories(dir);
    const std::string file = (dir / "rows.txt").string();
    box.SaveToFile(file);
    std::ifstream in(file, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ(bytes, "a\r\nb\r\nc\r\n");

    std::ofstream(file, std::ios::binary) << "one\rtwo\nthree\r\nfour";
    box.LoadFromFile(file);
    EXPECT_EQ(box.Items(), QStringList({"one", "two", "three", "four"}));

    EXPECT_THROW(box.LoadFromFile((dir / "missing.txt").string()), EFOpenError);
    EXPECT_EQ(box.Count(), 4); // a failed load keeps the rows
    std::filesystem::remove_all(dir);
}

TEST(Timer, TicksOnlyWhileEnabled) {
    TTimer timer(nullptr, "Stoperica", 100);
    int ticks = 0;
    timer.OnTimer = [&] { ++ticks; };
    timer.Tick();
    EXPECT_EQ(ticks, 0);
    timer.SetEnabled(true);
    EXPECT_EQ(timer.Interval(), 100);
    timer.Tick();
    timer.SetEnabled(false);
    timer.Tick();
    EXPECT_EQ(ticks, 1);
}

// The font dialog of the score windows offers the text colour beside face,
// size and style; Cancel keeps both.
TEST(FontColorDialog, OffersTheColourAndYieldsItWithTheFont) {
    QFont font("DejaVu Sans", 12);
    QColor color = Qt::black;
    auto answer = [](const char* colorName, bool ok) {
        QTimer::singleShot(0, [colorName, ok] {
            auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
            ASSERT_NE(dialog, nullptr);
            auto* colors = dialog->findChild<QComboBox*>("Color");
            ASSERT_NE(colors, nullptr);
            EXPECT_EQ(colors->count(), 16);
            colors->setCurrentIndex(colors->findText(colorName));
            if (ok)
                dialog->accept();
            else
                dialog->reject();
        });
    };
    answer("Maroon", true);
    EXPECT_TRUE(RunFontColorDialog(font, color, nullptr));
    EXPECT_EQ(color, QColor(128, 0, 0));
    EXPECT_EQ(font.family(), "DejaVu Sans");
    EXPECT_EQ(font.pointSize(), 12);
    answer("Lime", false);
    EXPECT_FALSE(RunFontColorDialog(font, color, nullptr));
    EXPECT_EQ(color, QColor(128, 0, 0));
    // Esc in the font panel closes the whole dialog, as Cancel.
    bool closedByEsc = false;
    QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        QTest::keyClick(dialog->findChild<QFontDialog*>(), Qt::Key_Escape);
        closedByEsc = !dialog->isVisible();
        if (!closedByEsc) dialog->reject();
    });
    EXPECT_FALSE(RunFontColorDialog(font, color, nullptr));
    EXPECT_TRUE(closedByEsc);
}

// The three padded captions of the main menu at 574 pixels: the trailing item
// wraps onto a second row; with a larger desktop font the bar's font shrinks
// until no item is left behind the extension button.
TEST(MainMenuBar, KeepsEveryTopLevelItemOnTheBar) {
    for (double points : {9.0, 12.0}) {
        TForm window("TWrapped");
        auto* bar = new TMainMenu(&window, "MainMenu1");
        QFont font("DejaVu Sans");
        font.setPointSizeF(points);
        bar->setFont(font);
        bar->AddTopItem("Distinct1", QString("Numbers with digits that aren't repeating") + QString(4, ' '));
        bar->AddTopItem("Repeating1", QString("Numbers with digits that are repeating") + QString(5, ' '));
        bar->AddTrailingTopItem("Help1", QString("Help") + QString(34, ' '));
        window.SetMenuBar(bar);
        window.SetClientSize(574, 613);
        window.show();
        QCoreApplication::processEvents();
        int rows = 0;
        for (QAction* action : bar->actions()) {
            if (action->isSeparator()) continue;
            const QRect item = bar->actionGeometry(action);
            EXPECT_TRUE(bar->rect().contains(item)) << points << " " << action->text().toStdString();
            EXPECT_GE(item.width(), bar->fontMetrics().horizontalAdvance(action->text()));
            rows = std::max(rows, item.bottom() / item.height() + 1);
        }
        EXPECT_EQ(rows, 2) << points;
        EXPECT_EQ(window.ClientHeight(), 613);
        EXPECT_EQ(window.Client()->y(), bar->height());
        if (points == 9.0) {
            EXPECT_EQ(bar->font().pointSizeF(), 9.0); // fits as it is
        }
        window.hide();
    }
}

// A label given its own font at creation is sized to its caption in that
// font, exactly as one whose font is set afterwards, and still follows later
// changes of caption and font.
TEST(Label, OwnFontSizesItLikeAFontSetAfterwards) {
    QWidget parent;
    parent.setFont(ControlFont(11, false));
    const QString caption = "    Duration          Date                Name  ";
    TLabel later(&parent, "Later", 22, 4, caption);
    const QSize inherited = later.size();
    later.setFont(ControlFont(13, true));
    TLabel own(&parent, "Own", 22, 4, caption, ControlFont(13, true));
    EXPECT_NE(later.size(), inherited);
    EXPECT_EQ(own.size(), later.size());
    EXPECT_EQ(own.font(), later.font());
    EXPECT_EQ(own.pos(), QPoint(22, 4));
    EXPECT_EQ(own.text(), caption);

    own.SetCaption("1)");
    later.SetCaption("1)");
    EXPECT_EQ(own.size(), later.size());
    own.setFont(ControlFont(20, true));
    EXPECT_GT(own.height(), later.height());
}
