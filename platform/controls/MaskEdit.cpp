#include "MaskEdit.h"

#include "Application.h"
#include "Form.h"

#include <QKeyEvent>

QString QtInputMask(const QString& editMask, QChar* blank, int* positions) {
    const QStringList parts = editMask.split(';');
    QString qtMask;
    int count = 0;
    for (QChar c : parts.value(0)) {
        if (c == '0')
            qtMask += '9';
        else if (c == '9')
            qtMask += '0';
        else
            qtMask += c;
        ++count;
    }
    const QChar blankChar = parts.size() > 2 && !parts[2].isEmpty() ? parts[2][0] : QChar('_');
    if (blank) *blank = blankChar;
    if (positions) *positions = count;
    return qtMask + ';' + blankChar;
}

TMaskEdit::TMaskEdit(QWidget* parent, const QString& name, int left, int top, int width, int height)
    : QLineEdit(parent) {
    setObjectName(name);
    setGeometry(left, top, width, height);
}

void TMaskEdit::SetEditMask(const QString& editMask) {
    Mask = editMask;
    setInputMask(QtInputMask(editMask, &Blank, &Positions));
    setMaxLength(Positions);
    SetText(QString(Positions, ' '));
}

QString TMaskEdit::Text() const {
    // text() drops blanks and closes gaps; the display keeps every position.
    QString shown = displayText();
    shown.replace(Blank, ' ');
    return shown.leftJustified(Positions, ' ').left(Positions);
}

void TMaskEdit::SetText(const QString& text) {
    // Qt closes gaps when a masked text is set as a whole, so each digit is
    // put at its own position.
    setText(QString());
    for (int i = 0; i < std::min<int>(text.size(), Positions); ++i) {
        if (text[i] == ' ') continue;
        setCursorPosition(i);
        del();
        insert(QString(text[i]));
    }
    setCursorPosition(0);
    TypedSinceSet = false;
}

bool TMaskEdit::TakesEscape() const {
    // With digits typed since the text was set the field undoes them itself;
    // otherwise Esc belongs to the window's cancel button, if there is one.
    if (TypedSinceSet) return true;
    auto* form = dynamic_cast<TForm*>(window());
    return !(form && form->HasCancelButton());
}

void TMaskEdit::keyPressEvent(QKeyEvent* event) {
    const int k = event->key();
    char key = 0;
    if (k == Qt::Key_Return || k == Qt::Key_Enter)
        key = 13;
    else if (k == Qt::Key_Escape)
        key = 27;
    else if (k == Qt::Key_Backspace)
        key = 8;
    else if (event->text().size() == 1 && event->text()[0].unicode() >= 32 &&
             event->text()[0].unicode() < 127)
        key = event->text()[0].toLatin1();
    if (key == 0) {
        QLineEdit::keyPressEvent(event); // cursor keys and the like
        return;
    }
    if (key == 27 && !TakesEscape()) {
        event->ignore(); // on to the window's cancel button
        return;
    }
    FieldKey(key, event);
}

void TMaskEdit::focusInEvent(QFocusEvent* event) {
    QLineEdit::focusInEvent(event);
    if (event->reason() != Qt::MouseFocusReason) selectAll();
}

void TMaskEdit::TypeKey(char key) {
    if (key == 27 && !TakesEscape()) {
        if (auto* form = dynamic_cast<TForm*>(window())) {
            QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
            QApplication::sendEvent(form, &escape);
        }
        return;
    }
    FieldKey(key, nullptr);
}

void TMaskEdit::FieldKey(char key, QKeyEvent* event) {
    TApplication::Guarded([&] {
        if (OnKeyPress) OnKeyPress(key);
    });
    if (key == 0) return;
    if (key == 13) {
        // Enter commits the text: later Esc presses go to the cancel button.
        // The text stays, selected, so that the next guess types over it.
        TypedSinceSet = false;
        selectAll();
        return;
    }
    if (key == 27) {
        TypedSinceSet = false;
        return;
    }
    if (!isEnabled() || isReadOnly()) return;
    const QString before = displayText();
    if (event) {
        QLineEdit::keyPressEvent(event);
    } else if (key == 8) {
        backspace();
    } else {
        insert(QString(QChar(key)));
    }
    if (displayText() != before) TypedSinceSet = true;
}
