#include "startup.h"

#include "Application.h"
#include "Bitmap.h"
#include "UMein.h"

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
const FormFactory WindowTable[] = {
    [] { Application->CreateForm<TFormM>(); },
};

} // namespace

void CreateForms() {
    Application->SetTitle("Tulva and Vesk");
    RegisterPictures();
    for (FormFactory create : WindowTable) create();
}
