// The congratulation window and the two user's guides, created as the
// program creates them and opened as the player opens them.
#include "Application.h"
#include "Buttons.h"
#include "FakeServices.h"
#include "ImageControl.h"
#include "Menus.h"
#include "StdCtrls.h"
#include "TabSetMemo.h"
#include "UMein.h"
#include "startup.h"

#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include <functional>

namespace {

class InfoWindows : public testing::Test {
protected:
    static void SetUpTestSuite() {
        if (!Application->MainForm()) CreateForms();
    }
    void SetUp() override {
        World.Install();
        FormM->Show();
    }
    void TearDown() override {
        for (TForm* form : Application->AllForms())
            if (form != FormM) form->Hide();
        ResetServices();
    }

    // Shows `window` modally and runs `inside` while it is up; returns whether it closed.
    bool WhileModal(TForm* window, std::function<void()> inside, std::function<void()> open) {
        bool closedInside = false;
        QTimer::singleShot(0, [&] {
            inside();
            closedInside = !window->Visible();
            window->Close();
        });
        open();
        return closedInside;
    }

    TFakeWorld World;
};

QStringList CreationOrder() {
    QStringList names;
    for (TForm* form : Application->AllForms()) names << form->objectName();
    return names;
}

} // namespace

TEST_F(InfoWindows, CreatedInTheProgramsOrder) {
    const QStringList names = CreationOrder();
    const QStringList expected = {"TFormM", "TForm4", "TForm44", "TFormHH", "TFormH", "TForm1"};
    QStringList present;
    for (const QString& name : names)
        if (expected.contains(name)) present << name;
    EXPECT_EQ(present, expected);
    EXPECT_EQ(names.front(), "TFormM");
}

TEST_F(InfoWindows, CongratulationClosesOnThePictureOnly) {
    TForm* bravo = Application->FindForm("TForm1");
    ASSERT_NE(bravo, nullptr);
    EXPECT_EQ(bravo->windowTitle(), "Tulva And Vesk");
    EXPECT_EQ(bravo->ClientWidth(), 378);
    EXPECT_EQ(bravo->ClientHeight(), 308);
    auto text = [&](const char* name) { return bravo->findChild<QLabel*>(name)->text(); };
    EXPECT_EQ(text("Label1"), "CONGRATULATION!");
    EXPECT_EQ(text("Label2"), "YOU SUCCEED TO GUESS");
    EXPECT_EQ(text("Label3"), "DETERMINATION  NUMBER");
    EXPECT_EQ(bravo->findChild<QWidget*>("Panel2")->toolTip(), "Close");

    const bool closedByLabels = WhileModal(
        bravo,
        [&] {
            for (const char* name : {"Label1", "Label2", "Label3"})
                QTest::mouseClick(bravo->findChild<QWidget*>(name), Qt::LeftButton);
        },
        [&] { bravo->ShowModal(); });
    EXPECT_FALSE(closedByLabels);

    const bool closedByPicture = WhileModal(
        bravo,
        [&] { QTest::mouseClick(bravo->findChild<TImage*>("Image3"), Qt::LeftButton, {}, QPoint(5, 5)); },
        [&] { bravo->ShowModal(); });
    EXPECT_TRUE(closedByPicture);

    const bool closedByEnter = WhileModal(
        bravo, [&] { QTest::keyClick(bravo, Qt::Key_Return); }, [&] { bravo->ShowModal(); });
    EXPECT_TRUE(closedByEnter);
}

TEST_F(InfoWindows, GuidesOpenModallyFromTheMenu) {
    struct Case {
        const char* MenuItem;
        const char* Window;
        int Width, Height;
        const char* Header;
        QStringList Headings;
    };
    const Case cases[] = {
        {"Numberswithdigitsthatarentrepeating1",
         "TFormH",
         656,
         515,
         "USER'S GUIDE FOR THE GAME TULVA AND VESK  ",
         {"1. Instruction for the game with 4 digits which are not repeated:", "What is Tulva ?",
          "What is Vesk ?",
          "For example :", "ATTENTION:", "2. Instructions for the game with 5 digits which are not repeated:",
          "3. Instructions for the game with 6 digits which are not repeated:",
          "4. Instruction for the game with 7 digits which are not repeated:",
          "5. Instruction for the game with 8 digits which are not repeated:",
          "6. Instruction for the game with 9 digits which are not repeated:"}},
        {"Numberswithdigitsthatarerepeating1",
         "TFormHH",
         674,
         513,
         "USER'S GUIDE FOR THE GAME TULVA AND VESK",
         {"1. Instruction for the game with 4 digits which are repeated:", "What is Tulva ?",
          "What is Vesk ?",
          "For example :", "ATTENTION:", "2. Instructions for the game with 5 digits which are repeating:",
          "3. Instructions for the game with 6 digits which are repeated:",
          "4. Instruction for the game with 7 digits which are repeated:",
          "5. Instruction for the game with 8 digits which are repeated:",
          "6. Instruction for the game with 9 digits which are repeated:"}},
    };
    for (const Case& c : cases) {
        TForm* guide = Application->FindForm(c.Window);
        ASSERT_NE(guide, nullptr) << c.Window;
        EXPECT_EQ(guide->windowTitle(), " Help for Tulva and Vesk ");
        EXPECT_EQ(guide->ClientWidth(), c.Width);
        EXPECT_EQ(guide->ClientHeight(), c.Height);
        EXPECT_EQ(guide->findChild<TPanel*>("Panel4")->Caption(), c.Header);
        auto* memo = guide->findChild<TMemo*>("Memo1");
        EXPECT_TRUE(memo->isReadOnly());
        const QStringList lines = memo->Lines();
        int at = -1;
        for (const QString& heading : c.Headings) {
            const int found = static_cast<int>(lines.indexOf(heading, at + 1));
            EXPECT_GT(found, at) << heading.toStdString();
            at = std::max(at, found);
        }

        bool shown = false;
        const bool closedByButton = WhileModal(
            guide,
            [&] {
                shown = guide->Visible() && Application->ActiveForm() == guide && !FormM->isEnabled();
                QTest::mouseClick(guide->findChild<TBitBtn*>("BitBtn1"), Qt::LeftButton);
            },
            [&] { FormM->MainMenu1->FindItem(c.MenuItem)->Click(); });
        EXPECT_TRUE(shown) << c.Window;
        EXPECT_TRUE(closedByButton) << c.Window;
        EXPECT_TRUE(FormM->Visible());
        EXPECT_TRUE(FormM->isEnabled());
    }
}
