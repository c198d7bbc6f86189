#pragma once
// Where the files that lie beside the program (sound cues, example pictures)
// are found, and the folder where a start from the desktop keeps the score files.

#include <QString>

// The folder of the program's own files, with its trailing separator:
// `programDir` (the program file's directory) when `probeFile` lies there, as
// in a build tree or a copied folder; else the installed data folder
// `installedDataDir` (relative to `programDir`, or absolute) when it lies
// there; else `programDir`, so that a missing file is reported where the
// program looked first.
QString LocateProgramDir(const QString& programDir, const QString& installedDataDir,
                         const QString& probeFile);

// The user's data folder of the program, made when missing; empty when it
// cannot be made.
QString UserDataFolder();
