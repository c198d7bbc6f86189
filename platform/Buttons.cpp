#include "Buttons.h"

#include "Application.h"
#include "Form.h"

TBitBtn::TBitBtn(QWidget* parent, const QString& name, int left, int top, int width, int height)
    : QPushButton(parent) {
    setObjectName(name);
    setGeometry(left, top, width, height);
    setFocusPolicy(Qt::TabFocus);
    connect(this, &QPushButton::clicked, this, [this] { Click(); });
}

void TBitBtn::SetGlyph(const QImage& picture) {
    setIcon(QIcon(QPixmap::fromImage(picture)));
    // A picture drawn at a higher pixel density is laid out at its logical size.
    const QSize logical = (QSizeF(picture.size()) / picture.devicePixelRatio()).toSize();
    setIconSize(logical.boundedTo(size() - QSize(4, 4)));
    // The words are part of the picture: screen readers and tooltips get
    // them from the picture's description.
    const QString words = picture.text(GlyphDescriptionKey);
    if (!words.isEmpty() && text().isEmpty()) {
        setAccessibleName(words);
        setToolTip(words);
    }
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
