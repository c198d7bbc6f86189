#include "Application.h"
#include "StartOptions.h"
#include "startup.h"

int main(int argc, char** argv) {
    if (const int exitCode = AnswerHelp(argc, argv); exitCode >= 0) return exitCode;
    TApplication app(argc, argv);
    app.SetTitle("Tulva and Vesk"); // also names the user's data folder
    if (const int exitCode = ApplyStartOptions(argc, argv); exitCode >= 0) return exitCode;
    CreateForms();
    return app.Run();
}
