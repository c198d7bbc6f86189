#include "Bravo.h"

#include "Artwork.h"
#include "ImageControl.h"
#include "StdCtrls.h"

#include <QKeyEvent>
#include <QToolTip>

#include <utility>

namespace {

TLabel* RedLabel(QWidget* parent, const QString& name, int top, int pixelSize, const QString& caption) {
    auto* label = new TLabel(parent, name, 0, top, caption, ControlFont(pixelSize, true));
    label->SetFontColor(Qt::red);
    label->move((parent->width() - label->width()) / 2, top);
    return label;
}

} // namespace

TForm1::TForm1() : TForm("TForm1") {
    SetCaption("Tulva And Vesk");
    SetClientSize(378, 308);
    SetBorder(TFormBorder::Single, false, true);
    SetPosition(TFormPosition::MainFormCenter);
    Panel2 = new TPanel(Client(), "Panel2", 0, 0, 378, 308, TBevel::Raised);
    Panel2->SetColor(Qt::black);
    Panel2->setToolTip("Close");
    Image3 = new TImage(Panel2, "Image3", 2, 2, 374, 304);
    Image3->SetStretch(true);
    Image3->setToolTip("Close");
    Image3->OnClick = [this] { Image3Click(); };
    LoadPicture(Image3->Picture, "fireworks.gif");
    // Siblings above the picture: a click on them does not reach it.
    Label1 = RedLabel(Panel2, "Label1", 40, 34, "CONGRATULATION!");
    Label2 = RedLabel(Panel2, "Label2", 130, 20, "YOU SUCCEED TO GUESS");
    Label3 = RedLabel(Panel2, "Label3", 170, 20, "DETERMINATION  NUMBER");
    for (QWidget* inside : {static_cast<QWidget*>(Image3), static_cast<QWidget*>(Label1),
                            static_cast<QWidget*>(Label2), static_cast<QWidget*>(Label3)})
        inside->installEventFilter(this);
    OnResize = [this] { FitToClient(); };
}

void TForm1::FitToClient() {
    // Maximised, the panel still fills the window and the picture the panel.
    Panel2->setGeometry(Client()->rect());
    Image3->setGeometry(Panel2->rect().adjusted(2, 2, -2, -2));
    const int shift = (Panel2->height() - 308) / 2;
    for (auto [label, top] : {std::pair{Label1, 40}, std::pair{Label2, 130}, std::pair{Label3, 170}})
        label->move((Panel2->width() - label->width()) / 2, top + shift);
}

bool TForm1::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::ToolTip) {
        QToolTip::hideText();
        return true; // not passed on to the panel
    }
    return TForm::eventFilter(watched, event);
}

void TForm1::showEvent(QShowEvent* event) {
    KeysPressedHere.clear();
    TForm::showEvent(event);
}

namespace {

bool ClosesTheWindow(int key) {
    return key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Escape || key == Qt::Key_Space;
}

} // namespace

void TForm1::keyPressEvent(QKeyEvent* event) {
    if (!ClosesTheWindow(event->key())) return TForm::keyPressEvent(event);
    // A key held down before the window opened arrives only as repeats.
    if (!event->isAutoRepeat()) KeysPressedHere.insert(event->key());
}

void TForm1::keyReleaseEvent(QKeyEvent* event) {
    if (!ClosesTheWindow(event->key())) return TForm::keyReleaseEvent(event);
    if (event->isAutoRepeat() || !KeysPressedHere.contains(event->key())) return;
    KeysPressedHere.clear();
    Close();
}
