#include "VH.h"

#include "Artwork.h"
#include "ImageControl.h"

TFormVH::TFormVH(const TForm& mainWindow) : TForm("TFormVH"), MainWindow(mainWindow) {
    SetCaption("What is Tulva,what is Vesk?!");
    SetClientSize(470, 404);
    SetBorder(TFormBorder::Dialog, false);
    Image1 = new TImage(Client(), "Image1", 0, 0, 470, 404);
    Image1->SetStretch(true);
    Image1->setToolTip("Close");
    Image1->OnClick = [this] { Image1Click(); };
    LoadPicture(Image1->Picture, "visual-help.gif");
    OnShow = [this] { FormShow(); };
}

void TFormVH::FormShow() {
    move(MainWindow.x() + 54, MainWindow.y() + 158);
}
