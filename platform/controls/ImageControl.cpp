#include "ImageControl.h"

#include "Application.h"
#include "Canvas.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

TImage::TImage(QWidget* parent, const QString& name, int left, int top, int width, int height)
    : QWidget(parent) {
    setObjectName(name);
    setGeometry(left, top, width, height);
    Picture.OnChange = [this](TPicture&) { update(); };
}

void TImage::SetStretch(bool stretch) {
    IsStretched = stretch;
    update();
}

void TImage::SetCenter(bool center) {
    IsCentered = center;
    update();
}

void TImage::paintEvent(QPaintEvent*) {
    TGraphic* graphic = Picture.Graphic();
    if (!graphic || graphic->Empty()) return;
    // Graphics draw onto a canvas; the canvas here is a 32-bit buffer the
    // size of the control, laid over what is behind it. On a scaled screen
    // it has the screen's pixels, so that a picture with more pixels than
    // the control shows them instead of being drawn small and blown up.
    const qreal ratio = devicePixelRatioF();
    QImage buffer((QSizeF(size()) * ratio).toSize(), QImage::Format_ARGB32_Premultiplied);
    buffer.setDevicePixelRatio(ratio);
    buffer.fill(Qt::transparent);
    TCanvas canvas(&buffer);
    const int left = IsCentered ? (width() - graphic->Width()) / 2 : 0;
    const int top = IsCentered ? (height() - graphic->Height()) / 2 : 0;
    const TRect target = IsStretched ? TRect{0, 0, width(), height()}
                                     : TRect::FromSize(left, top, graphic->Width(), graphic->Height());
    canvas.StretchDraw(target, *graphic);
    QPainter painter(this);
    painter.drawImage(0, 0, buffer);
}

void TImage::hideEvent(QHideEvent* event) {
    // A picture not yet made has no animation to stop.
    if (TGraphic* graphic = Picture.MadeGraphic()) graphic->StopAnimation();
    QWidget::hideEvent(event);
}

bool TImage::event(QEvent* event) {
    // A picture that acts on a click is reached with Tab and pressed with
    // Space or Enter, and its tooltip names it for screen readers.
    if (event->type() == QEvent::ToolTipChange) setAccessibleName(toolTip());
    if (event->type() == QEvent::Polish && OnClick) {
        if (focusPolicy() == Qt::NoFocus) setFocusPolicy(Qt::TabFocus);
        if (accessibleName().isEmpty()) setAccessibleName(toolTip());
    }
    return QWidget::event(event);
}

void TImage::keyPressEvent(QKeyEvent* event) {
    const int key = event->key();
    if (OnClick && (key == Qt::Key_Space || key == Qt::Key_Return || key == Qt::Key_Enter)) {
        TApplication::Guarded(OnClick);
        return;
    }
    QWidget::keyPressEvent(event);
}

void TImage::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || !OnClick) {
        QWidget::mousePressEvent(event);
        return;
    }
    TApplication::Guarded(OnClick);
}
