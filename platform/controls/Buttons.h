#pragma once
// The picture button: its words are part of its picture. The words are also
// its caption, which names the button to screen readers and shows as its
// tooltip; a picture that carries its words ("Description" text) gives them.

#include "DrawnIcon.h"

#include <QImage>
#include <QPushButton>
#include <functional>

class TBitBtn : public QPushButton {
public:
    TBitBtn(QWidget* parent, const QString& name, int left, int top, int width, int height);

    std::function<void()> OnClick;
    // The picture may be drawn at a higher device pixel ratio than 1; it
    // then shows at its device-independent size and stays sharp on scaled
    // screens. Its "Description" text becomes the caption unless one is set.
    void SetGlyph(const QImage& picture);
    // A face drawn when the button is first shown; its words become the
    // caption unless one is set.
    void SetGlyph(const TButtonFace& face);
    // The words of the button: its accessible name and tooltip.
    void SetCaption(const QString& caption);
    QString Caption() const { return accessibleName(); }
    // A click as if the player pressed the button; runs OnClick guarded.
    void Click();
    // Esc clicks the form's cancel button unless the focused control takes Esc.
    void SetCancel(bool cancel);
    bool Cancel() const { return IsCancel; }

protected:
    // The picture covers the button's own focus mark; a frame drawn over
    // it shows which button Space or Enter will press.
    void paintEvent(QPaintEvent* event) override;
    // Enter and the keypad's Enter press the focused button, as Space does.
    void keyPressEvent(QKeyEvent* event) override;

private:
    bool IsCancel = false;
};
