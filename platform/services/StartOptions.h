#pragma once
// The program's command line. A start from a terminal needs no option and
// keeps the score files in the folder it is started from; the desktop menu
// starts the program with --user-data, which keeps them in the user's data
// folder instead of whatever folder the desktop happens to start it in.

// Prints the options and returns 0 when the command line asks for --help,
// else -1. Called before the application object is made, so that a terminal
// without a display gets its answer too.
int AnswerHelp(int argc, char** argv);

// Applies the options (the application object exists and has its name).
// Returns -1 to go on, or the exit code to end with at once: 0 after --help,
// 2 on a usage error, 1 when the data folder cannot be made or entered.
int ApplyStartOptions(int argc, char** argv);
