#include "startup.h"

#include "Application.h"
#include "Bitmap.h"
#include "Bravo.h"
#include "GameWindow.h"
#include "Help1.h"
#include "Help2.h"
#include "UMein.h"
#include "Variant.h"

#include <QResource>

// The resource initialiser has to be named at file scope.
static void RegisterPictures() {
    Q_INIT_RESOURCE(pictures);
    RegisterStandardGraphics();
}

namespace {

// The windows of the program in the order they are created; the first is
// the main window. Windows join this table as they are built.
using FormFactory = void (*)();

// A game window is the one game-window class with its variant's record.
void CreateGameWindow(const char* className) {
    Application->AddForm(new TGameWindow(VariantOf(className)));
}

const FormFactory WindowTable[] = {
    [] { Application->CreateForm<TFormM>(); }, [] { CreateGameWindow("TForm4"); },
    [] { CreateGameWindow("TForm44"); },       [] { Application->CreateForm<TFormHH>(); },
    [] { Application->CreateForm<TFormH>(); }, [] { Application->CreateForm<TForm1>(); },
};

} // namespace

void CreateForms() {
    Application->SetTitle("Tulva and Vesk");
    RegisterPictures();
    for (FormFactory create : WindowTable) create();
}
