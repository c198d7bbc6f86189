#pragma once
// The sound cues of the game windows, played through the main window's one
// media player from the program's directory.

#include "SharedSettings.h"

#include <QString>

// Plays the cue file fileName (as the window spells it) and returns at once;
// a new cue cuts off the one playing. A file that cannot be played plays
// nothing, and the caller goes on.
void PlayCue(const TSharedSettings& settings, const QString& fileName);
