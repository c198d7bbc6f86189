#pragma once
// What the main window keeps for the other windows: the player's name, the
// program's directory and the media player that plays every sound cue.
// Start-up hands it by reference to each window that reads it.

#include <QString>

class TMediaPlayer;

struct TSharedSettings {
    // The name as typed in the main window; read when a won game is recorded.
    QString PlayerName;
    // The directory of the program file with its trailing separator; every
    // sound and example file name is put behind it.
    QString ProgramDir;
    // The main window's media player; null until the main window made it.
    TMediaPlayer* SoundOutput = nullptr;
};
