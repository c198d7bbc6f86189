#include "Variant.h"

#include <stdexcept>
#include <string_view>

// The catalogue of the twelve game windows. Each table below holds one
// aspect, one row per window, and every row starts with the window's class
// name: a record is put together by name, and the compiler checks that each
// table names every window exactly once.

namespace {

using enum TRowLayout;
constexpr TPanel6Kind NoPanel = TPanel6Kind::None, Animation = TPanel6Kind::Animation,
                      Indicator = TPanel6Kind::Indicator;
constexpr TIndicatorRule NoRule = TIndicatorRule::None, YesNo = TIndicatorRule::YesNo,
                         DigitList = TIndicatorRule::DigitList;

constexpr bool Y = true;
constexpr bool n = false;

constexpr bool Distinct = true;
constexpr bool Repeating = false;

// The windows, in the order of the catalogue, with their digit count and family.
struct Identity {
    const char* Window;
    int Digits;
    bool Distinct;
};
// clang-format off
constexpr Identity Windows[] = {
    {"TForm4",  4, Distinct},  {"TForm5",  5, Distinct},  {"TForm6",  6, Distinct},
    {"TForm7",  7, Distinct},  {"TForm8",  8, Distinct},  {"TForm9",  9, Distinct},
    {"TForm44", 4, Repeating}, {"TForm55", 5, Repeating}, {"TForm66", 6, Repeating},
    {"TForm77", 7, Repeating}, {"TForm88", 8, Repeating}, {"TForm99", 9, Repeating},
};
// clang-format on

struct Texts {
    const char* Window;
    const char *Label8, *Label9, *Label10, *LastAttempt, *EmptyField;
};
// clang-format off
constexpr Texts TextTable[] = {
//   window     Label8                               Label9                            Label10                      at 70                  empty Enter
    {"TForm4",  "Avaliable digits are: 0123456789", "Every digit can use JUST ONCE",  "Press 4-DIGIT.NUMBER => ", "Your last attempt",   "You must enter number"},
    {"TForm5",  "Avaliable digit are: 0123456789",  "Every digit can use JUST ONCE",  "Press 5-DIGIT.NUMBER => ", "Your last Attempt",   "You must enter number"},
    {"TForm6",  "Avaliable digit are: 0123456789",  "Every digit can use JUST ONCE",  "Press 6-DIGIT.NUMBER => ", "Your last Attempt",   "You must enter Number"},
    {"TForm7",  "Avaliable digit are: 0123456789",  "Every digit can use JUST ONCE",  "Press 7-DIG.NUMBER => ",   "Your last Attempt",   "You must enter Number"},
    {"TForm8",  "Avaliable digit are: 0123456789",  "Every digit can use JUST ONCE",  "Press 8-DIG.NUMBER => ",   "Your last Attempt",   "You must enter Number"},
    {"TForm9",  "Avaliable digit are: 0123456789",  "Every digit can use JUST ONCE",  "Press 9-DIG.NUMBER=>",     "Your last Attempt",   "You must enter number"},
    {"TForm44", "Avaliable digit are: 0123456789",  "Every digit can use MORE TIMES", "Press 4-DIGIT.NUMBER => ", "Your last attempt",   "You must enter Number"},
    {"TForm55", "Avaliable digit are: 0123456789",  "Every digit can use MORE TIMES", "Press 5-DIGIT.NUMBER => ", "Your last Attempt",   "You must enter number"},
    {"TForm66", "Avaliable digit are: 0123456789",  "Every digit can use MORE TIMES", "Press 6-DIGIT.NUMBER => ", "Your last Attempt",   "You must enter number"},
    {"TForm77", "Avaliable digit are: 0123456789",  "Every digit can use MORE TIMES", "Press 7-DIG.NUMBER=>",     "Your last Attempt",   "You must enter number"},
    {"TForm88", "Avaliable digit are: 0123456789",  "Every digit can use MORE TIMES", "Press 8-DIG.NUMBER=>",     "Your last Attempt",   "You must enter number"},
    {"TForm99", "Avaliable digit are: 0123456789",  "Every digit can use MORE TIMES", "Press 9-DIG.NUMBER=>",     "Your last Attempt",   "You must enter number"},
};

// The caption of the header panel Panel4 above the attempts list.
struct Header {
    const char* Window;
    const char* Caption;
};
constexpr Header HeaderTable[] = {
    {"TForm4",  "         ATTEMPT    NUMBER   TULVA  VESK              "},
    {"TForm5",  "            ATTEMPT   NUMBER   TULVA     VESK              "},
    {"TForm6",  "      ATT.      NUMBER     TULVA         VESK              "},
    {"TForm7",  "      ATT.   NUMBER     TULVA              VESK              "},
    {"TForm8",  "    ATT.   NUMBER       TULVA                VESK              "},
    {"TForm9",  "   ATT.   NUMBER         TULVA                   VESK              "},
    {"TForm44", "            ATTEMPT    NUMBER   TULVA  VESK              "},
    {"TForm55", "        ATT.         NUMBER    TULVA     VESK              "},
    {"TForm66", "            ATT.    NUMBER      TULVA          VESK              "},
    {"TForm77", "        ATT.    NUMBER     TULVA            VESK              "},
    {"TForm88", " ATT.    NUMBER       TULVA             VESK              "},
    {"TForm99", " ATT.  NUMBER         TULVA                  VESK              "},
};

// Attempt rows: lead L, spaces after " )" in S1, separators S2 and S3 (in
// spaces); in the pattern layout without help the Vesk count is followed by
// VeskPad spaces.
struct Rows {
    const char* Window;
    TRowLayout Layout;
    int Lead, S1, S2, S3, VeskPad;
};
constexpr Rows RowTable[] = {
//   window     layout      L  S1  S2  S3 pad
    {"TForm4",  Counts,     4, 11, 10,  8, 0},
    {"TForm5",  PlaceHelp,  5,  9,  6,  6, 0},
    {"TForm6",  Pattern,    0,  7,  4,  5, 4},
    {"TForm7",  Pattern,    0,  4,  3,  5, 4},
    {"TForm8",  Pattern,    0,  4,  3,  4, 4},
    {"TForm9",  Pattern,    0,  4,  3,  4, 4},
    {"TForm44", Counts,     4, 13, 10,  8, 0},
    {"TForm55", PlaceHelp,  2,  9,  6,  6, 0},
    {"TForm66", Pattern,    0,  5,  6,  5, 7},
    {"TForm77", Pattern,    0,  5,  3,  5, 7},
    {"TForm88", Pattern,    0,  3,  3,  5, 7},
    {"TForm99", Pattern,    0,  3,  3,  4, 7},
};

// Panel6 and the repeated-digit indicator Label1: the text put before the
// digits, how many digits show, whether only while one guess is accepted, and
// the texts set when the window is shown, at New Game and on activation
// (null: left as it is).
struct Indicators {
    const char* Window;
    TPanel6Kind Panel6;
    TIndicatorRule Rule;
    const char* Prefix;
    int Digits;
    bool FirstGuessOnly;
    const char *OnShow, *OnNewGame, *OnActivate;
};
constexpr Indicators IndicatorTable[] = {
//   window     Panel6     rule       prefix               digits first  on show             at New Game         on activation
    {"TForm4",  Animation, NoRule,    nullptr,              0,    n,     nullptr,            nullptr,            nullptr},
    {"TForm5",  NoPanel,   NoRule,    nullptr,              0,    n,     nullptr,            nullptr,            nullptr},
    {"TForm6",  NoPanel,   NoRule,    nullptr,              0,    n,     nullptr,            nullptr,            nullptr},
    {"TForm7",  NoPanel,   NoRule,    nullptr,              0,    n,     nullptr,            nullptr,            nullptr},
    {"TForm8",  NoPanel,   NoRule,    nullptr,              0,    n,     nullptr,            nullptr,            nullptr},
    {"TForm9",  NoPanel,   NoRule,    nullptr,              0,    n,     nullptr,            nullptr,            nullptr},
    {"TForm44", Indicator, YesNo,     nullptr,              0,    n,     "Double : Yes(No)", "Double : Yes(No)", "Double : Yes(No)"},
    {"TForm55", Indicator, DigitList, "Double Digits : ",   2,    n,     nullptr,            "Double Digits",    nullptr},
    {"TForm66", Indicator, DigitList, "Double Digits : ",   3,    n,     nullptr,            "Double Digits",    "Double Digits"},
    {"TForm77", Indicator, DigitList, "Double : ",          4,    Y,     nullptr,            "Double Digits",    "Double Digits"},
    {"TForm88", Indicator, DigitList, "Double digits : ",   4,    Y,     nullptr,            "Double Digits",    "Double Digits"},
    {"TForm99", Indicator, DigitList, "Double Digits : ",   4,    n,     nullptr,            "Double Digits",    "Double Digits"},
};

// What activation resets besides the idle state every window returns to;
// the guesses may be refilled with a text of their own.
struct Activation {
    const char* Window;
    bool ClearsSecret, ResetsAttempts, ClearsRows, EmptiesInput, SetsStartTime;
    const char* GuessFill;
};
constexpr Activation ActivationTable[] = {
//   window     Secret  Attempts rows  input  start  guesses
    {"TForm4",  Y,      Y,       n,    n,     n,     nullptr},
    {"TForm5",  Y,      n,       n,    n,     n,     nullptr},
    {"TForm6",  Y,      n,       n,    n,     n,     nullptr},
    {"TForm7",  Y,      n,       n,    n,     n,     nullptr},
    {"TForm8",  n,      n,       n,    n,     Y,     nullptr},
    {"TForm9",  n,      Y,       n,    Y,     Y,     nullptr},
    {"TForm44", n,      Y,       n,    n,     n,     nullptr},
    {"TForm55", n,      Y,       n,    n,     n,     nullptr},
    {"TForm66", n,      Y,       Y,    n,     n,     "000000"},
    {"TForm77", n,      n,       Y,    n,     n,     "0000000"},
    {"TForm88", n,      Y,       Y,    n,     n,     "00000000"},
    {"TForm99", n,      Y,       n,    n,     n,     nullptr},
};

// How the window behaves: whether an Enter with something typed hides the
// attention marker too, the fill text New Game writes into the guesses,
// whether New Game is the Esc button, the pause on deactivation, whether
// Show Number ends the game, and whether the clock stops before the win cue.
struct Behaviour {
    const char* Window;
    bool EnterHidesAttention;
    const char* GuessFill;
    bool NewGameIsCancel, PauseOnDeactivate, ShowNumberEndsGame, WinStopsClockFirst;
};
constexpr Behaviour BehaviourTable[] = {
//   window     hides  fill      Esc  pause  ends  stop first
    {"TForm4",  Y,     "0000",   Y,   Y,     Y,    n},
    {"TForm5",  Y,     "00000",  n,   n,     n,    n},
    {"TForm6",  Y,     "000000", n,   n,     n,    n},
    {"TForm7",  Y,     "000000", n,   n,     n,    n},
    {"TForm8",  n,     "000000", n,   n,     n,    n},
    {"TForm9",  n,     "000000", n,   n,     n,    n},
    {"TForm44", n,     "0000",   n,   n,     n,    Y},
    {"TForm55", Y,     "0000",   n,   n,     n,    Y},
    {"TForm66", Y,     "0000",   n,   n,     n,    Y},
    {"TForm77", n,     "0000",   n,   n,     n,    Y},
    {"TForm88", n,     "0000",   n,   n,     n,    Y},
    {"TForm99", n,     "0000",   n,   n,     n,    Y},
};

// The sound cues as each window spells them (looked up without regard to case).
struct Cues {
    const char* Window;
    const char *Win, *Opening;
};
constexpr Cues CueTable[] = {
    {"TForm4",  "Explode.WAV", "Musica Open.wav"},
    {"TForm5",  "Explode.WAV", "Musica Open.wav"},
    {"TForm6",  "Explode.WAV", "Musica Open.wav"},
    {"TForm7",  "Explode.WAV", "Musica Open.WAV"},
    {"TForm8",  "Explode.WAV", "Musica Open.wav"},
    {"TForm9",  "Explode.wav", "Musica Open.wav"},
    {"TForm44", "EXPLODE.WAV", "Musica Open.wav"},
    {"TForm55", "EXPLODE.WAV", "MUSICA OPEN.WAV"},
    {"TForm66", "EXPLODE.WAV", "Musica Open.wav"},
    {"TForm77", "EXPLODE.WAV", "Musica Open.wav"},
    {"TForm88", "EXPLODE.WAV", "Musica Open.wav"},
    {"TForm99", "EXPLODE.WAV", "Musica Open.Wav"},
};
// clang-format on

// True when the table has one row for every window of the catalogue and no other.
template <typename Row, size_t N> constexpr bool NamesEveryWindowOnce(const Row (&table)[N]) {
    if (N != std::size(Windows)) return false;
    for (const Identity& window : Windows) {
        int rows = 0;
        for (const Row& row : table)
            if (std::string_view(row.Window) == window.Window) ++rows;
        if (rows != 1) return false;
    }
    return true;
}
static_assert(NamesEveryWindowOnce(TextTable), "the text table must name every window once");
static_assert(NamesEveryWindowOnce(HeaderTable), "the header table must name every window once");
static_assert(NamesEveryWindowOnce(RowTable), "the row table must name every window once");
static_assert(NamesEveryWindowOnce(IndicatorTable), "the indicator table must name every window once");
static_assert(NamesEveryWindowOnce(ActivationTable), "the activation table must name every window once");
static_assert(NamesEveryWindowOnce(BehaviourTable), "the behaviour table must name every window once");
static_assert(NamesEveryWindowOnce(CueTable), "the cue table must name every window once");

// The row of the table that names the window.
template <typename Row, size_t N> const Row& RowOf(const Row (&table)[N], std::string_view window) {
    for (const Row& row : table)
        if (window == row.Window) return row;
    throw std::logic_error("no row for " + std::string(window));
}

QString OrEmpty(const char* text) {
    return text ? QString(text) : QString();
}

TVariant MakeVariant(const Identity& window) {
    const QString className = window.Window;
    const bool distinct = window.Distinct;
    const int digits = window.Digits;
    const QString suffix = className.mid(5); // "4" ... "99"
    const Texts& t = RowOf(TextTable, window.Window);
    const Rows& r = RowOf(RowTable, window.Window);
    const Indicators& ind = RowOf(IndicatorTable, window.Window);
    const Activation& a = RowOf(ActivationTable, window.Window);
    const Behaviour& b = RowOf(BehaviourTable, window.Window);
    const Cues& c = RowOf(CueTable, window.Window);
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
        .HeaderCaption = RowOf(HeaderTable, window.Window).Caption,
        .Layout = r.Layout,
        .LeadWidth = r.Lead,
        .S1Spaces = r.S1,
        .S2Width = r.S2,
        .S3Width = r.S3,
        .VeskPadAfter = r.VeskPad,
        // The windows with more than four digits choose between rows with and without help.
        .HelpTabs = digits == 4 ? QStringList()
                    : distinct  ? QStringList{"Without Help", "With Help "}
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
        .OpeningCue = c.Opening,
        .WinCue = c.Win,
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
    for (const Identity& window : Windows) variants.push_back(MakeVariant(window));
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
