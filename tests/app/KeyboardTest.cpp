// The whole game by keyboard alone: the menu, New Game, guesses, Help,
// Score, Exit, and closing every window, with key presses sent where the
// player's focus is. Picture buttons carry their words as accessible names.
#include "Application.h"
#include "Buttons.h"
#include "FakeServices.h"
#include "GameWindow.h"
#include "ImageControl.h"
#include "UMein.h"
#include "startup.h"

#include <QMenu>
#include <QMenuBar>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

namespace {

// Where a key press of the player goes: an open menu first, then the focus.
QWidget* KeyTarget() {
    if (QWidget* popup = QApplication::activePopupWidget()) return popup;
    if (QWidget* focus = QApplication::focusWidget()) return focus;
    return QApplication::activeWindow();
}

void Press(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QWidget* target = KeyTarget();
    ASSERT_NE(target, nullptr);
    QTest::keyClick(target, static_cast<Qt::Key>(key), modifiers);
}

void Type(const QString& text) {
    QTest::keyClicks(KeyTarget(), text);
}

// Moves the focus with Tab to the control named `name` of the active window.
bool TabTo(const QString& name) {
    for (int presses = 0; presses < 40; ++presses) {
        if (QApplication::focusWidget() && QApplication::focusWidget()->objectName() == name) return true;
        Press(Qt::Key_Tab);
    }
    return false;
}

// Opens a window by keyboard; `inside` runs while it is up (it is modal),
// then the window is closed by keyboard through its control `closer`.
void WhileModal(
    const QString& window, const QString& closer, std::function<void()> open,
    std::function<void()> inside = [] {}) {
    bool seen = false, reached = false;
    QTimer::singleShot(0, [&] {
        TForm* form = Application->FindForm(window);
        seen = form && form->Visible();
        if (form) QApplication::setActiveWindow(form); // as the window manager does
        inside();
        reached = TabTo(closer);
        if (reached) Press(Qt::Key_Space);
        if (form && form->Visible()) form->Close(); // keeps the test going on failure
    });
    open();
    EXPECT_TRUE(seen) << window.toStdString();
    EXPECT_TRUE(reached) << window.toStdString() << " closed by keyboard through " << closer.toStdString();
}

class Keyboard : public testing::Test {
protected:
    static void SetUpTestSuite() {
        if (!Application->MainForm()) CreateForms();
    }
    void SetUp() override {
        World.Install();
        FormM->ProgramDir = QDir::currentPath() + "/";
        FormM->Show();
        QApplication::setActiveWindow(FormM);
    }
    void TearDown() override {
        for (TForm* form : Application->AllForms()) form->Hide();
        ResetServices();
    }
    TFakeWorld World;
};

} // namespace

TEST_F(Keyboard, MenuNewGameGuessesHelpScoreAndExitWithoutAMouse) {
    // The menu bar by Alt, then the arrows: the first game of the first menu.
    auto* bar = FormM->findChild<QMenuBar*>();
    ASSERT_NE(bar, nullptr);
    Press(Qt::Key_Alt);
    QTest::keyRelease(bar, Qt::Key_Alt);
    bar->setActiveAction(bar->actions().front());
    Press(Qt::Key_Down); // the first item: "Numbers with 4 digits"
    Press(Qt::Key_Return);
    auto* game = dynamic_cast<TGameWindow*>(Application->FindForm("TForm4"));
    ASSERT_NE(game, nullptr);
    ASSERT_TRUE(game->Visible());
    EXPECT_FALSE(FormM->Visible());
    QApplication::setActiveWindow(game);

    // New Game, then a guess typed into the field and a win.
    World.Random->Script = {1, 2, 3, 4}; // any secret: read it back below
    ASSERT_TRUE(TabTo("BitBtn1"));
    Press(Qt::Key_Space);
    const QString secret = QString::fromStdString(game->Secret);
    ASSERT_EQ(secret.size(), 4);
    ASSERT_TRUE(TabTo("MaskEdit1"));
    Press(Qt::Key_Home);
    Type(secret == "1234" ? "5678" : "1234");
    Press(Qt::Key_Return);

    // Help and Score open from their buttons and close by keyboard.
    WhileModal("TFormH", "BitBtn1", [&] {
        ASSERT_TRUE(TabTo(game->Variant.HelpButton));
        Press(Qt::Key_Space);
    });
    QApplication::setActiveWindow(game);
    WhileModal("TFScore4", "BitBtn1", [&] {
        ASSERT_TRUE(TabTo(game->Variant.ScoreButton));
        Press(Qt::Key_Space);
    });
    QApplication::setActiveWindow(game);

    // The winning guess: the congratulation window closes with Escape.
    QTimer::singleShot(0, [] {
        QApplication::setActiveWindow(Application->FindForm("TForm1"));
        Press(Qt::Key_Escape);
    });
    ASSERT_TRUE(TabTo("MaskEdit1"));
    Press(Qt::Key_Home);
    Type(secret);
    Press(Qt::Key_Return);
    EXPECT_FALSE(Application->FindForm("TForm1")->Visible());
    QApplication::setActiveWindow(game);
    QFile scores("sc4.pr");
    ASSERT_TRUE(scores.open(QIODevice::ReadOnly));
    EXPECT_FALSE(scores.readAll().isEmpty());

    // Exit: back to the main window.
    ASSERT_TRUE(TabTo("BitBtn2"));
    Press(Qt::Key_Space);
    EXPECT_FALSE(game->Visible());
    EXPECT_TRUE(FormM->Visible());
}

TEST_F(Keyboard, EveryInformationWindowClosesByKeyboard) {
    const struct {
        const char* Window;
        const char* Closer;
    } windows[] = {{"TFormH", "BitBtn1"},
                   {"TFormHH", "BitBtn1"},
                   {"TFormE", "BitBtn3"},
                   {"TAboutBox", "BitBtn1"},
                   {"TFormVH", "Image1"}};
    for (const auto& w : windows)
        WhileModal(w.Window, w.Closer, [&] { Application->FindForm(w.Window)->ShowModal(); });
}

TEST_F(Keyboard, PictureButtonsCarryTheirWordsAsNamesAndTooltips) {
    int buttons = 0;
    for (TForm* form : Application->AllForms())
        for (TBitBtn* button : form->findChildren<TBitBtn*>()) {
            ++buttons;
            EXPECT_FALSE(button->accessibleName().isEmpty())
                << form->objectName().toStdString() << '.' << button->objectName().toStdString();
            EXPECT_EQ(button->toolTip(), button->accessibleName());
        }
    EXPECT_GT(buttons, 100);
    auto* newGame = Application->FindForm("TForm4")->findChild<TBitBtn*>("BitBtn1");
    EXPECT_EQ(newGame->accessibleName(), "New Game");
}
