#include "Variant.h"

#include <stdexcept>

namespace {

QString Title(int digits, bool distinct) {
    return QString("   Tulva And Vesk       Numbers with %1 digits that %2")
        .arg(digits)
        .arg(distinct ? "are not repeating" : "are repeating");
}

std::vector<TVariant> MakeVariants() {
    std::vector<TVariant> v;
    v.push_back({
        .ClassName = "TForm4",
        .Digits = 4,
        .Distinct = true,
        .EditMask = "0000;1;_",
        .Caption = Title(4, true),
        .Label8 = "Avaliable digits are: 0123456789",
        .Label9 = "Every digit can use JUST ONCE",
        .Label10 = "Press 4-DIGIT.NUMBER => ",
        .LastAttemptMessage = "Your last attempt",
        .EmptyMessage = "You must enter number",
        .HeaderCaption = "         ATTEMPT    NUMBER   TULVA  VESK              ",
        .Layout = TRowLayout::Counts,
        .LeadWidth = 4,
        .S1Spaces = 11,
        .S2Width = 10,
        .S3Width = 8,
        .VeskPadAfter = 0,
        .HelpTabs = {},
        .Panel6 = TPanel6Kind::Animation,
        .Indicator = TIndicatorRule::None,
        .IndicatorPrefix = "",
        .IndicatorDigits = 0,
        .IndicatorFirstOnly = false,
        .IndicatorOnShow = "",
        .IndicatorOnNewGame = "",
        .IndicatorOnActivate = "",
        .ActivateClearsSecret = true,
        .ActivateResetsAttempts = true,
        .ActivateClearsRows = false,
        .ActivateEmptiesInput = false,
        .ActivateSetsStartTime = false,
        .ActivateGuessFill = "",
        .EnterHidesAttention = true,
        .GuessFill = "0000",
        .NewGameIsCancel = true,
        .PauseOnDeactivate = true,
        .ShowNumberEndsGame = true,
        .WinStopsClockFirst = false,
        .WarningCue = "DING.WAV",
        .OpeningCue = "Musica Open.wav",
        .WinCue = "Explode.WAV",
        .HelpButton = "BitBtn5",
        .ScoreButton = "BitBtn6",
        .SoundOnButton = "BitBtn7",
        .SoundOffButton = "BitBtn8",
        .HelpWindow = "TFormH",
        .ScoreWindow = "TFScore4",
        .ScoreFile = "sc4.pr",
        .ScoreGap = 10,
    });
    v.push_back({
        .ClassName = "TForm44",
        .Digits = 4,
        .Distinct = false,
        .EditMask = "0000;1;_",
        .Caption = Title(4, false),
        .Label8 = "Avaliable digit are: 0123456789",
        .Label9 = "Every digit can use MORE TIMES",
        .Label10 = "Press 4-DIGIT.NUMBER => ",
        .LastAttemptMessage = "Your last attempt",
        .EmptyMessage = "You must enter Number",
        .HeaderCaption = "            ATTEMPT    NUMBER   TULVA  VESK              ",
        .Layout = TRowLayout::Counts,
        .LeadWidth = 4,
        .S1Spaces = 13,
        .S2Width = 10,
        .S3Width = 8,
        .VeskPadAfter = 0,
        .HelpTabs = {},
        .Panel6 = TPanel6Kind::Indicator,
        .Indicator = TIndicatorRule::YesNo,
        .IndicatorPrefix = "",
        .IndicatorDigits = 0,
        .IndicatorFirstOnly = false,
        .IndicatorOnShow = "Double : Yes(No)",
        .IndicatorOnNewGame = "Double : Yes(No)",
        .IndicatorOnActivate = "Double : Yes(No)",
        .ActivateClearsSecret = false,
        .ActivateResetsAttempts = true,
        .ActivateClearsRows = false,
        .ActivateEmptiesInput = false,
        .ActivateSetsStartTime = false,
        .ActivateGuessFill = "",
        .EnterHidesAttention = false,
        .GuessFill = "0000",
        .NewGameIsCancel = false,
        .PauseOnDeactivate = false,
        .ShowNumberEndsGame = false,
        .WinStopsClockFirst = true,
        .WarningCue = "DING.WAV",
        .OpeningCue = "Musica Open.wav",
        .WinCue = "EXPLODE.WAV",
        .HelpButton = "BitBtn6",
        .ScoreButton = "BitBtn7",
        .SoundOnButton = "BitBtn8",
        .SoundOffButton = "BitBtn9",
        .HelpWindow = "TFormHH",
        .ScoreWindow = "TFScore44",
        .ScoreFile = "sc44.pr",
        .ScoreGap = 10,
    });
    return v;
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
