#include "Variant.h"

#include <stdexcept>

// The catalogue of the twelve game windows. Each table below holds one
// aspect, one row per window in the same order, so that two windows can be
// compared row by row.

namespace {

using enum TRowLayout;
constexpr TPanel6Kind NoPanel = TPanel6Kind::None, Animation = TPanel6Kind::Animation,
                      Indicator = TPanel6Kind::Indicator;
constexpr TIndicatorRule NoRule = TIndicatorRule::None, YesNo = TIndicatorRule::YesNo,
                         DigitList = TIndicatorRule::DigitList;

constexpr bool Y = true;
constexpr bool n = false;

const char* const Windows[12] = {"TForm4",  "TForm5",  "TForm6",  "TForm7",  "TForm8",  "TForm9",
                                 "TForm44", "TForm55", "TForm66", "TForm77", "TForm88", "TForm99"};

struct Texts {
    const char *Label8, *Label9, *Label10, *LastAttempt, *EmptyField;
};
// clang-format off
const Texts TextTable[12] = {
//   Label8                               Label9                            Label10                      at 70                  empty Enter
    {"Avaliable digits are: 0123456789", "Every digit can use JUST ONCE",  "Press 4-DIGIT.NUMBER => ", "Your last attempt",   "You must enter number"}, // TForm4
    {"Avaliable digit are: 0123456789",  "Every digit can use JUST ONCE",  "Press 5-DIGIT.NUMBER => ", "Your last Attempt",   "You must enter number"}, // TForm5
    {"Avaliable digit are: 0123456789",  "Every digit can use JUST ONCE",  "Press 6-DIGIT.NUMBER => ", "Your last Attempt",   "You must enter Number"}, // TForm6
    {"Avaliable digit are: 0123456789",  "Every digit can use JUST ONCE",  "Press 7-DIG.NUMBER => ",   "Your last Attempt",   "You must enter Number"}, // TForm7
    {"Avaliable digit are: 0123456789",  "Every digit can use JUST ONCE",  "Press 8-DIG.NUMBER => ",   "Your last Attempt",   "You must enter Number"}, // TForm8
    {"Avaliable digit are: 0123456789",  "Every digit can use JUST ONCE",  "Press 9-DIG.NUMBER=>",     "Your last Attempt",   "You must enter number"}, // TForm9
    {"Avaliable digit are: 0123456789",  "Every digit can use MORE TIMES", "Press 4-DIGIT.NUMBER => ", "Your last attempt",   "You must enter Number"}, // TForm44
    {"Avaliable digit are: 0123456789",  "Every digit can use MORE TIMES", "Press 5-DIGIT.NUMBER => ", "Your last Attempt",   "You must enter number"}, // TForm55
    {"Avaliable digit are: 0123456789",  "Every digit can use MORE TIMES", "Press 6-DIGIT.NUMBER => ", "Your last Attempt",   "You must enter number"}, // TForm66
    {"Avaliable digit are: 0123456789",  "Every digit can use MORE TIMES", "Press 7-DIG.NUMBER=>",     "Your last Attempt",   "You must enter number"}, // TForm77
    {"Avaliable digit are: 0123456789",  "Every digit can use MORE TIMES", "Press 8-DIG.NUMBER=>",     "Your last Attempt",   "You must enter number"}, // TForm88
    {"Avaliable digit are: 0123456789",  "Every digit can use MORE TIMES", "Press 9-DIG.NUMBER=>",     "Your last Attempt",   "You must enter number"}, // TForm99
};

// The caption of the header panel Panel4 above the attempts list.
const char* const HeaderTable[12] = {
    "         ATTEMPT    NUMBER   TULVA  VESK              ",             // TForm4
    "            ATTEMPT   NUMBER   TULVA     VESK              ",        // TForm5
    "      ATT.      NUMBER     TULVA         VESK              ",        // TForm6
    "      ATT.   NUMBER     TULVA              VESK              ",      // TForm7
    "    ATT.   NUMBER       TULVA                VESK              ",    // TForm8
    "   ATT.   NUMBER         TULVA                   VESK              ", // TForm9
    "            ATTEMPT    NUMBER   TULVA  VESK              ",          // TForm44
    "        ATT.         NUMBER    TULVA     VESK              ",        // TForm55
    "            ATT.    NUMBER      TULVA          VESK              ",  // TForm66
    "        ATT.    NUMBER     TULVA            VESK              ",     // TForm77
    " ATT.    NUMBER       TULVA             VESK              ",         // TForm88
    " ATT.  NUMBER         TULVA                  VESK              ",    // TForm99
};

// Attempt rows: lead L, spaces after " )" in S1, separators S2 and S3 (in
// spaces); in the pattern layout without help the Vesk count is followed by
// VeskPad spaces.
struct Rows {
    TRowLayout Layout;
    int Lead, S1, S2, S3, VeskPad;
};
const Rows RowTable[12] = {
//   layout      L  S1  S2  S3 pad
    {Counts,     4, 11, 10,  8, 0}, // TForm4
    {PlaceHelp,  5,  9,  6,  6, 0}, // TForm5
    {Pattern,    0,  7,  4,  5, 4}, // TForm6
    {Pattern,    0,  4,  3,  5, 4}, // TForm7
    {Pattern,    0,  4,  3,  4, 4}, // TForm8
    {Pattern,    0,  4,  3,  4, 4}, // TForm9
    {Counts,     4, 13, 10,  8, 0}, // TForm44
    {PlaceHelp,  2,  9,  6,  6, 0}, // TForm55
    {Pattern,    0,  5,  6,  5, 7}, // TForm66
    {Pattern,    0,  5,  3,  5, 7}, // TForm77
    {Pattern,    0,  3,  3,  5, 7}, // TForm88
    {Pattern,    0,  3,  3,  4, 7}, // TForm99
};

// Panel6 and the repeated-digit indicator Label1: the text put before the
// digits, how many digits show, whether only while one guess is accepted, and
// the texts set when the window is shown, at New Game and on activation
// (null: left as it is).
struct Indicators {
    TPanel6Kind Panel6;
    TIndicatorRule Rule;
    const char* Prefix;
    int Digits;
    bool FirstGuessOnly;
    const char *OnShow, *OnNewGame, *OnActivate;
};
const Indicators IndicatorTable[12] = {
//   Panel6     rule       prefix               digits first  on show             at New Game         on activation
    {Animation, NoRule,    nullptr,              0,    n,     nullptr,            nullptr,            nullptr},            // TForm4
    {NoPanel,   NoRule,    nullptr,              0,    n,     nullptr,            nullptr,            nullptr},            // TForm5
    {NoPanel,   NoRule,    nullptr,              0,    n,     nullptr,            nullptr,            nullptr},            // TForm6
    {NoPanel,   NoRule,    nullptr,              0,    n,     nullptr,            nullptr,            nullptr},            // TForm7
    {NoPanel,   NoRule,    nullptr,              0,    n,     nullptr,            nullptr,            nullptr},            // TForm8
    {NoPanel,   NoRule,    nullptr,              0,    n,     nullptr,            nullptr,            nullptr},            // TForm9
    {Indicator, YesNo,     nullptr,              0,    n,     "Double : Yes(No)", "Double : Yes(No)", "Double : Yes(No)"}, // TForm44
    {Indicator, DigitList, "Double Digits : ",   2,    n,     nullptr,            "Double Digits",    nullptr},            // TForm55
    {Indicator, DigitList, "Double Digits : ",   3,    n,     nullptr,            "Double Digits",    "Double Digits"},    // TForm66
    {Indicator, DigitList, "Double : ",          4,    Y,     nullptr,            "Double Digits",    "Double Digits"},    // TForm77
    {Indicator, DigitList, "Double digits : ",   4,    Y,     nullptr,            "Double Digits",    "Double Digits"},    // TForm88
    {Indicator, DigitList, "Double Digits : ",   4,    n,     nullptr,            "Double Digits",    "Double Digits"},    // TForm99
};

// What activation resets besides the idle state every window returns to;
// the guesses may be refilled with a text of their own.
struct Activation {
    bool ClearsSecret, ResetsAttempts, ClearsRows, EmptiesInput, SetsStartTime;
    const char* GuessFill;
};
const Activation ActivationTable[12] = {
//   Secret  Attempts rows  input  start  guesses
    {Y,      Y,       n,    n,     n,     nullptr},    // TForm4
    {Y,      n,       n,    n,     n,     nullptr},    // TForm5
    {Y,      n,       n,    n,     n,     nullptr},    // TForm6
    {Y,      n,       n,    n,     n,     nullptr},    // TForm7
    {n,      n,       n,    n,     Y,     nullptr},    // TForm8
    {n,      Y,       n,    Y,     Y,     nullptr},    // TForm9
    {n,      Y,       n,    n,     n,     nullptr},    // TForm44
    {n,      Y,       n,    n,     n,     nullptr},    // TForm55
    {n,      Y,       Y,    n,     n,     "000000"},   // TForm66
    {n,      n,       Y,    n,     n,     "0000000"},  // TForm77
    {n,      Y,       Y,    n,     n,     "00000000"}, // TForm88
    {n,      Y,       n,    n,     n,     nullptr},    // TForm99
};

// How the window behaves: whether an Enter with something typed hides the
// attention marker too, the fill text New Game writes into the guesses,
// whether New Game is the Esc button, the pause on deactivation, whether
// Show Number ends the game, and whether the clock stops before the win cue.
struct Behaviour {
    bool EnterHidesAttention;
    const char* GuessFill;
    bool NewGameIsCancel, PauseOnDeactivate, ShowNumberEndsGame, WinStopsClockFirst;
};
const Behaviour BehaviourTable[12] = {
//   hides  fill      Esc  pause  ends  stop first
    {Y,     "0000",   Y,   Y,     Y,    n}, // TForm4
    {Y,     "00000",  n,   n,     n,    n}, // TForm5
    {Y,     "000000", n,   n,     n,    n}, // TForm6
    {Y,     "000000", n,   n,     n,    n}, // TForm7
    {n,     "000000", n,   n,     n,    n}, // TForm8
    {n,     "000000", n,   n,     n,    n}, // TForm9
    {n,     "0000",   n,   n,     n,    Y}, // TForm44
    {Y,     "0000",   n,   n,     n,    Y}, // TForm55
    {Y,     "0000",   n,   n,     n,    Y}, // TForm66
    {n,     "0000",   n,   n,     n,    Y}, // TForm77
    {n,     "0000",   n,   n,     n,    Y}, // TForm88
    {n,     "0000",   n,   n,     n,    Y}, // TForm99
};

// The sound cues as each window spells them (looked up without regard to case).
struct Cues {
    const char *Win, *Opening;
};
const Cues CueTable[12] = {
    {"Explode.WAV", "Musica Open.wav"}, // TForm4
    {"Explode.WAV", "Musica Open.wav"}, // TForm5
    {"Explode.WAV", "Musica Open.wav"}, // TForm6
    {"Explode.WAV", "Musica Open.WAV"}, // TForm7
    {"Explode.WAV", "Musica Open.wav"}, // TForm8
    {"Explode.wav", "Musica Open.wav"}, // TForm9
    {"EXPLODE.WAV", "Musica Open.wav"}, // TForm44
    {"EXPLODE.WAV", "MUSICA OPEN.WAV"}, // TForm55
    {"EXPLODE.WAV", "Musica Open.wav"}, // TForm66
    {"EXPLODE.WAV", "Musica Open.wav"}, // TForm77
    {"EXPLODE.WAV", "Musica Open.wav"}, // TForm88
    {"EXPLODE.WAV", "Musica Open.Wav"}, // TForm99
};
// clang-format on

QString OrEmpty(const char* text) { return text ? QString(text) : QString(); }

TVariant MakeVariant(int i) {
    const QString className = Windows[i];
    const bool distinct = i < 6;
    const int digits = 4 + i % 6;
    const QString suffix = className.mid(5); // "4" ... "99"
    const Texts& t = TextTable[i];
    const Rows& r = RowTable[i];
    const Indicators& ind = IndicatorTable[i];
    const Activation& a = ActivationTable[i];
    const Behaviour& b = BehaviourTable[i];
    TVariant v{
        .ClassName = className,
        .Digits = digits,
        .Distinct = distinct,
        .EditMask = QString(digits, '0') + ";1;_",
        .Caption = QString("   Tulva And Vesk       Numbers with %1 digits that %2")
                       .arg(digits)
                       .arg(distinct ? "are not repeating" : "are repeating"),
        .Label8 = t.Label8,
        .Label9 = t.Label9,
        .Label10 = t.Label10,
        .LastAttemptMessage = t.LastAttempt,
        .EmptyMessage = t.EmptyField,
        .HeaderCaption = HeaderTable[i],
        .Layout = r.Layout,
        .LeadWidth = r.Lead,
        .S1Spaces = r.S1,
        .S2Width = r.S2,
        .S3Width = r.S3,
        .VeskPadAfter = r.VeskPad,
        // The windows with more than four digits choose between rows with and without help.
        .HelpTabs = digits == 4         ? QStringList()
                    : distinct          ? QStringList{"Without Help", "With Help "}
                                        : QStringList{"  Without  Help  ", "  With  Help   "},
        .Panel6 = ind.Panel6,
        .Indicator = ind.Rule,
        .IndicatorPrefix = OrEmpty(ind.Prefix),
        .IndicatorDigits = ind.Digits,
        .IndicatorFirstOnly = ind.FirstGuessOnly,
        .IndicatorOnShow = OrEmpty(ind.OnShow),
        .IndicatorOnNewGame = OrEmpty(ind.OnNewGame),
        .IndicatorOnActivate = OrEmpty(ind.OnActivate),
        .ActivateClearsSecret = a.ClearsSecret,
        .ActivateResetsAttempts = a.ResetsAttempts,
        .ActivateClearsRows = a.ClearsRows,
        .ActivateEmptiesInput = a.EmptiesInput,
        .ActivateSetsStartTime = a.SetsStartTime,
        .ActivateGuessFill = OrEmpty(a.GuessFill),
        .EnterHidesAttention = b.EnterHidesAttention,
        .GuessFill = b.GuessFill,
        .NewGameIsCancel = b.NewGameIsCancel,
        .PauseOnDeactivate = b.PauseOnDeactivate,
        .ShowNumberEndsGame = b.ShowNumberEndsGame,
        .WinStopsClockFirst = b.WinStopsClockFirst,
        .WarningCue = "DING.WAV",
        .OpeningCue = CueTable[i].Opening,
        .WinCue = CueTable[i].Win,
        // The two families name their Help, Score and sound buttons differently.
        .HelpButton = distinct ? "BitBtn5" : "BitBtn6",
        .ScoreButton = distinct ? "BitBtn6" : "BitBtn7",
        .SoundOnButton = distinct ? "BitBtn7" : "BitBtn8",
        .SoundOffButton = distinct ? "BitBtn8" : "BitBtn9",
        .HelpWindow = distinct ? "TFormH" : "TFormHH",
        .ScoreWindow = "TFScore" + suffix,
        // The distinct 5- and 6-digit tables leave one blank less before the name.
        .ScoreGap = distinct && (digits == 5 || digits == 6) ? 9 : 10,
    };
    return v;
}

std::vector<TVariant> MakeVariants() {
    std::vector<TVariant> variants;
    for (int i = 0; i < 12; ++i) variants.push_back(MakeVariant(i));
    return variants;
}

} // namespace

const std::vector<TVariant>& Variants() {
    static const std::vector<TVariant> variants = MakeVariants();
    return variants;
}

const TVariant& VariantOf(const QString& className) {
    for (const TVariant& variant : Variants())
        if (variant.ClassName == className) return variant;
    throw std::out_of_range("no game variant " + className.toStdString());
}
