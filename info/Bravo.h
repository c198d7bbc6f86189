#pragma once
// The congratulation window, shown modally when a game is won. A click on
// the picture closes it; the words over the picture take no clicks.

#include "Form.h"

#include <QSet>

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
    // Enter, Esc and Space close it too, for a player at the keyboard: on
    // the release of a key pressed while it is up, so that neither the
    // auto-repeat nor the release of the winning Enter closes it unseen.
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void showEvent(QShowEvent* event) override;
    // The "Close" hint belongs to the panel's border: the picture and the
    // words over it show none.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void FitToClient();
    QSet<int> KeysPressedHere;
};
