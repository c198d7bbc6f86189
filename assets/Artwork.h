#pragma once
// The pictures of the windows, drawn by code: the words on the picture
// buttons, the menu pictures, the markers and the backgrounds. The asset
// generator writes the backgrounds as JPEG files that the windows carry.

#include "DrawnIcon.h"

#include <QIcon>
#include <QImage>
#include <QString>

class TPicture;

namespace Artwork {

// The device pixel ratio of the pictures drawn for high-resolution screens.
constexpr int HighResolution = 2;

// A button face with its word, as the picture buttons show it: `width` by
// `height` device-independent pixels at HighResolution, with the word as
// the picture's "Description" text.
QImage ButtonPicture(const QString& word, int width, int height);
// The same face, drawn when the button is first shown.
TButtonFace ButtonFace(const QString& word, int width, int height);
// The menu picture for numbers of `digits` digits.
QImage DigitCountIcon(int digits);
// The small pictures of the help menu items.
QImage HelpMenuPicture(int index);
// The menu and window pictures as icons, drawn when first shown.
QIcon DigitCountMenuIcon(int digits);
QIcon HelpMenuIcon(int index);
// The two markers are 24 by 24 device-independent pixels at HighResolution.
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
// choosing the graphic class by the file's extension, when the picture is
// first asked for its graphic. A missing picture leaves the holder empty.
void LoadPicture(TPicture& picture, const QString& name);
// Starts decoding that picture on another thread, for a window about to be
// shown (see PictureCache::DecodeAhead).
void DecodePictureAhead(const QString& name);
