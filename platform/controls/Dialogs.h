#pragma once
// The confirmation box and the font dialog, answered through the services.

#include "Services.h"

#include <QFont>
#include <QString>

// A confirmation box with the buttons Yes, No and Cancel; returns the button chosen.
TModalResult MessageDlg(const QString& text);

class TFontDialog {
public:
    QFont Font;
    QColor Color = Qt::black;
    // Runs the dialog from Font and Color; on confirmation they are the
    // chosen ones.
    bool Execute();
};
