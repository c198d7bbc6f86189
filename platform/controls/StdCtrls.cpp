#include "StdCtrls.h"

#include <QHash>

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
    if (AutoSize) FitToCaption();
}

void TLabel::changeEvent(QEvent* event) {
    QLabel::changeEvent(event);
    if (event->type() == QEvent::FontChange && AutoSize) FitToCaption();
}

namespace {

// What a single-line label's size hint depends on.
struct TCaptionKey {
    QString Text;
    QFont Font;
    int Alignment;
    int Margin;
    int Indent;
    int Frame;
    QMargins Contents;
    bool operator==(const TCaptionKey&) const = default;
};

size_t qHash(const TCaptionKey& key, size_t seed = 0) {
    return qHashMulti(seed, key.Text, key.Font, key.Alignment, key.Margin, key.Indent, key.Frame);
}

} // namespace

void TLabel::FitToCaption() {
    // Laying a text out is much of what a window costs to make, and the
    // twelve game and twelve score windows show many of the same captions
    // in the same fonts: a single-line label asks its size once per
    // caption, font and frame (on the user-interface thread). QLabel keeps
    // the size hint of an empty caption through a change of font until it
    // is polished, which adjustSize does first.
    if (text().isEmpty() || wordWrap() || textFormat() == Qt::RichText) {
        adjustSize();
        return;
    }
    static QHash<TCaptionKey, QSize> sizes;
    const TCaptionKey key{text(),       font(),           static_cast<int>(alignment()), margin(), indent(),
                          frameWidth(), contentsMargins()};
    auto found = sizes.constFind(key);
    if (found == sizes.cend()) found = sizes.insert(key, sizeHint());
    resize(*found);
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
