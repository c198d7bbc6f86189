// The game played with the keyboard alone, through the real windows: F10
// and the arrow keys in the menu, Tab to a button by its accessible name
// and Space to press it, digits and Enter in the input field, Esc and
// Alt+F4 to close windows. Every picture button is named for screen readers.
#include "Buttons.h"
#include "GameDriver.h"
#include "ImageControl.h"
#include "StepRunner.h"

#include <QFile>
#include <QMenu>

namespace {

class KeyboardPlay : public GameDriver {
protected:
    void SetUp() override {
        GameDriver::SetUp();
        QFile::remove("sc4.pr");
    }

    // F10 opens the menu bar; Right moves to the top-level item, Down to the item, Return chooses it.
    static void ChooseFromMenu(int topItem, const QString& item) {
        TStepRunner::Key(Qt::Key_F10);
        for (int i = 0; i < topItem; ++i) TStepRunner::Key(Qt::Key_Right);
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        ASSERT_NE(menu, nullptr) << "no menu opened for " << item.toStdString();
        for (int i = 0; i < 12 && (!menu->activeAction() || menu->activeAction()->objectName() != item); ++i)
            TStepRunner::Key(Qt::Key_Down);
        ASSERT_EQ(menu->activeAction()->objectName(), item);
        TStepRunner::Key(Qt::Key_Return);
    }

    // Tab until the focused control is the button of that name, then Space
    // (or the key given).
    static void Press(const QString& name, Qt::Key key = Qt::Key_Space,
                      Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        for (int i = 0; i < 40 && !IsButton(TStepRunner::Focused(), name); ++i) TStepRunner::Key(Qt::Key_Tab);
        ASSERT_TRUE(IsButton(TStepRunner::Focused(), name)) << name.toStdString();
        TStepRunner::Key(key, modifiers);
    }
    static bool IsButton(QWidget* widget, const QString& name) {
        auto* button = dynamic_cast<TBitBtn*>(widget);
        return button && button->accessibleName() == name;
    }

    // The window the player sees on top: active, and the one the keys go to.
    void ExpectOnTop(const QString& className) {
        TForm* form = Application->FindForm(className);
        EXPECT_TRUE(form->Visible()) << className.toStdString();
        EXPECT_EQ(Application->ActiveForm(), form) << className.toStdString();
    }

    TStepRunner Steps;
};

} // namespace

TEST_F(KeyboardPlay, EveryPictureButtonAndClickablePictureIsNamed) {
    int buttons = 0;
    for (TForm* form : Application->AllForms()) {
        // The controls have no meta-object of their own: they are told apart by their C++ type.
        for (QWidget* control : form->findChildren<QWidget*>()) {
            const std::string where =
                form->objectName().toStdString() + "." + control->objectName().toStdString();
            if (auto* button = dynamic_cast<TBitBtn*>(control)) {
                ++buttons;
                EXPECT_FALSE(button->accessibleName().trimmed().isEmpty()) << where;
                EXPECT_EQ(button->toolTip(), button->accessibleName()) << where;
                EXPECT_EQ(button->text(), QString()) << where; // the words are in the picture only
            } else if (auto* picture = dynamic_cast<TImage*>(control); picture && picture->OnClick) {
                EXPECT_EQ(picture->accessibleName(), QString("Close")) << where;
            }
        }
    }
    EXPECT_GE(buttons, 12 * 7 + 12 * 3);
    auto* newGame = Application->FindForm("TForm4")->findChild<TBitBtn*>("BitBtn1");
    EXPECT_EQ(newGame->accessibleName(), QString("New Game"));
    EXPECT_EQ(Application->FindForm("TFScore4")->findChild<TBitBtn*>("BitBtn2")->accessibleName(),
              QString("Clear"));
}

TEST_F(KeyboardPlay, WholeGameIsPlayableWithoutAMouse) {
    FormM->Show();
    Steps.Add([&] { TStepRunner::Type("Ada"); });
    Steps.Add([&] {
        EXPECT_EQ(FormM->PlayerName, "Ada");
        ChooseFromMenu(0, "Numberswith4digits1");
    });
    Steps.Add([&] {
        ExpectOnTop("TForm4");
        EXPECT_FALSE(FormM->Visible());
        Game = dynamic_cast<TGameWindow*>(Application->FindForm("TForm4"));
        World.Random->Script = DistinctScript("1234");
        Press("New Game");
    });
    Steps.Add([&] {
        ASSERT_EQ(Game->Session.Secret(), "1234");
        TStepRunner::Type("5678");
        TStepRunner::Key(Qt::Key_Return);
    });
    Steps.Add([&] {
        EXPECT_TRUE(List()->Item(1).contains("5678"));
        Press("Help"); // opens the guide modally; the next step runs inside it
    });
    Steps.Add([&] {
        ExpectOnTop("TFormH");
        Press("Close");
    });
    Steps.Add([&] {
        ExpectOnTop("TForm4");
        EXPECT_EQ(TStepRunner::Focused(), Edit());        // typing goes on where it was
        TStepRunner::Key(Qt::Key_A, Qt::ControlModifier); // over the last guess
        TStepRunner::Type("1234");
        TStepRunner::Key(Qt::Key_Return); // wins: the congratulation window opens
    });
    Steps.Add([&] {
        ExpectOnTop("TForm1");
        TStepRunner::Key(Qt::Key_Return);
    });
    Steps.Add([&] {
        EXPECT_EQ(Game->ScoreRow, 0);
        Press("Score");
    });
    Steps.Add([&] {
        ExpectOnTop("TFScore4");
        EXPECT_TRUE(
            Application->FindForm("TFScore4")->findChild<TListBox*>("ListBox4")->Item(0).endsWith("Ada"));
        TStepRunner::Key(Qt::Key_Escape);
    });
    Steps.Add([&] { Press("Exit"); });
    Steps.Add([&] {
        EXPECT_FALSE(Game->Visible());
        ExpectOnTop("TFormM");
        ChooseFromMenu(1, "Numberswith9digits2");
    });
    Steps.Add([&] {
        ExpectOnTop("TForm99");
        TStepRunner::Key(Qt::Key_F4, Qt::AltModifier);
    });
    // Every window of the Help menu opens and closes from the keyboard.
    const std::pair<const char*, const char*> helpItems[] = {
        {"VisualHelp1", "TFormVH"},
        {"Numberswithdigitsthatarentrepeating1", "TFormH"},
        {"Numberswithdigitsthatarerepeating1", "TFormHH"},
        {"About2", "TFormE"},
        {"About1", "TAboutBox"},
    };
    for (const auto& [item, window] : helpItems) {
        Steps.Add([&, item = QString(item)] {
            ExpectOnTop("TFormM");
            ChooseFromMenu(2, item);
        });
        Steps.Add([&, window = QString(window)] {
            ExpectOnTop(window);
            TStepRunner::Key(Qt::Key_Escape);
        });
    }
    Steps.Add([&] {
        ExpectOnTop("TFormM");
        Press("Close");
    });
    Steps.Run();
    EXPECT_FALSE(FormM->Visible());
    for (TForm* form : Application->AllForms())
        EXPECT_FALSE(form->Visible()) << form->objectName().toStdString();
    QFile scores("sc4.pr");
    ASSERT_TRUE(scores.open(QIODevice::ReadOnly));
    EXPECT_TRUE(QString::fromUtf8(scores.readAll()).contains("Ada"));
    EXPECT_TRUE(World.Errors.isEmpty()) << World.Errors.join("; ").toStdString();
}

// Enter, and the keypad's Enter, press the focused button as Space does:
// New Game, New Game again after a win, the score window's Close (focused
// when it opens) and About's OK.
TEST_F(KeyboardPlay, EnterPressesTheFocusedButtonInEveryWindow) {
    FormM->Show();
    // The main window is active from the event loop's first pass on.
    Steps.Add([&] { TStepRunner::Type("Ada"); });
    Steps.Add([&] { ChooseFromMenu(0, "Numberswith4digits1"); });
    Steps.Add([&] {
        Game = dynamic_cast<TGameWindow*>(Application->FindForm("TForm4"));
        World.Random->Script = DistinctScript("1234");
        Press("New Game", Qt::Key_Return);
    });
    Steps.Add([&] {
        ASSERT_EQ(Game->Session.Secret(), "1234");
        TStepRunner::Type("1234");
        TStepRunner::Key(Qt::Key_Return); // wins: the congratulation window opens
    });
    Steps.Add([&] {
        ExpectOnTop("TForm1");
        TStepRunner::Key(Qt::Key_Return);
    });
    Steps.Add([&] {
        ExpectOnTop("TForm4");
        World.Random->Script = DistinctScript("5678");
        Press("New Game", Qt::Key_Enter, Qt::KeypadModifier);
    });
    Steps.Add([&] {
        EXPECT_EQ(Game->Session.Secret(), "5678");
        Press("Score", Qt::Key_Return);
    });
    Steps.Add([&] {
        ExpectOnTop("TFScore4");
        EXPECT_TRUE(IsButton(TStepRunner::Focused(), "Close"));
        TStepRunner::Key(Qt::Key_Return);
    });
    Steps.Add([&] {
        ExpectOnTop("TForm4");
        Press("Exit", Qt::Key_Return);
    });
    Steps.Add([&] {
        ExpectOnTop("TFormM");
        ChooseFromMenu(2, "About1");
    });
    Steps.Add([&] {
        ExpectOnTop("TAboutBox");
        Press("OK", Qt::Key_Enter, Qt::KeypadModifier);
    });
    Steps.Run();
    EXPECT_FALSE(Game->Visible());
    EXPECT_FALSE(Application->FindForm("TAboutBox")->Visible());
    EXPECT_TRUE(FormM->Visible());
    EXPECT_TRUE(World.Errors.isEmpty()) << World.Errors.join("; ").toStdString();
}

TEST_F(KeyboardPlay, ButtonAndMarkerPicturesHaveThePixelsOfA200PercentScreen) {
    auto* game = Application->FindForm("TForm44"); // its markers stay when the main window closes
    auto* newGame = game->findChild<TBitBtn*>("BitBtn1");
    const QPixmap face = newGame->icon().pixmap(newGame->iconSize(), 2.0);
    EXPECT_EQ(face.width(), 2 * newGame->iconSize().width());
    EXPECT_EQ(face.deviceIndependentSize().toSize(), newGame->iconSize());
    for (const char* name : {"Image2", "Image3"}) {
        auto* marker = game->findChild<TImage*>(name);
        ASSERT_NE(marker, nullptr) << name;
        ASSERT_NE(marker->Picture.Graphic(), nullptr) << name;
        EXPECT_TRUE(marker->Stretch()) << name;
        EXPECT_EQ(marker->Picture.Graphic()->Width(), 2 * marker->width()) << name;
    }
}
