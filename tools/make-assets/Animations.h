#pragma once
// The animated pictures the windows carry, drawn frame by frame and written
// as GIF files by the program's own GIF writer.

#include <QString>

// Writes banner.gif, digits.gif, hint.gif, fireworks.gif, visual-help.gif,
// about-small.gif and about-large.gif into directory;
// returns false when a file could not be written.
bool WriteAnimations(const QString& directory);
