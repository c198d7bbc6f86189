// The congratulation window and the two user's guides, created as the
// program creates them and opened as the player opens them.
#include "Application.h"
#include "Buttons.h"
#include "Example.h"
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

TEST_F(InfoWindows, AllThirtyOneWindowsCreatedInTheProgramsOrder) {
    EXPECT_EQ(CreationOrder(),
              QStringList({"TFormM",    "TForm4",    "TForm7",    "TForm8",    "TForm9",    "TForm44",
                           "TForm55",   "TForm66",   "TForm77",   "TForm88",   "TForm99",   "TFormHH",
                           "TFScore7",  "TFScore8",  "TFScore9",  "TFScore44", "TFScore55", "TFScore66",
                           "TFScore77", "TFScore88", "TFScore99", "TForm5",    "TFScore5",  "TFScore6",
                           "TForm6",    "TFScore4",  "TFormH",    "TForm1",    "TAboutBox", "TFormVH",
                           "TFormE"}));
    for (TForm* form : Application->AllForms())
        EXPECT_EQ(form->Visible(), form == FormM) << form->objectName().toStdString();
}

TEST_F(InfoWindows, ExamplesViewerPagesAndRemembersItsPlace) {
    FormM->ProgramDir = QString(TV_PROGRAM_DIR) + "/";
    TForm* viewer = Application->FindForm("TFormE");
    ASSERT_NE(viewer, nullptr);
    auto label = [&](const char* name) { return viewer->findChild<QLabel*>(name)->text(); };
    auto click = [&](const char* name) { viewer->findChild<TBitBtn*>(name)->Click(); };
    auto picture = [&] { return viewer->findChild<TImage*>("Image1")->Picture.Graphic(); };
    EXPECT_EQ(viewer->windowTitle(), "Examples");
    EXPECT_EQ(label("Label1"), "Example 1");
    EXPECT_EQ(label("Label2"), "Total examples is 10");
    ASSERT_NE(picture(), nullptr); // the window carries example 1
    WhileModal(
        viewer,
        [&] {
            EXPECT_TRUE(viewer->isMaximized());
            const TGraphic* carried = picture();
            click("BitBtn2"); // previous on the first: nothing, no file read
            EXPECT_EQ(picture(), carried);
            for (int i = 0; i < 9; ++i) click("BitBtn1");
            EXPECT_EQ(label("Label1"), "Example 10");
            const TGraphic* tenth = picture();
            click("BitBtn1"); // next on the tenth: nothing
            EXPECT_EQ(picture(), tenth);
            EXPECT_EQ(label("Label1"), "Example 10");
            for (int i = 0; i < 6; ++i) click("BitBtn2");
            EXPECT_EQ(label("Label1"), "Example 4");
            click("BitBtn3");
        },
        [&] { viewer->ShowModal(); });
    EXPECT_FALSE(viewer->Visible());
    EXPECT_TRUE(World.Errors.isEmpty());
    // Reopened from the menu: still example 4.
    QString shown;
    WhileModal(
        viewer, [&] { shown = label("Label1"); }, [&] { FormM->MainMenu1->FindItem("About2")->Click(); });
    EXPECT_EQ(shown, "Example 4");
}

TEST_F(InfoWindows, MissingExamplePictureKeepsNumberPictureAndLabelTogether) {
    FormM->ProgramDir = "/nonexistent/";
    TForm* viewer = Application->FindForm("TFormE");
    auto* index = &static_cast<TFormE*>(viewer)->ExampleIndex;
    const int before = *index;
    const QString label = viewer->findChild<QLabel*>("Label1")->text();
    viewer->findChild<TBitBtn*>(before < 10 ? "BitBtn1" : "BitBtn2")->Click();
    EXPECT_EQ(World.Errors.size(), 1);
    EXPECT_EQ(*index, before);
    EXPECT_EQ(viewer->findChild<QLabel*>("Label1")->text(), label);
}

TEST_F(InfoWindows, VisualHelpOpensBesideTheMainWindowAndClosesOnItsPicture) {
    TForm* help = Application->FindForm("TFormVH");
    ASSERT_NE(help, nullptr);
    EXPECT_EQ(help->windowTitle(), "What is Tulva,what is Vesk?!");
    EXPECT_EQ(help->ClientWidth(), 470);
    EXPECT_EQ(help->ClientHeight(), 404);
    auto* picture = help->findChild<TImage*>("Image1");
    ASSERT_NE(picture->Picture.Graphic(), nullptr);
    EXPECT_EQ(picture->Picture.Graphic()->ClassName(), "TGIFImage");
    EXPECT_EQ(picture->toolTip(), "Close");
    for (QPoint place : {QPoint(100, 50), QPoint(300, 120)}) {
        FormM->move(place);
        QPoint opened;
        const bool closed = WhileModal(
            help,
            [&] {
                opened = help->pos();
                QTest::mouseClick(picture, Qt::LeftButton, {}, QPoint(10, 10));
            },
            [&] { FormM->MainMenu1->FindItem("VisualHelp1")->Click(); });
        EXPECT_TRUE(closed);
        EXPECT_EQ(opened, FormM->pos() + QPoint(54, 158));
    }
}

TEST_F(InfoWindows, AboutShowsTheProductAndCloses) {
    TForm* about = Application->FindForm("TAboutBox");
    ASSERT_NE(about, nullptr);
    EXPECT_EQ(about->windowTitle(), "About");
    EXPECT_EQ(about->ClientWidth(), 532);
    EXPECT_EQ(about->ClientHeight(), 575);
    EXPECT_EQ(about->findChild<QLabel*>("Label1")->text(), "Tulva And Vesk - T&V");
    EXPECT_EQ(about->findChild<QLabel*>("Label9")->text(), "Version 0.9");
    EXPECT_EQ(about->findChild<QLabel*>("Label4")->text(), "Designed by:");
    for (const char* name : {"Image1", "Image2", "Image3", "Image5"})
        EXPECT_NE(about->findChild<TImage*>(name)->Picture.Graphic(), nullptr) << name;
    const bool closed = WhileModal(
        about, [&] { about->findChild<TBitBtn*>("BitBtn1")->Click(); },
        [&] { FormM->MainMenu1->FindItem("About1")->Click(); });
    EXPECT_TRUE(closed);
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
