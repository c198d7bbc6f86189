#include "Example.h"

#include "Artwork.h"
#include "Buttons.h"
#include "ImageControl.h"
#include "StdCtrls.h"

namespace {
constexpr int ExampleCount = 10;
}

TFormE::TFormE(const TSharedSettings& settings) : TForm("TFormE"), Settings(settings) {
    SetCaption("Examples");
    SetClientSize(800, 600);
    SetBorder(TFormBorder::Sizeable, true);
    SetMaximized(true);
    QWidget* client = Client();
    client->setAutoFillBackground(true);
    Image1 = new TImage(client, "Image1", 0, 40, 800, 560);
    Image1->SetCenter(true);
    LoadPicture(Image1->Picture, "example1.jpg"); // the window carries the first one
    Label1 = new TLabel(client, "Label1", 12, 10, "Example 1", ControlFont(16, true));
    Label2 = new TLabel(client, "Label2", 140, 10, "Total examples is 10", ControlFont(16, true));
    BitBtn2 = new TBitBtn(client, "BitBtn2", 400, 6, 90, 28);
    BitBtn2->SetGlyph(Artwork::ButtonFace("Previous", 86, 24));
    BitBtn2->OnClick = [this] { BitBtn2Click(); };
    BitBtn1 = new TBitBtn(client, "BitBtn1", 500, 6, 90, 28);
    BitBtn1->SetGlyph(Artwork::ButtonFace("Next", 86, 24));
    BitBtn1->OnClick = [this] { BitBtn1Click(); };
    BitBtn3 = new TBitBtn(client, "BitBtn3", 600, 6, 90, 28);
    BitBtn3->SetGlyph(Artwork::ButtonFace("Close", 86, 24));
    BitBtn3->OnClick = [this] { BitBtn3Click(); };
    OnCreate = [this] { FormCreate(); };
    // Maximised, the picture stands in the middle of the whole client area,
    // under the row of labels and buttons.
    OnResize = [this] { Image1->setGeometry(Client()->rect()); };
}

void TFormE::BitBtn1Click() {
    if (ExampleIndex < ExampleCount) ShowExample(ExampleIndex + 1);
}

void TFormE::BitBtn2Click() {
    if (ExampleIndex > 1) ShowExample(ExampleIndex - 1);
}

void TFormE::ShowExample(int index) {
    // The picture is loaded before anything moves, so that a missing file
    // leaves number, picture and label together.
    Image1->Picture.LoadFromFile((Settings.ProgramDir + QString("example%1.JPG").arg(index)).toStdString());
    ExampleIndex = index;
    Label1->SetCaption(QString("Example %1").arg(index));
}
