#pragma once
// The picture control: shows the graphic of its picture, natural size from
// the top-left corner or stretched over the control.

#include "Picture.h"

#include <QWidget>
#include <functional>

class TImage : public QWidget {
public:
    TImage(QWidget* parent, const QString& name, int left, int top, int width, int height);

    TPicture Picture;
    std::function<void()> OnClick;
    void SetStretch(bool stretch);
    bool Stretch() const { return IsStretched; }
    // A picture that is not stretched stands in the middle of the control.
    void SetCenter(bool center);

protected:
    // A picture that does something when clicked says what in its tooltip;
    // the tooltip is also its accessible name. Such a picture is reached with
    // Tab and pressed with Space or Enter.
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    // An animated picture plays only while the control is shown.
    void hideEvent(QHideEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    bool IsStretched = false;
    bool IsCentered = false;
};
