#pragma once
// The animated pictures the windows carry, drawn frame by frame and written
// as GIF files by the program's own GIF writer.

#include <QString>

// Writes banner.gif, digits.gif, hint.gif and fireworks.gif into directory;
// returns false when a file could not be written.
bool WriteAnimations(const QString& directory);
