#include "UMein.h"

#include "Application.h"
#include "Artwork.h"
#include "Buttons.h"
#include "ImageControl.h"
#include "MediaPlayer.h"
#include "Menus.h"
#include "ProgramFiles.h"
#include "StdCtrls.h"

#include <memory>

TFormM* FormM = nullptr;

namespace {

// The game windows in the order their pictures are released when the
// program is closed by its Close button.
const char* const ReleaseOrder[] = {"TForm4",  "TForm5",  "TForm6",  "TForm7",  "TForm8",  "TForm9",
                                    "TForm44", "TForm55", "TForm66", "TForm77", "TForm88", "TForm99"};

struct GameMenuEntry {
    const char* Name;
    const char* Caption;
    int Image;
    const char* Window;
};

const GameMenuEntry DistinctGames[] = {
    {"Numberswith4digits1", "Numbers with 4 digits", 0, "TForm4"},
    {"Numberswith5digits1", "Numbers with 5 digits", 1, "TForm5"},
    {"Numberswith6digits1", "Numbers with 6 digits", 2, "TForm6"},
    {"Numberswith7digits1", "Numbers with 7 digits", 3, "TForm7"},
    {"Numberswith8digits1", "Numbers with 8 digits", 4, "TForm8"},
    {"Numberswith9digits1", "Numbers with 9 digits", 5, "TForm9"},
};

const GameMenuEntry RepeatingGames[] = {
    {"Numberswith4digits2", "Numbers with 4 digits", 0, "TForm44"},
    {"Numberswith5digits2", "Numbers with 5 digits", 1, "TForm55"},
    {"Numberswith6digits2", "Numbers with 6 digits", 2, "TForm66"},
    {"Numberswith7digits2", "Numbers with 7 digits", 3, "TForm77"},
    {"Numberswith8digits2", "Numbers with 8 digits", 4, "TForm88"},
    {"Numberswith9digits2", "Numbers with 9 digits", 5, "TForm99"},
};

const QColor Yellow(255, 255, 0);

} // namespace

QString ProgramDirOf(const QString& programPath) {
    const qsizetype last = std::max(programPath.lastIndexOf('/'), programPath.lastIndexOf('\\'));
    return last < 0 ? QString() : programPath.left(last + 1);
}

TFormM::TFormM() : TForm("TFormM") {
    FormM = this;
    // The pictures the program opens with are decoded on another core while
    // the windows are made.
    for (const char* picture : {"main-background.jpg", "banner.gif", "digits.gif"})
        DecodePictureAhead(picture);
    SetCaption("  Tulva and Vesk");
    SetPosition(TFormPosition::ScreenCenter);
    QWidget* client = Client();

    MainMenu1 = new TMainMenu(this, "MainMenu1");
    for (int digits = 4; digits <= 9; ++digits) ImageList1.Add(Artwork::DigitCountMenuIcon(digits));
    MainMenu1->Images = &ImageList1;
    BuildMenu();
    // Sized first, so that the menu bar is laid out once, for the window's
    // own width, and not first shrunk to fit the unsized client area.
    SetClientSize(574, 613);
    SetMenuBar(MainMenu1);
    SetBorder(TFormBorder::Single, true);

    Image1 = new TImage(client, "Image1", 0, 0, 574, 613);
    Image1->SetStretch(true);
    LoadPicture(Image1->Picture, "main-background.jpg");

    Label6 = new TLabel(client, "Label6", 12, 12, "Enter Name : ", ControlFont(16, true));
    Label6->SetFontColor(Yellow);
    Edit2 = new TEdit(client, "Edit2", 140, 8, 180, 26);
    Edit2->setFont(ControlFont(16, true));
    Edit2->setStyleSheet("QLineEdit { color: yellow; background: #1b2a6b; border: 1px solid #ffd800; }");
    Edit2->OnChange = [this] { Edit2Change(); };

    Label2 = new TLabel(client, "Label2", 0, 12, "Version 0.9", ControlFont(16, true));
    Label2->SetFontColor(Yellow);
    Label2->move(574 - 12 - Label2->width(), 12);

    Panel1 = new TPanel(client, "Panel1", 37, 52, 500, 480, TBevel::Lowered);
    Panel1->SetColor(QColor(16, 24, 80));
    Image10 = new TImage(Panel1, "Image10", 2, 2, 496, 70);
    Image10->SetStretch(true);
    Image12 = new TImage(Panel1, "Image12", 2, 72, 496, 406);
    Image12->SetStretch(true);
    LoadPicture(Image10->Picture, "banner.gif");
    LoadPicture(Image12->Picture, "digits.gif");

    Label7 = new TLabel(client, "Label7", 12, 582, "Made by the Tulva and Vesk team", ControlFont(14, true));
    Label7->SetFontColor(Yellow);

    OKButton = new TBitBtn(client, "OKButton", 574 - 12 - 100, 574, 100, 30);
    OKButton->SetGlyph(Artwork::ButtonFace("Close", 96, 26));
    OKButton->OnClick = [this] { Button1Click(); };

    MP = new TMediaPlayer(this, "MP");
    Settings.SoundOutput = MP; // the game windows play their cues through it
    MP1 = new TMediaPlayer(this, "MP1");
    SetActiveControl(Edit2);

    OnCreate = [this] { FormCreate(); };
}

void TFormM::BuildMenu() {
    // The runs of spaces widen the items of the menu bar.
    QMenu* distinct = MainMenu1->AddTopItem(
        "Distinct1", QString("Numbers with digits that aren't repeating") + QString(4, ' '));
    for (const auto& entry : DistinctGames) {
        const QString window = entry.Window;
        MainMenu1->AddItem(distinct, entry.Name, entry.Caption, entry.Image)->OnClick = [this, window] {
            OpenGame(window);
        };
    }
    QMenu* repeating = MainMenu1->AddTopItem("Repeating1", QString("Numbers with digits that are repeating") +
                                                               QString(5, ' '));
    for (const auto& entry : RepeatingGames) {
        const QString window = entry.Window;
        MainMenu1->AddItem(repeating, entry.Name, entry.Caption, entry.Image)->OnClick = [this, window] {
            OpenGame(window);
        };
    }
    QMenu* help = MainMenu1->AddTrailingTopItem("Help1", QString("Help") + QString(34, ' '));
    struct HelpEntry {
        const char* Name;
        const char* Caption;
        const char* Window;
        bool Picture;
    };
    const HelpEntry helpEntries[] = {
        {"VisualHelp1", "Visual Help", "TFormVH", true},
        {"Numberswithdigitsthatarentrepeating1", "Digits that aren't repeating", "TFormH", true},
        {"Numberswithdigitsthatarerepeating1", "Digits that are repeating", "TFormHH", true},
        {nullptr, nullptr, nullptr, false},
        {"About2", "Examples", "TFormE", false},
        {nullptr, nullptr, nullptr, false},
        {"About1", "About", "TAboutBox", false},
    };
    int pictureIndex = 0;
    for (const auto& entry : helpEntries) {
        if (!entry.Name) {
            help->addSeparator();
            continue;
        }
        const QIcon picture = entry.Picture ? Artwork::HelpMenuIcon(pictureIndex++) : QIcon();
        const QString window = entry.Window;
        MainMenu1->AddItem(help, entry.Name, entry.Caption, -1, picture)->OnClick = [this, window] {
            OpenModal(window);
        };
    }
}

void TFormM::FormCreate() {
    // Beside the program first; an installed program keeps its files in the data folder.
    ProgramDir = LocateProgramDir(ProgramDirOf(QCoreApplication::applicationFilePath()),
                                  TV_INSTALLED_DATA_DIR, "DING.WAV");
}

void TFormM::Edit2Change() {
    PlayerName = Edit2->text();
}

void TFormM::OpenGame(const QString& className) {
    TForm* game = Application->FindForm(className);
    if (!game) return; // not part of this build
    game->Show();
    SetVisible(false);
}

void TFormM::OpenModal(const QString& className) {
    if (TForm* window = Application->FindForm(className)) window->ShowModal();
}

void TFormM::Button1Click() {
    for (const char* name : ReleaseOrder) {
        TForm* game = Application->FindForm(name);
        if (!game) continue;
        delete game->findChild<TImage*>("Image1");
        if (QString(name) == "TForm4") delete game->findChild<TImage*>("Image2");
    }
    Close();
}
