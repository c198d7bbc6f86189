#pragma once
// An icon whose picture is drawn when it is first shown or asked for its
// pixels, not when it is made: the windows that are not open at start-up
// draw none of their button faces and menu pictures, and so load none of
// the fonts that only those pictures use.

#include <QIcon>
#include <QImage>
#include <QSize>
#include <QString>
#include <functional>

// `pixelSize` is the size in pixels of the image `draw` gives (its device
// pixel ratio may be above 1). The icon is never null; its copies share the
// picture, drawn at most once.
QIcon DrawnIcon(QSize pixelSize, std::function<QImage()> draw);

// The face of a picture button, drawn when the button is first shown: the
// icon, its size in device-independent pixels and the words it shows.
struct TButtonFace {
    QIcon Icon;
    QSize Size;
    QString Words;
};
