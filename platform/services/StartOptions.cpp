#include "StartOptions.h"

#include "ProgramFiles.h"

#include <CLI/CLI.hpp>
#include <QDir>
#include <iostream>
#include <string>

namespace {

void DescribeOptions(CLI::App& cli, bool& userData) {
    cli.add_flag("--user-data", userData,
                 "Keep the score files in the user's data folder instead of the current folder");
}

} // namespace

int AnswerHelp(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        if (argument != "--help" && argument != "-h") continue;
        CLI::App cli("Tulva and Vesk: a game of deduction with digits.", "tulva");
        bool userData = false;
        DescribeOptions(cli, userData);
        std::cout << cli.help();
        return 0;
    }
    return -1;
}

int ApplyStartOptions(int argc, char** argv) {
    CLI::App cli("Tulva and Vesk: a game of deduction with digits.", "tulva");
    bool userData = false;
    DescribeOptions(cli, userData);
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
