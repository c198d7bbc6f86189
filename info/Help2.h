#pragma once
// The user's guide for the games with digits that may repeat.

#include "GuideWindow.h"

class TFormHH : public TGuideWindow {
public:
    TFormHH();
};
