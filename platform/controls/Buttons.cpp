#include "Buttons.h"

#include "Application.h"
#include "Form.h"

#include <QKeyEvent>
#include <QPainter>

TBitBtn::TBitBtn(QWidget* parent, const QString& name, int left, int top, int width, int height)
    : QPushButton(parent) {
    setObjectName(name);
    setGeometry(left, top, width, height);
    setFocusPolicy(Qt::TabFocus);
    connect(this, &QPushButton::clicked, this, [this] { Click(); });
}

void TBitBtn::SetGlyph(const QImage& picture) {
    SetGlyph(TButtonFace{QIcon(QPixmap::fromImage(picture)), picture.deviceIndependentSize().toSize(),
                         picture.text("Description")});
}

void TBitBtn::SetGlyph(const TButtonFace& face) {
    setIcon(face.Icon);
    setIconSize(face.Size.boundedTo(size() - QSize(4, 4)));
    if (!face.Words.isEmpty() && Caption().isEmpty()) SetCaption(face.Words);
}

void TBitBtn::SetCaption(const QString& caption) {
    setAccessibleName(caption);
    setToolTip(caption);
}

void TBitBtn::paintEvent(QPaintEvent* event) {
    QPushButton::paintEvent(event);
    if (!hasFocus()) return;
    QPainter painter(this);
    const QRect frame = rect().adjusted(1, 1, -2, -2);
    painter.setPen(QPen(Qt::black, 2));
    painter.drawRect(frame);
    painter.setPen(QPen(Qt::white, 2, Qt::DotLine));
    painter.drawRect(frame);
}

void TBitBtn::keyPressEvent(QKeyEvent* event) {
    const int key = event->key();
    if (key != Qt::Key_Return && key != Qt::Key_Enter) return QPushButton::keyPressEvent(event);
    // Only a fresh press: Enter held down since another window (the one
    // this button's click just closed, say) must not press it again and again.
    if (!event->isAutoRepeat()) click();
}

void TBitBtn::Click() {
    if (!isEnabled()) return;
    TApplication::Guarded([&] {
        if (OnClick) OnClick();
    });
}

void TBitBtn::SetCancel(bool cancel) {
    IsCancel = cancel;
    if (auto* form = dynamic_cast<TForm*>(window())) form->SetCancelButton(cancel ? this : nullptr);
}
