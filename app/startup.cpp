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

#include <QCoreApplication>
#include <QEvent>
#include <QResource>
#include <map>
#include <stdexcept>

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

// Makes every window, each before the windows it is handed to: the main
// window with the settings it keeps, the guides, the congratulation and
// score windows, then the game windows that work with them.
std::map<QString, TForm*> MakeWindows() {
    std::map<QString, TForm*> made;
    auto* main = new TFormM;
    made["TFormM"] = main;
    made["TFormH"] = new TFormH;
    made["TFormHH"] = new TFormHH;
    auto* congratulation = new TForm1;
    made["TForm1"] = congratulation;
    made["TAboutBox"] = new TAboutBox;
    made["TFormVH"] = new TFormVH(*main);
    made["TFormE"] = new TFormE(main->Settings);
    std::map<QString, TScoreWindow*> scores;
    for (const TScoreVariant& variant : ScoreVariants)
        made[variant.ClassName] = scores[variant.ClassName] = new TScoreWindow(variant);
    for (const TVariant& variant : Variants()) {
        TScoreWindow* score = scores.at(variant.ScoreWindow);
        // The two catalogues must pair each game with its own score window.
        if (score->Variant.GameWindow != variant.ClassName)
            throw std::logic_error(variant.ScoreWindow.toStdString() + " does not belong to " +
                                   variant.ClassName.toStdString());
        auto* game = new TGameWindow(
            variant, {main->Settings, *main, *made.at(variant.HelpWindow), *score, *congratulation});
        score->SetRowSource(*game);
        made[variant.ClassName] = game;
    }
    return made;
}

} // namespace

void CreateForms() {
    Application->SetTitle("Tulva and Vesk");
    RegisterPictures();
    // The create handlers run in the fixed order, whatever order the windows were made in.
    std::map<QString, TForm*> made = MakeWindows();
    for (const char* className : CreationOrder) Application->AddForm(made.at(className));
    // Each new control has asked the event loop to give it its style. A
    // window does that for its controls when it is first shown (the main
    // window at once), so the loop's first pass is left to paint the main
    // window, not to style the thirty windows that are not open.
    QCoreApplication::removePostedEvents(nullptr, QEvent::PolishRequest);
}
