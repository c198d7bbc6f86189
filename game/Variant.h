#pragma once
// What tells one game window from another: one record per variant. Every
// difference between the twelve windows is a field here, so the table reads
// like the catalogue it implements.

#include <QString>
#include <QStringList>
#include <vector>

// How an attempt row shows its third and fourth columns.
enum class TRowLayout {
    Counts,    // Tulva count, Vesk count
    PlaceHelp, // Tulva count or the place pattern (by the help tab), Vesk count
    Pattern,   // place pattern, Vesk count or the Vesk digits (by the help tab)
};

// What Panel6 holds.
enum class TPanel6Kind {
    None,
    Animation, // an animated picture over the list, closed by a click
    Indicator, // the repeated-digit indicator Label1
};

// How the repeated-digit indicator speaks.
enum class TIndicatorRule {
    None,
    YesNo,     // "Double : YES" / "Double : NO" after every accepted guess
    DigitList, // a prefix and the repeated digits after every Enter past the wrong-number check
};

struct TVariant {
    // Identity and rules.
    QString ClassName; // TForm4 ...
    int Digits;
    bool Distinct;
    QString EditMask;

    // Texts.
    QString Caption;
    QString Label8, Label9, Label10;
    QString LastAttemptMessage;
    QString EmptyMessage;
    QString HeaderCaption;

    // Attempt rows: lead, the spaces after " )", and the two inner separators.
    TRowLayout Layout;
    int LeadWidth, S1Spaces, S2Width, S3Width;
    // Pattern layout without help: spaces after the Vesk count.
    int VeskPadAfter;
    // The help tab set's tabs; empty when the window has none.
    QStringList HelpTabs;

    // Panel6 and the repeated-digit indicator.
    TPanel6Kind Panel6;
    TIndicatorRule Indicator;
    QString IndicatorPrefix; // DigitList: text before the digits
    int IndicatorDigits;     // DigitList: how many of the repeated digits show
    bool IndicatorFirstOnly; // DigitList: only while exactly one guess is accepted
    QString IndicatorOnShow; // empty: unchanged when the window is shown
    QString IndicatorOnNewGame;
    QString IndicatorOnActivate; // empty: unchanged on activation

    // What activation resets.
    bool ActivateClearsSecret;
    bool ActivateResetsAttempts;
    bool ActivateClearsRows;
    bool ActivateEmptiesInput;
    bool ActivateSetsStartTime;
    QString ActivateGuessFill; // empty: the guesses are left alone

    // Behaviour.
    bool EnterHidesAttention; // both markers (and the animation) go at an Enter with something typed
    QString GuessFill;        // what New Game writes into the remembered guesses
    bool NewGameIsCancel;     // Esc presses New Game unless the field takes it
    bool PauseOnDeactivate;
    bool ShowNumberEndsGame; // sets the Tulva count to N, so a second press does nothing
    bool WinStopsClockFirst; // the clock stops before the win cue

    // Sound cues as this window spells them.
    QString WarningCue;
    QString OpeningCue;
    QString WinCue;

    // Buttons whose names differ by family.
    QString HelpButton, ScoreButton, SoundOnButton, SoundOffButton;

    // Windows and files of the variant.
    QString HelpWindow;
    QString ScoreWindow; // which also keeps the variant's score file
    int ScoreGap; // blanks before the player's name in a score line
};

// The variants built so far, in the order of the catalogue.
const std::vector<TVariant>& Variants();
// The record of a game window class; throws std::out_of_range for an unknown one.
const TVariant& VariantOf(const QString& className);
