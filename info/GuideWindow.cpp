#include "GuideWindow.h"

#include "Artwork.h"
#include "Buttons.h"
#include "StdCtrls.h"
#include "TabSetMemo.h"

TGuideWindow::TGuideWindow(const TGuide& guide) : TForm(guide.ClassName) {
    SetCaption(" Help for Tulva and Vesk ");
    const int w = guide.ClientWidth, h = guide.ClientHeight;
    SetClientSize(w, h);
    SetBorder(TFormBorder::Dialog, false);
    SetPosition(TFormPosition::MainFormCenter);
    Panel4 = new TPanel(Client(), "Panel4", 8, 8, w - 16, 36, TBevel::Raised);
    Panel4->setFont(ControlFont(16, true));
    Panel4->SetColor(QColor(20, 40, 120));
    Panel4->setStyleSheet("QLabel { color: yellow; }");
    Panel4->SetCaption(guide.Header);
    Memo1 = new TMemo(Client(), "Memo1", 8, 52, w - 16, h - 104);
    Memo1->setFont(ControlFont(14, false));
    Memo1->SetLines(guide.Text);
    BitBtn1 = new TBitBtn(Client(), "BitBtn1", w - 8 - 100, h - 44, 100, 36);
    BitBtn1->SetGlyph(Artwork::ButtonFace("Close", 96, 32));
    BitBtn1->OnClick = [this] { BitBtn1Click(); };
    SetActiveControl(BitBtn1);
}
