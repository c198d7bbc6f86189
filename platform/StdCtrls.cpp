#include "StdCtrls.h"

#include "Application.h"

#include <QEvent>

QFont ControlFont(int pixelSize, bool bold, const QString& family) {
    QFont font(family);
    font.setPixelSize(pixelSize);
    font.setBold(bold);
    return font;
}

TLabel::TLabel(QWidget* parent, const QString& name, int left, int top, const QString& caption)
    : QLabel(parent) {
    setObjectName(name);
    move(left, top);
    setAttribute(Qt::WA_TranslucentBackground);
    SetCaption(caption);
}

TLabel::TLabel(QWidget* parent, const QString& name, int left, int top, const QString& caption,
               const QFont& font)
    : QLabel(parent) {
    setObjectName(name);
    move(left, top);
    setAttribute(Qt::WA_TranslucentBackground);
    setFont(font);
    SetCaption(caption);
}

void TLabel::SetCaption(const QString& caption) {
    setText(caption);
    if (AutoSize) adjustSize();
}

void TLabel::changeEvent(QEvent* event) {
    QLabel::changeEvent(event);
    if (event->type() == QEvent::FontChange && AutoSize) adjustSize();
}

void TLabel::SetFontColor(const QColor& color) {
    QPalette p = palette();
    p.setColor(QPalette::WindowText, color);
    setPalette(p);
}

TPanel::TPanel(QWidget* parent, const QString& name, int left, int top, int width, int height, TBevel bevel)
    : QFrame(parent), CaptionLabel(new QLabel(this)) {
    setObjectName(name);
    setGeometry(left, top, width, height);
    setFrameShape(bevel == TBevel::None ? QFrame::NoFrame : QFrame::Panel);
    setFrameShadow(bevel == TBevel::Lowered ? QFrame::Sunken : QFrame::Raised);
    setLineWidth(1);
    setAutoFillBackground(true);
    CaptionLabel->setObjectName(name + "Caption");
    CaptionLabel->setGeometry(0, 0, width, height);
    CaptionLabel->setAlignment(Qt::AlignCenter);
    CaptionLabel->setAttribute(Qt::WA_TransparentForMouseEvents);
}

QString TPanel::Caption() const {
    return CaptionLabel->text();
}

void TPanel::SetCaption(const QString& caption) {
    CaptionLabel->setText(caption);
}

void TPanel::SetColor(const QColor& color) {
    QPalette p = palette();
    p.setColor(QPalette::Window, color);
    setPalette(p);
}

TEdit::TEdit(QWidget* parent, const QString& name, int left, int top, int width, int height)
    : QLineEdit(parent) {
    setObjectName(name);
    setGeometry(left, top, width, height);
    connect(this, &QLineEdit::textChanged, this, [this] {
        TApplication::Guarded([&] {
            if (OnChange) OnChange();
        });
    });
}
