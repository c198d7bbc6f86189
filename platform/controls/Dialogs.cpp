#include "Dialogs.h"

#include "Application.h"

TModalResult MessageDlg(const QString& text) {
    TModalResult answer = TModalResult::Cancel;
    auto ask = [&] {
        if (Services().Confirm) answer = Services().Confirm(text);
    };
    // The box is a window of the program: it takes the activity while it is up.
    if (Application)
        Application->RunMessageBox(ask);
    else
        ask();
    return answer;
}

bool TFontDialog::Execute() {
    QFont chosen = Font;
    QColor chosenColor = Color;
    bool confirmed = false;
    auto run = [&] {
        if (Services().ChooseFont) confirmed = Services().ChooseFont(chosen, chosenColor);
    };
    if (Application)
        Application->RunMessageBox(run);
    else
        run();
    if (confirmed) {
        Font = chosen;
        Color = chosenColor;
    }
    return confirmed;
}
