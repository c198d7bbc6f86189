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

#include "Canvas.h"
#include "GIFAppExtNSLoop.h"
#include "GIFDrawFlags.h"
#include "GIFGraphicControlExtension.h"
#include "GIFImage.h"
#include "GIFPainterTimer.h"
#include "GIFSubImage.h"
#include "Stream.h"

#include <QApplication>
#include <QFile>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QScreen>
#include <QTest>
#include <QTimer>
#include <QToolTip>
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

// The visual help's blue ground keeps its shade in every frame, as the
// painter shows them one after another through a whole loop.
TEST(VisualHelpPicture, GroundKeepsItsShadeInEveryFrame) {
    QFile file(":/pictures/visual-help.gif");
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    TBorrowedMemoryStream stream(bytes.constData(), bytes.size());
    TGIFImage image;
    image.LoadFromStream(stream);
    QImage drawn(image.Width(), image.Height(), QImage::Format_ARGB32_Premultiplied);
    drawn.fill(Qt::transparent);
    TCanvas canvas(&drawn);
    const QPoint groundPoints[] = {{2, 2}, {image.Width() - 3, image.Height() - 3}, {200, 30}};
    std::vector<std::vector<QRgb>> grounds;
    image.OnAfterPaint = [&](TGIFPainter&) {
        grounds.emplace_back();
        for (QPoint p : groundPoints) grounds.back().push_back(drawn.pixel(p));
    };
    image.PainterTimerFactory = [] { return std::make_unique<TGIFInstantTimer>(); };
    const uint16_t flags = GIFDrawFlagsDefault & ~(DrawAsync | DrawLoop | DrawDither | DrawAutoDither);
    image.Paint(nullptr, canvas, flags, {0, 0, image.Width(), image.Height()});
    ASSERT_EQ(grounds.size(), 38u);
    const QColor ground(grounds[0][0]);
    EXPECT_GT(ground.blue(), 2 * ground.red());
    for (size_t frame = 0; frame < grounds.size(); ++frame)
        for (QRgb shown : grounds[frame]) EXPECT_EQ(QColor(shown), ground) << "frame " << frame;
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

TEST_F(InfoWindows, TheBannerOfTheMainAndAboutWindowsIsDecodedOnceAndPlaysInEachOnItsOwn) {
    const auto gifOf = [](const char* window, const char* image) {
        return dynamic_cast<TGIFImage*>(
            Application->FindForm(window)->findChild<TImage*>(image)->Picture.Graphic());
    };
    TGIFImage* mainBanner = gifOf("TFormM", "Image10");
    TGIFImage* aboutBanner = gifOf("TAboutBox", "Image3");
    ASSERT_NE(mainBanner, nullptr);
    ASSERT_NE(aboutBanner, nullptr);
    ASSERT_NE(mainBanner, aboutBanner);
    ASSERT_GT(mainBanner->Images.Count(), 1);
    ASSERT_EQ(aboutBanner->Images.Count(), mainBanner->Images.Count());
    const auto framesShared = [&] {
        for (int i = 0; i < mainBanner->Images.Count(); ++i)
            if (!aboutBanner->Images[i].SharesPixelsWith(mainBanner->Images[i])) return false;
        return true;
    };
    EXPECT_TRUE(framesShared());

    FormM->findChild<TImage*>("Image10")->grab();
    ASSERT_NE(mainBanner->FramePainter(), nullptr);
    TForm* about = Application->FindForm("TAboutBox");
    bool bothPlay = false;
    WhileModal(
        about,
        [&] {
            about->findChild<TImage*>("Image3")->grab();
            bothPlay = aboutBanner->FramePainter() && mainBanner->FramePainter() &&
                       aboutBanner->FramePainter() != mainBanner->FramePainter();
        },
        [&] { FormM->MainMenu1->FindItem("About1")->Click(); });
    EXPECT_TRUE(bothPlay);
    // Closing the About window stopped its banner only.
    EXPECT_EQ(aboutBanner->PainterCount(), 0);
    EXPECT_NE(mainBanner->FramePainter(), nullptr);
    EXPECT_TRUE(framesShared());
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

namespace {

void SendKey(QWidget* window, QEvent::Type type, int key, bool autoRepeat) {
    QKeyEvent event(type, key, Qt::NoModifier, key == Qt::Key_Space ? " " : "\r", autoRepeat);
    QApplication::sendEvent(window, &event);
}

// The hint shown for a point of a control, as a pause of the mouse there shows it.
QString HintAt(QWidget* control, QPoint at) {
    QHelpEvent event(QEvent::ToolTip, at, control->mapToGlobal(at));
    QApplication::sendEvent(control, &event);
    return QToolTip::isVisible() ? QToolTip::text() : QString();
}

} // namespace

// The Enter that won the game may still be held or repeating when the window
// opens; only a key pressed while it is up closes it.
TEST_F(InfoWindows, CongratulationIgnoresRepeatsAndKeysDownBeforeItOpened) {
    TForm* bravo = Application->FindForm("TForm1");
    bool upAfterOldKeys = false;
    const bool closed = WhileModal(
        bravo,
        [&] {
            SendKey(bravo, QEvent::KeyPress, Qt::Key_Return, true);
            SendKey(bravo, QEvent::KeyRelease, Qt::Key_Return, true);
            SendKey(bravo, QEvent::KeyRelease, Qt::Key_Return, false); // the winning Enter let go
            SendKey(bravo, QEvent::KeyPress, Qt::Key_Space, true);
            upAfterOldKeys = bravo->Visible();
            SendKey(bravo, QEvent::KeyPress, Qt::Key_Space, false);
            SendKey(bravo, QEvent::KeyRelease, Qt::Key_Space, false);
        },
        [&] { bravo->ShowModal(); });
    EXPECT_TRUE(upAfterOldKeys);
    EXPECT_TRUE(closed);
    for (int key : {Qt::Key_Escape, Qt::Key_Return}) {
        const bool closedByKey = WhileModal(
            bravo, [&] { QTest::keyClick(bravo, static_cast<Qt::Key>(key)); }, [&] { bravo->ShowModal(); });
        EXPECT_TRUE(closedByKey) << key;
    }
}

TEST_F(InfoWindows, CongratulationMaximisesAndHintsCloseOverThePanelBorderOnly) {
    TForm* bravo = Application->FindForm("TForm1");
    auto* panel = bravo->findChild<QWidget*>("Panel2");
    auto* picture = bravo->findChild<TImage*>("Image3");
    EXPECT_TRUE(bravo->windowFlags() & Qt::WindowMaximizeButtonHint);
    QString overBorder, overPicture, overWords;
    QRect maximisedPanel, maximisedPicture;
    QSize maximisedClient;
    WhileModal(
        bravo,
        [&] {
            // A shown hint fades out slowly; the border's is asked last.
            overPicture = HintAt(picture, QPoint(50, 50));
            overWords = HintAt(bravo->findChild<QWidget*>("Label1"), QPoint(3, 3));
            overBorder = HintAt(panel, QPoint(1, 1));
            bravo->showMaximized();
            QCoreApplication::processEvents();
            maximisedClient = bravo->Client()->size();
            maximisedPanel = panel->geometry();
            maximisedPicture = picture->geometry();
            bravo->showNormal();
            QCoreApplication::processEvents();
        },
        [&] { bravo->ShowModal(); });
    EXPECT_EQ(overBorder, "Close");
    EXPECT_EQ(overPicture, "");
    EXPECT_EQ(overWords, "");
    EXPECT_GT(maximisedClient.width(), 378);
    EXPECT_EQ(maximisedPanel, QRect(QPoint(0, 0), maximisedClient));
    EXPECT_EQ(maximisedPicture, QRect(QPoint(0, 0), maximisedClient).adjusted(2, 2, -2, -2));
}

TEST_F(InfoWindows, FireworksAreOneHundredSquareNineteenFramesEndless) {
    auto* picture = Application->FindForm("TForm1")->findChild<TImage*>("Image3");
    const auto* gif = dynamic_cast<const TGIFImage*>(picture->Picture.Graphic());
    ASSERT_NE(gif, nullptr);
    EXPECT_EQ(gif->Width(), 100);
    EXPECT_EQ(gif->Height(), 100);
    ASSERT_EQ(gif->Images.Count(), 19);
    int shortest = 1000, longest = 0;
    for (int i = 0; i < gif->Images.Count(); ++i) {
        const TGIFGraphicControlExtension* control = gif->Images[i].GraphicControlExtension();
        ASSERT_NE(control, nullptr) << i;
        shortest = std::min<int>(shortest, control->Delay());
        longest = std::max<int>(longest, control->Delay());
    }
    EXPECT_EQ(shortest, 10); // hundredths of a second
    EXPECT_EQ(longest, 90);
    const TGIFAppExtNSLoop* loop = nullptr;
    for (int i = 0; i < gif->Images[0].Extensions.Count(); ++i)
        if (auto* found = dynamic_cast<const TGIFAppExtNSLoop*>(&gif->Images[0].Extensions[i])) loop = found;
    ASSERT_NE(loop, nullptr);
    EXPECT_EQ(loop->Loops, 0); // endless
}

// Windows centred on the main window are placed at every showing: they
// follow the main window after it moved, and stay wholly on the screen.
TEST_F(InfoWindows, WindowsCentredOnTheMainWindowFollowItAndStayOnTheScreen) {
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    for (const char* name : {"TForm1", "TAboutBox", "TFormH"}) {
        TForm* window = Application->FindForm(name);
        auto placedAt = [&](QPoint mainAt) {
            FormM->move(mainAt);
            QRect placed;
            WhileModal(
                window, [&] { placed = window->frameGeometry(); }, [&] { window->ShowModal(); });
            return placed;
        };
        const QRect first = placedAt(screen.topLeft() + QPoint(120, 60));
        const QRect moved = placedAt(screen.topLeft() + QPoint(150, 80));
        EXPECT_EQ(moved.topLeft() - first.topLeft(), QPoint(30, 20)) << name;
        EXPECT_LE((moved.center() - FormM->frameGeometry().center()).manhattanLength(), 2) << name;
        for (QPoint away : {QPoint(-900, -900), QPoint(screen.right() - 20, screen.bottom() - 20)}) {
            const QRect placed = placedAt(away);
            EXPECT_GE(placed.left(), std::max(0, screen.left())) << name;
            EXPECT_GE(placed.top(), std::max(0, screen.top())) << name;
            if (placed.width() <= screen.width()) {
                EXPECT_LE(placed.right(), screen.right()) << name;
            }
            if (placed.height() <= screen.height()) {
                EXPECT_LE(placed.bottom(), screen.bottom()) << name;
            }
        }
    }
    FormM->move(screen.topLeft());
}

TEST_F(InfoWindows, ExamplesViewerOpensMaximisedWithThePictureInTheMiddleOfItsClientArea) {
    auto* viewer = Application->FindForm("TFormE");
    bool maximised = false;
    QRect client, picture, window;
    WhileModal(
        viewer,
        [&] {
            maximised = viewer->isMaximized();
            window = viewer->rect();
            client = viewer->Client()->geometry();
            picture = viewer->findChild<TImage*>("Image1")->geometry();
        },
        [&] { FormM->MainMenu1->FindItem("About2")->Click(); });
    EXPECT_TRUE(maximised);
    EXPECT_EQ(client, window);
    EXPECT_EQ(picture, QRect(QPoint(0, 0), client.size()));
}
