#pragma once
// The score window of a variant: the ten best results beside the rank
// labels, Clear, and the choice of the list's font. It also holds the two
// lists in which the variant's table lives while the program runs; the game
// window fills them when it records a win.

#include "Dialogs.h"
#include "Form.h"
#include "ScoreTable.h"
#include "ScoreVariant.h"

class TLabel;
class TListBox;
class TBitBtn;
class TImage;

// The game window of the variant tells which row holds the newest result.
class TScoreRowSource {
public:
    virtual ~TScoreRowSource() = default;
    virtual int NewestScoreRow() const = 0;
};

class TScoreWindow : public TForm {
public:
    explicit TScoreWindow(const TScoreVariant& variant);

    const TScoreVariant& Variant;
    TImage* Image1;
    TLabel* Label1;
    TLabel* RankLabels[10];
    TListBox* ListBox4; // the ten rows shown
    TListBox* ListBox1; // the full table, never shown
    TBitBtn* BitBtn3;   // Font
    TBitBtn* BitBtn2;   // Clear
    TBitBtn* CloseButton;
    TFontDialog FontDialog1;

    void FormShow();
    void BitBtn2Click();
    void BitBtn3Click();
    void CloseClick() { Close(); }

    // Records a win of the variant into the table and both lists; returns
    // the new ScoreRow. Errors are thrown for the error box; the lists then
    // keep what they held.
    int RecordWin(const ScoreEntry& entry);

    // The rows of the ten-row list and of the full list, as texts.
    std::vector<std::string> ShownRows() const;

    // The game window of the variant, which knows the newest result's row;
    // set once when the windows are made.
    void SetRowSource(const TScoreRowSource& source) { RowSource = &source; }

private:
    // Places the rank labels so that each ends before the list.
    void FitRankLabels();
    void ShowLists(const std::vector<std::string>& lines, const std::vector<std::string>& rows);
    int CurrentScoreRow() const;

    const TScoreRowSource* RowSource = nullptr;
};

// Asks the player; true only when the answer is Yes.
bool ConfirmDlg(const QString& text);
