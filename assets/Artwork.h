#pragma once
// The pictures of the windows, drawn by code: the words on the picture
// buttons, the menu pictures, the markers and the backgrounds. The asset
// generator writes the backgrounds as JPEG files that the windows carry.

#include <QImage>
#include <QString>

class TPicture;

namespace Artwork {

// A button face with its word, as the picture buttons show it.
QImage ButtonPicture(const QString& word, int width, int height);
// The menu picture for numbers of `digits` digits.
QImage DigitCountIcon(int digits);
// The small pictures of the help menu items.
QImage HelpMenuPicture(int index);
// The red round cross beside a game's message line.
QImage ErrorMarker();
// The yellow warning triangle with an exclamation mark.
QImage AttentionMarker();
// A background of the given kind ("main", "game", "score", "clock", ...).
QImage Background(const QString& kind, int width, int height);
// The program's icon at `size` by `size` pixels, drawn for that size.
QImage ProgramIcon(int size);

} // namespace Artwork

// Loads a picture that the program carries (a resource under :/pictures/),
// choosing the graphic class by the file's extension. A missing picture
// leaves the holder empty.
void LoadPicture(TPicture& picture, const QString& name);
