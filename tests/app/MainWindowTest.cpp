// The main window as a harness sees it: CreateForms() on the offscreen
// platform, then windows and controls found by object name.
#include "Application.h"
#include "Bitmap.h"
#include "FakeServices.h"
#include "ImageControl.h"
#include "Menus.h"
#include "Picture.h"
#include "StdCtrls.h"
#include "UMein.h"
#include "startup.h"

#include <QApplication>
#include <QFontInfo>
#include <QLineEdit>
#include <QMenu>
#include <QTest>
#include <gtest/gtest.h>

namespace {

class MainWindow : public testing::Test {
protected:
    static void SetUpTestSuite() {
        if (!Application->MainForm()) CreateForms();
    }
    void SetUp() override {
        World.Install();
        Main = Application->FindForm("TFormM");
        ASSERT_NE(Main, nullptr);
        Main->Show();
    }
    void TearDown() override { ResetServices(); }

    QString LabelText(const char* name) const {
        auto* label = Main->findChild<QLabel*>(name);
        return label ? label->text() : QString("<missing %1>").arg(name);
    }

    TFakeWorld World;
    TForm* Main = nullptr;
};

} // namespace

TEST_F(MainWindow, TheWindowsNotOpenAreStyledWhenFirstShownNotInTheLoopsFirstPass) {
    QCoreApplication::processEvents();
    EXPECT_TRUE(Main->findChild<QWidget*>("OKButton")->testAttribute(Qt::WA_WState_Polished));
    TForm* game = Application->FindForm("TForm4");
    ASSERT_NE(game, nullptr);
    auto* button = game->findChild<QWidget*>("BitBtn1");
    ASSERT_NE(button, nullptr);
    EXPECT_FALSE(button->testAttribute(Qt::WA_WState_Polished));
    game->Show();
    EXPECT_TRUE(button->testAttribute(Qt::WA_WState_Polished));
    game->Hide();
}

// Labels of the same caption and font share one measurement; whatever
// window they stand in, each must still have the size it asks for itself.
TEST_F(MainWindow, EveryAutoSizedLabelOfEveryWindowHasTheSizeItsCaptionAsksFor) {
    int labels = 0;
    for (TForm* form : Application->AllForms()) {
        form->Show();
        for (const QLabel* child : form->findChildren<QLabel*>()) {
            const auto* label = dynamic_cast<const TLabel*>(child);
            if (!label || !label->AutoSized() || label->wordWrap()) continue;
            ++labels;
            EXPECT_EQ(label->size(), label->sizeHint())
                << form->objectName().toStdString() << " " << label->objectName().toStdString();
        }
        if (form != Main) form->Hide();
    }
    EXPECT_GT(labels, 200);
}

TEST_F(MainWindow, IsCreatedFirstWithItsCaptionsAndSize) {
    EXPECT_EQ(Application->AllForms().front(), Main);
    EXPECT_EQ(Main->windowTitle(), "  Tulva and Vesk");
    EXPECT_EQ(Application->applicationName(), "Tulva and Vesk");
    EXPECT_EQ(Main->ClientWidth(), 574);
    EXPECT_EQ(Main->ClientHeight(), 613);
    EXPECT_EQ(LabelText("Label6"), "Enter Name : ");
    EXPECT_EQ(LabelText("Label2"), "Version 0.9");
    EXPECT_FALSE(LabelText("Label7").isEmpty());
    for (const char* name : {"Image1", "Panel1", "Image10", "Image12", "OKButton", "MP", "MP1", "MainMenu1"})
        EXPECT_NE(Main->findChild<QObject*>(name), nullptr) << name;
    // The background picture was decoded from the JPEG the program carries.
    auto* background = Main->findChild<TImage*>("Image1");
    ASSERT_NE(background->Picture.Graphic(), nullptr);
    EXPECT_EQ(background->Picture.Graphic()->ClassName(), "TJPEGImage");
    // The two pictures of Panel1 are GIF files written and read by our own GIF support.
    for (const char* name : {"Image10", "Image12"}) {
        const TGraphic* picture = Main->findChild<TImage*>(name)->Picture.Graphic();
        ASSERT_NE(picture, nullptr) << name;
        EXPECT_EQ(picture->ClassName(), "TGIFImage");
        EXPECT_FALSE(picture->Empty());
    }
}

TEST_F(MainWindow, PictureClassesAreRegisteredAtStartUp) {
    ASSERT_NE(TPicture::ClassForExtension("gif"), nullptr);
    EXPECT_EQ(TPicture::ClassForExtension(".GIF")->ClassName, "TGIFImage");
    ASSERT_NE(TPicture::ClassForClipboardFormat("GIF Image"), nullptr);
    EXPECT_EQ(TPicture::ClassForClipboardFormat("GIF Image")->ClassName, "TGIFImage");
    EXPECT_EQ(TPicture::ClassForExtension("jpg")->ClassName, "TJPEGImage");
    EXPECT_EQ(TPicture::ClassForExtension("bmp")->ClassName, "TBitmap");
}

TEST_F(MainWindow, MenuCaptionsKeepTheirRunsOfSpaces) {
    auto* menu = Main->findChild<TMainMenu*>("MainMenu1");
    ASSERT_NE(menu, nullptr);
    QStringList top;
    for (QAction* action : menu->actions())
        if (!action->isSeparator()) top << action->text();
    EXPECT_EQ(top, QStringList({QString("Numbers with digits that aren't repeating") + QString(4, ' '),
                                QString("Numbers with digits that are repeating") + QString(5, ' '),
                                QString("Help") + QString(34, ' ')}));
    QStringList games, help;
    for (QAction* action : menu->actions()[0]->menu()->actions()) games << action->text();
    for (QAction* action : menu->findChild<QMenu*>("Help1")->actions())
        help << (action->isSeparator() ? QString("-") : action->text());
    EXPECT_EQ(games,
              QStringList({"Numbers with 4 digits", "Numbers with 5 digits", "Numbers with 6 digits",
                           "Numbers with 7 digits", "Numbers with 8 digits", "Numbers with 9 digits"}));
    EXPECT_EQ(help, QStringList({"Visual Help", "Digits that aren't repeating", "Digits that are repeating",
                                 "-", "Examples", "-", "About"}));
    EXPECT_FALSE(menu->actions()[0]->menu()->actions()[0]->icon().isNull()); // image list picture
    EXPECT_NE(menu->FindItem("Numberswith9digits2"), nullptr);
    EXPECT_NE(menu->FindItem("About1"), nullptr);
}

TEST_F(MainWindow, PlayerNameFollowsTheNameBox) {
    auto* edit = Main->findChild<QLineEdit*>("Edit2");
    ASSERT_NE(edit, nullptr);
    auto* form = static_cast<TFormM*>(Main);
    edit->clear();
    EXPECT_EQ(form->PlayerName, "");
    QTest::keyClicks(edit, "Ana Kos");
    EXPECT_EQ(form->PlayerName, "Ana Kos");
    QTest::keyClick(edit, Qt::Key_Backspace);
    EXPECT_EQ(form->PlayerName, "Ana Ko");
    edit->clear();
    EXPECT_EQ(form->PlayerName, "");
}

TEST_F(MainWindow, ProgramDirIsTheDirectoryWithItsSeparator) {
    auto* form = static_cast<TFormM*>(Main);
    EXPECT_EQ(form->ProgramDir, QCoreApplication::applicationDirPath() + "/");
    EXPECT_EQ(ProgramDirOf("/usr/games/tulva"), "/usr/games/");
    EXPECT_EQ(ProgramDirOf("C:\\Games\\TV.EXE"), "C:\\Games\\");
    EXPECT_EQ(ProgramDirOf("tulva"), ""); // no separator: files by bare name
    EXPECT_EQ(ProgramDirOf(""), "");
}

TEST_F(MainWindow, CloseButtonReleasesGamePicturesAndEndsTheProgram) {
    auto* form = static_cast<TFormM*>(Main);
    form->Button1Click();
    EXPECT_FALSE(Main->Visible());
    for (const char* name : {"TForm4", "TForm5", "TForm44", "TForm99"}) {
        TForm* game = Application->FindForm(name);
        ASSERT_NE(game, nullptr) << name;
        EXPECT_EQ(game->findChild<TImage*>("Image1"), nullptr) << name;
    }
    EXPECT_EQ(Application->FindForm("TForm4")->findChild<TImage*>("Image2"), nullptr);
    EXPECT_NE(Application->FindForm("TForm44")->findChild<TImage*>("Image2"), nullptr); // only TForm4's
    EXPECT_TRUE(World.Errors.isEmpty());
}

// With DejaVu Sans, the font of a stock desktop, the three padded captions are
// wider than the window: the bar wraps rather than hide one behind "»".
TEST_F(MainWindow, EveryTopLevelMenuStandsWholeOnTheBar) {
    ASSERT_EQ(QFontInfo(QApplication::font()).family(), "DejaVu Sans");
    auto* menu = Main->findChild<TMainMenu*>("MainMenu1");
    const QRect bar = menu->rect();
    int visible = 0;
    for (QAction* action : menu->actions()) {
        if (action->isSeparator()) continue;
        const QRect item = menu->actionGeometry(action);
        EXPECT_FALSE(item.isEmpty()) << action->text().toStdString();
        EXPECT_TRUE(bar.contains(item)) << action->text().toStdString();
        EXPECT_GE(item.width(), menu->fontMetrics().horizontalAdvance(action->text()))
            << action->text().toStdString();
        EXPECT_EQ(menu->actionAt(item.center()), action);
        ++visible;
    }
    EXPECT_EQ(visible, 3);
    for (QWidget* child : menu->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        EXPECT_FALSE(child->isVisible()) << "extension button shown"; // Qt's "»" button
    EXPECT_EQ(menu->geometry().bottom() + 1, Main->Client()->y());
    EXPECT_EQ(menu->width(), 574);
    // Wrapped onto two rows, the captions fit in the stock font: it is not shrunk.
    EXPECT_EQ(menu->font().pointSizeF(), QApplication::font(menu).pointSizeF());
    EXPECT_EQ(Main->ClientWidth(), 574);
    EXPECT_EQ(Main->ClientHeight(), 613);
    EXPECT_EQ(Main->height(), 613 + menu->height());
}

TEST_F(MainWindow, WindowsShowingTheSameBackgroundShareItsDecodedPixels) {
    const auto pixelsOf = [](const char* window) -> const uchar* {
        auto* image = Application->FindForm(window)->findChild<TImage*>("Image1");
        auto* jpeg = image ? dynamic_cast<TJPEGImage*>(image->Picture.Graphic()) : nullptr;
        return jpeg ? jpeg->Image().constBits() : nullptr;
    };
    ASSERT_NE(pixelsOf("TFScore7"), nullptr);
    EXPECT_EQ(pixelsOf("TFScore7"), pixelsOf("TFScore99")); // decoded once
    EXPECT_NE(pixelsOf("TFScore7"), pixelsOf("TAboutBox")); // another picture
}
