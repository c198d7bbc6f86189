#pragma once
// The font dialog of the classic desktop: face, style and size, and the
// colour of the text, chosen from the sixteen basic colours.

#include <QColor>
#include <QFont>
#include <QList>
#include <QString>

class QWidget;

struct TNamedColor {
    QString Name;
    QColor Color;
};

// Black, Maroon, Green, ... White, in the order the dialog lists them.
const QList<TNamedColor>& BasicColors();

// Runs the dialog from font and color; on OK they hold the choice and true
// is returned, on Cancel they are left as they were.
bool RunFontColorDialog(QFont& font, QColor& color, QWidget* parent);
