#include "ScoreVariant.h"

// clang-format off
const TScoreVariant ScoreVariants[12] = {
//   class        caption                                                 game       file       close      activ  opens at                        client     list place            font clear close top sizeable
    {"TFScore4",  "Score for T&V with 4 digits that are not repeating", "TForm4",  "sc4.pr",  "BitBtn1", false, TFormPosition::ScreenCenter,   386, 224, 27, 21, 329, 165, 35, 152, 272, 195, false},
    {"TFScore5",  "Score for T&V with 5 digits that are not repeating", "TForm5",  "sc5.pr",  "BitBtn4", true,  TFormPosition::ScreenCenter,   374, 238, 29, 21, 321, 181, 41, 152, 264, 211, false},
    {"TFScore6",  "Score for T&V with 6 digits that are not repeating", "TForm6",  "sc6.pr",  "BitBtn4", false, TFormPosition::ScreenCenter,   376, 238, 29, 21, 321, 173, 35, 149, 260, 207, false},
    {"TFScore7",  "Score for T&V with 7 digits that are not repeating", "TForm7",  "sc7.pr",  "BitBtn4", false, TFormPosition::ScreenCenter,   374, 234, 29, 21, 321, 173, 36, 150, 261, 204, false},
    {"TFScore8",  "Score for T&V with 8 digits that are not repeating", "TForm8",  "sc8.pr",  "BitBtn4", false, TFormPosition::ScreenCenter,   371, 231, 29, 21, 314, 173, 34, 148, 259, 203, false},
    {"TFScore9",  "Score for T&V with 9 digits that are not repeating", "TForm9",  "sc9.pr",  "BitBtn4", false, TFormPosition::ScreenCenter,   372, 229, 29, 21, 314, 173, 33, 147, 258, 203, false},
    {"TFScore44", "Score for T&V with 4 digits that can  repeating",    "TForm44", "sc44.pr", "BitBtn4", false, TFormPosition::MainFormCenter, 363, 232, 29, 21, 306, 173, 33, 144, 248, 203, false},
    {"TFScore55", "Score for T&V with 5 digits that can  repeating",    "TForm55", "sc55.pr", "BitBtn4", false, TFormPosition::MainFormCenter, 362, 231, 29, 21, 306, 173, 30, 139, 252, 203, false},
    {"TFScore66", "Score for T&V with 6 digits that can  repeating",    "TForm66", "sc66.pr", "BitBtn4", false, TFormPosition::MainFormCenter, 359, 232, 29, 21, 306, 173, 35, 143, 254, 203, false},
    {"TFScore77", "Score for T&V with 7 digits that can  repeating",    "TForm77", "sc77.pr", "BitBtn4", false, TFormPosition::MainFormCenter, 359, 232, 29, 21, 306, 173, 29, 143, 254, 204, false},
    {"TFScore88", "Score for T&V with 8 digits that can  repeating",    "TForm88", "sc88.pr", "BitBtn4", false, TFormPosition::MainFormCenter, 369, 234, 29, 21, 314, 173, 39, 148, 256, 204, false},
    {"TFScore99", "Score for T&V with 9 digits that can  repeating",    "TForm99", "sc99.pr", "BitBtn4", false, TFormPosition::MainFormCenter, 363, 234, 29, 21, 306, 173, 30, 144, 255, 204, true},
};
// clang-format on

const TScoreVariant* FindScoreVariant(const QString& className) {
    for (const TScoreVariant& v : ScoreVariants)
        if (className == v.ClassName) return &v;
    return nullptr;
}
