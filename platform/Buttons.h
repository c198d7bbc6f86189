#pragma once
// The picture button: its words are part of its picture.

#include <QImage>
#include <QPushButton>
#include <functional>

class TBitBtn : public QPushButton {
public:
    TBitBtn(QWidget* parent, const QString& name, int left, int top, int width, int height);

    std::function<void()> OnClick;
    // The picture shown on the button. When the picture carries a
    // description (its text under GlyphDescriptionKey), that is the
    // button's accessible name and tooltip.
    void SetGlyph(const QImage& picture);
    static constexpr const char* GlyphDescriptionKey = "Description";
    // A click as if the player pressed the button; runs OnClick guarded.
    void Click();
    // Esc clicks the form's cancel button unless the focused control takes Esc.
    void SetCancel(bool cancel);
    bool Cancel() const { return IsCancel; }

private:
    bool IsCancel = false;
};
