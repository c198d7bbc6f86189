#pragma once
// The user's guide for the games with digits that are not repeated.

#include "GuideWindow.h"

class TFormH : public TGuideWindow {
public:
    TFormH();
};
