#include "Bravo.h"

#include "Artwork.h"
#include "ImageControl.h"
#include "StdCtrls.h"

#include <QKeyEvent>

namespace {

TLabel* RedLabel(QWidget* parent, const QString& name, int top, int pixelSize, const QString& caption) {
    auto* label = new TLabel(parent, name, 0, top, caption);
    label->setFont(ControlFont(pixelSize, true));
    label->SetFontColor(Qt::red);
    label->move((parent->width() - label->width()) / 2, top);
    return label;
}

} // namespace

TForm1::TForm1() : TForm("TForm1") {
    SetCaption("Tulva And Vesk");
    SetClientSize(378, 308);
    SetBorder(TFormBorder::Single, false);
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
}

void TForm1::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Escape:
    case Qt::Key_Space:
        Close();
        return;
    default:
        TForm::keyPressEvent(event);
    }
}
