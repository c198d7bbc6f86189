#pragma once
// Random but valid input to the real program: from a seed, events go to the
// window the player would be facing (the open modal window, else a shown
// window): clicks on its buttons and click-pictures, keys into the guess
// field and the name box, menu choices, tab changes, window closes, and the
// Clear question answered Yes, No or Cancel. Now and then the secret is typed,
// so games are won and recorded.

#include <QSet>
#include <QStringList>
#include <cstdint>

struct TSoakResult {
    long Events = 0;
    QSet<QString> WindowsVisited;
    int Wins = 0;
    // What went wrong: errors shown, score lines lost.
    QStringList Problems;
};

// Needs a TApplication with the windows created (CreateForms()), and a
// scratch working directory for the score files. `programDir` holds the
// sound and example files.
TSoakResult RunSoak(uint64_t seed, long events, const QString& programDir);
