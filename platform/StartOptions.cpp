#include "StartOptions.h"

#include "ProgramFiles.h"

#include <CLI/CLI.hpp>
#include <QDir>
#include <iostream>

int ApplyStartOptions(int argc, char** argv) {
    CLI::App cli("Tulva and Vesk: a game of deduction with digits.", "tulva");
    bool userData = false;
    cli.add_flag("--user-data", userData,
                 "Keep the score files in the user's data folder instead of the current folder");
    try {
        cli.parse(argc, argv);
    } catch (const CLI::ParseError& error) {
        const int code = cli.exit(error);
        return code == 0 ? 0 : 2;
    }
    if (!userData) return -1;
    const QString folder = UserDataFolder();
    if (folder.isEmpty() || !QDir::setCurrent(folder)) {
        std::cerr << "tulva: cannot use the data folder " << folder.toStdString() << '\n';
        return 1;
    }
    return -1;
}
