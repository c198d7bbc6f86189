#include "startup.h"

#include "About.h"
#include "Application.h"
#include "Bitmap.h"
#include "Bravo.h"
#include "Example.h"
#include "GIFRegistration.h"
#include "GameWindow.h"
#include "Help1.h"
#include "Help2.h"
#include "ScoreWindow.h"
#include "UMein.h"
#include "VH.h"
#include "Variant.h"

#include <QResource>

// The resource initialiser has to be named at file scope.
static void RegisterPictures() {
    Q_INIT_RESOURCE(pictures);
    RegisterStandardGraphics();
    // Before any window reads a picture.
    RegisterGIFImage();
}

namespace {

// The windows of the program in the order they are created; the first is
// the main window.
const char* const CreationOrder[] = {
    "TFormM",    "TForm4",    "TForm7",    "TForm8",    "TForm9",    "TForm44",  "TForm55",  "TForm66",
    "TForm77",   "TForm88",   "TForm99",   "TFormHH",   "TFScore7",  "TFScore8", "TFScore9", "TFScore44",
    "TFScore55", "TFScore66", "TFScore77", "TFScore88", "TFScore99", "TForm5",   "TFScore5", "TFScore6",
    "TForm6",    "TFScore4",  "TFormH",    "TForm1",    "TAboutBox", "TFormVH",  "TFormE",
};

// Makes the window of that class; null for a window this build does not have.
TForm* MakeWindow(const QString& className) {
    if (className == "TFormM") return new TFormM;
    if (className == "TFormH") return new TFormH;
    if (className == "TFormHH") return new TFormHH;
    if (className == "TForm1") return new TForm1;
    if (className == "TAboutBox") return new TAboutBox;
    if (className == "TFormVH") return new TFormVH;
    if (className == "TFormE") return new TFormE;
    for (const TVariant& variant : Variants())
        if (variant.ClassName == className) return new TGameWindow(variant);
    if (const TScoreVariant* variant = FindScoreVariant(className)) return new TScoreWindow(*variant);
    return nullptr;
}

} // namespace

void CreateForms() {
    Application->SetTitle("Tulva and Vesk");
    RegisterPictures();
    for (const char* className : CreationOrder)
        if (TForm* window = MakeWindow(className)) Application->AddForm(window);
}
