#pragma once
// What tells one score window from another: one record per variant.

#include "Form.h"

#include <QString>

struct TScoreVariant {
    const char* ClassName; // TFScore4 ...
    const char* Caption;
    const char* GameWindow;  // the game window whose ScoreRow the window reads
    const char* FileName;    // the variant's score file, in the current directory
    const char* CloseButton; // BitBtn1 or BitBtn4
    bool FillOnActivation;   // reload on every activation instead of on showing
    TFormPosition Position;
    int ClientWidth, ClientHeight;
    int ListLeft, ListTop, ListWidth, ListHeight;
    int FontLeft, ClearLeft, CloseLeft, ButtonTop;
    bool Sizeable;
};

// The twelve score windows in the order of the variants.
extern const TScoreVariant ScoreVariants[12];
const TScoreVariant* FindScoreVariant(const QString& className);
