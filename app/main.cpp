#include "Application.h"
#include "startup.h"

int main(int argc, char** argv) {
    TApplication app(argc, argv);
    CreateForms();
    return app.Run();
}
