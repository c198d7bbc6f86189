#pragma once
// The visual help: an animation of what Tulva and Vesk mean.

#include "Form.h"

class TImage;

class TFormVH : public TForm {
public:
    // Opens over mainWindow.
    explicit TFormVH(const TForm& mainWindow);

    TImage* Image1;

    // Opens at the same offset from the main window every time.
    void FormShow();
    void Image1Click() { Close(); }

private:
    const TForm& MainWindow;
};
