#pragma once
// A user's guide: a header panel over a read-only text and a button that
// closes the window. The two guides differ only in their data.

#include "Form.h"

#include <QStringList>

class TPanel;
class TMemo;
class TBitBtn;

struct TGuide {
    const char* ClassName;
    int ClientWidth, ClientHeight;
    QString Header;
    QStringList Text;
};

class TGuideWindow : public TForm {
public:
    explicit TGuideWindow(const TGuide& guide);

    TPanel* Panel4;
    TMemo* Memo1;
    TBitBtn* BitBtn1;

    void BitBtn1Click() { Close(); }
};
