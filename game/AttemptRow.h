#pragma once
// The text of one attempt in the attempts list, laid out as the variant says.

#include "Rules.h"
#include "Variant.h"

#include <QString>

// helpMode: 0 without help, 1 with help (the help tab, where there is one).
QString AttemptRow(const TVariant& variant, int attempt, const QString& guess, const THits& hits,
                   int helpMode);

// Per position, the guess digit where it stands in place, otherwise "- ".
QString PlacePattern(const QString& guess, const THits& hits);
// The digits of the Vesk hits in the order found, then "- " for the rest of the n entries.
QString VeskDigits(const THits& hits, int n);
