#pragma once
// The main window: the menu that opens the twelve games and the guides, the
// player's name, and the Close button that ends the program.

#include "Form.h"
#include "Menus.h"
#include "SharedSettings.h"

#include <QString>

class TLabel;
class TEdit;
class TPanel;
class TImage;
class TBitBtn;
class TMediaPlayer;

class TFormM : public TForm {
public:
    TFormM();

    // What the other windows read from the main window; start-up hands it
    // to them by reference.
    TSharedSettings Settings;
    // The name as typed in Edit2; read when a won game is recorded.
    QString& PlayerName = Settings.PlayerName;
    // The directory of the program file with its trailing separator; every
    // sound and example file name is put behind it.
    QString& ProgramDir = Settings.ProgramDir;

    TImage* Image1;
    TLabel* Label6;
    TEdit* Edit2;
    TLabel* Label2;
    TPanel* Panel1;
    TImage* Image10;
    TImage* Image12;
    TLabel* Label7;
    TBitBtn* OKButton;
    TMediaPlayer* MP;
    TMediaPlayer* MP1;
    TMainMenu* MainMenu1;
    TImageList ImageList1;

    void FormCreate();
    void Edit2Change();
    void Button1Click();

private:
    void BuildMenu();
    // Shows a game window (not modal) and hides this one.
    void OpenGame(const QString& className);
    void OpenModal(const QString& className);
};

// The directory part of a program path, up to and including its last separator.
QString ProgramDirOf(const QString& programPath);

extern TFormM* FormM;
