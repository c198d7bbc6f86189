#pragma once
// The examples viewer: pages through the ten example pictures that lie
// beside the program.

#include "Form.h"
#include "SharedSettings.h"

class TImage;
class TLabel;
class TBitBtn;

class TFormE : public TForm {
public:
    explicit TFormE(const TSharedSettings& settings);

    TImage* Image1;
    TLabel* Label1;
    TLabel* Label2;
    TBitBtn* BitBtn1; // next
    TBitBtn* BitBtn2; // previous
    TBitBtn* BitBtn3; // close
    // The example shown, 1 to 10; kept between showings.
    int ExampleIndex = 1;

    void FormCreate() { ExampleIndex = 1; }
    void BitBtn1Click();
    void BitBtn2Click();
    void BitBtn3Click() { Close(); }

private:
    void ShowExample(int index);

    const TSharedSettings& Settings;
};
