#include "AttemptRow.h"

namespace {

QString Spaces(int n) {
    return QString(n, ' ');
}

} // namespace

QString PlacePattern(const QString& guess, const THits& hits) {
    QString pattern;
    for (int i = 0; i < guess.size(); ++i) {
        const bool inPlace = i < static_cast<int>(hits.InPlace.size()) && hits.InPlace[i];
        pattern += inPlace ? QString(guess[i]) : QString("- ");
    }
    return pattern;
}

QString VeskDigits(const THits& hits, int n) {
    QString digits;
    int entries = 0;
    for (char digit : hits.VeskOrder) {
        if (entries == n) break;
        digits += QChar(digit);
        ++entries;
    }
    for (; entries < n; ++entries) digits += "- ";
    return digits;
}

QString AttemptRow(const TVariant& variant, int attempt, const QString& guess, const THits& hits,
                   int helpMode) {
    const QString tulva = QString::number(hits.Tulva);
    const QString vesk = QString::number(hits.Vesk);
    QString third, fourth;
    switch (variant.Layout) {
    case TRowLayout::Counts:
        third = tulva;
        fourth = vesk;
        break;
    case TRowLayout::PlaceHelp:
        third = helpMode == 0 ? Spaces(4) + tulva + Spaces(4) : PlacePattern(guess, hits);
        fourth = vesk;
        break;
    case TRowLayout::Pattern:
        third = PlacePattern(guess, hits);
        fourth = helpMode == 0 ? Spaces(4) + vesk + Spaces(variant.VeskPadAfter)
                               : VeskDigits(hits, variant.Digits);
        break;
    }
    const QString number = (attempt < 10 ? Spaces(2) : QString()) + QString::number(attempt);
    return Spaces(variant.LeadWidth) + number + " )" + Spaces(variant.S1Spaces) + guess +
           Spaces(variant.S2Width) + third + Spaces(variant.S3Width) + fourth;
}
