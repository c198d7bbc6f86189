#pragma once
// The About window: the product, its version and the maker's credits.

#include "Form.h"

class TImage;
class TLabel;
class TBitBtn;

class TAboutBox : public TForm {
public:
    TAboutBox();

    TImage* Image1; // background
    TLabel* Label1;
    TLabel* Label9;
    TImage* Image3;
    TLabel* Label4;
    TImage* Image5;
    TImage* Image2;
    TBitBtn* BitBtn1;

    void BitBtn1Click() { Close(); }
};
