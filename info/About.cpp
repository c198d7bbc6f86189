#include "About.h"

#include "Artwork.h"
#include "Buttons.h"
#include "ImageControl.h"
#include "StdCtrls.h"

namespace {

TLabel* Line(QWidget* parent, const QString& name, int top, const QString& text, int pixelSize = 14) {
    auto* label = new TLabel(parent, name, 40, top, text, ControlFont(pixelSize, true));
    label->SetFontColor(QColor(255, 230, 80));
    return label;
}

} // namespace

TAboutBox::TAboutBox() : TForm("TAboutBox") {
    SetCaption("About");
    SetClientSize(532, 575);
    SetBorder(TFormBorder::Dialog, false);
    SetPosition(TFormPosition::MainFormCenter);
    setWindowIcon(Artwork::DigitCountMenuIcon(4));
    QWidget* client = Client();
    Image1 = new TImage(client, "Image1", 0, 0, 532, 575);
    Image1->SetStretch(true);
    LoadPicture(Image1->Picture, "main-background.jpg");
    Label1 = Line(client, "Label1", 16, "Tulva And Vesk - T&V", 22);
    Label9 = Line(client, "Label9", 22, "Version 0.9");
    Label9->move(532 - 40 - Label9->width(), 22);
    Image3 = new TImage(client, "Image3", 40, 60, 452, 180);
    Image3->SetStretch(true);
    LoadPicture(Image3->Picture, "banner.gif");
    Label4 = Line(client, "Label4", 260, "Designed by:");
    Line(client, "Label5", 290, "The Tulva and Vesk team");
    Line(client, "Label6", 314, "A game of deduction with digits");
    Line(client, "Label7", 338, "Written in C++ on Qt, with a GIF library of its own");
    Line(client, "Label8", 362, "All rights reserved.");
    Image5 = new TImage(client, "Image5", 40, 420, 66, 59);
    LoadPicture(Image5->Picture, "about-small.gif");
    Image2 = new TImage(client, "Image2", 150, 392, 215, 163);
    LoadPicture(Image2->Picture, "about-large.gif");
    BitBtn1 = new TBitBtn(client, "BitBtn1", 532 - 40 - 90, 575 - 44, 90, 30);
    BitBtn1->SetGlyph(Artwork::ButtonFace("OK", 86, 26));
    BitBtn1->OnClick = [this] { BitBtn1Click(); };
}
