#pragma once
// A game window: draws the determination number at New Game, takes guesses
// in MaskEdit1, lists each accepted guess with its Tulva and Vesk counts,
// keeps the stopwatch, announces the last attempt and the loss, reveals the
// number on request and runs the win sequence. One class serves every
// variant; the variant record says where the windows differ.

#include "Form.h"
#include "GameSession.h"
#include "ScoreWindow.h"
#include "SharedSettings.h"
#include "Variant.h"

#include <QPointer>
#include <string>

class TLabel;
class TPanel;
class TImage;
class TBitBtn;
class TMaskEdit;
class TListBox;
class TTimer;
class TTabSet;

// The windows and settings a game window works with; start-up makes them
// first and hands them over.
struct TGameWindowLinks {
    TSharedSettings& Settings;
    TForm& MainWindow;     // shown again when the game window closes
    TForm& HelpWindow;     // the guide of the family
    TScoreWindow& Scores;  // the variant's score window, which keeps its table
    TForm& Congratulation; // shown when a game is won
};

class TGameWindow : public TForm, public TScoreRowSource {
public:
    TGameWindow(const TVariant& variant, const TGameWindowLinks& links);

    const TVariant& Variant;
    const TGameWindowLinks Links;

    // Controls, by their designer names.
    QPointer<TImage> Image1; // background; the main window's Close releases it
    TBitBtn* BitBtn1;        // New Game
    TBitBtn* BitBtn2;        // Exit
    TBitBtn* BitBtn4;        // Show Number
    TBitBtn* HelpButton;
    TBitBtn* ScoreButton;
    TBitBtn* SoundOnButton;  // shown while sound is on; a click turns it off
    TBitBtn* SoundOffButton; // shown while sound is off; a click turns it on
    TPanel* Panel1;
    TLabel* Label8;
    TLabel* Label9;
    TLabel* Label10;
    TLabel* Label11;
    TMaskEdit* MaskEdit1;
    TPanel* Panel2;
    TLabel* Label2;
    TLabel* Label3;
    TLabel* Label5;
    TLabel* Label1;
    QPointer<TImage> Image2; // error marker; TForm4's is released by the main window's Close
    TImage* Image3;          // attention marker
    TPanel* Panel5;
    TImage* ClockPicture;
    TLabel* Label6;
    TPanel* Panel3;
    TPanel* Panel4;
    TListBox* ListBox1;
    TPanel* Panel6 = nullptr;
    TImage* Image4 = nullptr;
    TTabSet* TabSet1 = nullptr;
    TTimer* Stoperica;

    // The game itself: number, guesses, clock and state of play.
    TGameSession Session;
    int SoundOn = 1;
    int ScoreRow = -1;

    // Handlers.
    void FormCreate();
    void FormShow();
    void FormActivate();
    void FormClose();
    void MaskEdit1KeyPress(char& key);
    void BitBtn1Click(); // New Game
    void BitBtn2Click(); // Exit
    void BitBtn4Click(); // Show Number
    void HelpClick();
    void ScoreClick();
    void SoundOnClick();
    void SoundOffClick();
    void Image4Click();
    void StopericaTimer();
    void BitBtn3Click(); // deactivation and destruction: pause or resume

    // 0 without help, 1 with help; windows without a help tab count as 0.
    int HelpMode() const;
    int NewestScoreRow() const override { return ScoreRow; }

private:
    // Hands the won game to the variant's score table; fills ScoreRow.
    void RecordResult();
    void BuildControls();
    void Cue(const QString& fileName);
    void ShowError(bool shown);
    void ShowAttention(bool shown);
    void ResumeClock();
    // Turns what an Enter did into the message line, markers, row and cues.
    void ShowEnter(const TEnterResult& result);
    void WinSequence();
    void ClearRows();
};
