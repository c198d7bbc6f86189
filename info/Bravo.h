#pragma once
// The congratulation window, shown modally when a game is won. A click on
// the picture closes it; the words over the picture take no clicks.

#include "Form.h"

class TPanel;
class TImage;
class TLabel;

class TForm1 : public TForm {
public:
    TForm1();

    TPanel* Panel2;
    TImage* Image3; // the fireworks, stretched over the panel
    TLabel* Label1;
    TLabel* Label2;
    TLabel* Label3;

    void Image3Click() { Close(); }

protected:
    // Enter, Esc and Space close it too, for a player at the keyboard.
    void keyPressEvent(QKeyEvent* event) override;
};
