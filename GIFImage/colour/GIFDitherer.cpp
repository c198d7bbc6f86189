#include "GIFDitherer.h"

#include <algorithm>
#include <cstdlib>

TDitherEngine::TDitherEngine(int width, TColorLookup& lookup)
    : ColorLookup(lookup), RowWidth(std::max(0, width)) {}

std::unique_ptr<TDitherEngine> TDitherEngine::Create(int mode, int width, TColorLookup& lookup) {
    switch (mode) {
    case dmNearest:
        return std::make_unique<TDitherEngine>(width, lookup);
    case dmFloydSteinberg:
        return std::make_unique<TFloydSteinbergDitherer>(width, lookup);
    case dmStucki:
        return std::make_unique<TStuckiDitherer>(width, lookup);
    case dmSierra:
        return std::make_unique<TSierraDitherer>(width, lookup);
    case dmJaJuNi:
        return std::make_unique<TJaJuNiDitherer>(width, lookup);
    case dmSteveArche:
        return std::make_unique<TSteveArcheDitherer>(width, lookup);
    case dmBurkes:
        return std::make_unique<TBurkesDitherer>(width, lookup);
    default:
        return nullptr;
    }
}

int TDitherEngine::Dither(uint8_t red, uint8_t green, uint8_t blue) {
    CurrentColumn += Step;
    return ColorLookup.Lookup(red, green, blue);
}

void TDitherEngine::NextLine() {
    ++CurrentRow;
    Step = (CurrentRow & 1) ? -1 : 1;
    CurrentColumn = Step > 0 ? 0 : RowWidth - 1;
}

TErrorDiffusionDitherer::TErrorDiffusionDitherer(int width, TColorLookup& lookup, int divisor,
                                                 std::vector<TDitherWeight> kernel)
    : TDitherEngine(width, lookup), ErrorDivisor(divisor), Weights(std::move(kernel)) {
    int rows = 1;
    for (const TDitherWeight& w : Weights) {
        Spare = std::max(Spare, std::abs(w.Offset));
        rows = std::max(rows, w.Row + 1);
        if (w.Row > 0)
            Below.push_back(w);
        else if (w.Offset == 1)
            AheadWeight1 = w.Weight;
        else if (w.Offset == 2)
            AheadWeight2 = w.Weight;
    }
    ErrorRows.assign(static_cast<size_t>(rows),
                     std::vector<int>(static_cast<size_t>(RowWidth + 2 * Spare) * 3, 0));
}

namespace {

int Clamp255(int v) {
    return v < 0 ? 0 : v > 255 ? 255 : v;
}

} // namespace

int TErrorDiffusionDitherer::Dither(uint8_t red, uint8_t green, uint8_t blue) {
    const int x = CurrentColumn;
    CurrentColumn += Step;
    if (x < 0 || x >= RowWidth) return ColorLookup.Lookup(red, green, blue);

    const int half = ErrorDivisor / 2;
    const int* fromAbove = ErrorRow(0) + static_cast<size_t>(x + Spare) * 3;
    const int component[3] = {red, green, blue};
    int received[3];
    for (int c = 0; c < 3; ++c) received[c] = (fromAbove[c] + Carry1[c] + half) / ErrorDivisor;
    if (ErrorScale != 16)
        for (int& r : received) r = r * ErrorScale / 16;
    int corrected[3];
    for (int c = 0; c < 3; ++c) corrected[c] = Clamp255(component[c] + received[c]);

    const int index =
        ColorLookup.Lookup(static_cast<uint8_t>(corrected[0]), static_cast<uint8_t>(corrected[1]),
                           static_cast<uint8_t>(corrected[2]));
    const TPaletteEntry& chosen = ColorLookup.Color(index);
    const int error[3] = {corrected[0] - chosen.Red, corrected[1] - chosen.Green, corrected[2] - chosen.Blue};

    for (int c = 0; c < 3; ++c) {
        Carry1[c] = Carry2[c] + AheadWeight1 * error[c];
        Carry2[c] = AheadWeight2 * error[c];
    }
    for (const TDitherWeight& w : Below) {
        int* cell = ErrorRow(w.Row) + static_cast<size_t>(x + w.Offset * Step + Spare) * 3;
        cell[0] += w.Weight * error[0];
        cell[1] += w.Weight * error[1];
        cell[2] += w.Weight * error[2];
    }
    return index;
}

void TErrorDiffusionDitherer::NextLine() {
    // The current row's errors are spent; the others move up by one.
    std::fill(ErrorRows.front().begin(), ErrorRows.front().end(), 0);
    std::rotate(ErrorRows.begin(), ErrorRows.begin() + 1, ErrorRows.end());
    Carry1 = {};
    Carry2 = {};
    TDitherEngine::NextLine();
}

TFloydSteinbergDitherer::TFloydSteinbergDitherer(int width, TColorLookup& lookup)
    : TErrorDiffusionDitherer(width, lookup, 16, {{0, 1, 7}, {1, -1, 3}, {1, 0, 5}, {1, 1, 1}}) {}

TStuckiDitherer::TStuckiDitherer(int width, TColorLookup& lookup)
    : T5by3Ditherer(width, lookup, 42,
                    {{0, 1, 8},
                     {0, 2, 4},
                     {1, -2, 2},
                     {1, -1, 4},
                     {1, 0, 8},
                     {1, 1, 4},
                     {1, 2, 2},
                     {2, -2, 1},
                     {2, -1, 2},
                     {2, 0, 4},
                     {2, 1, 2},
                     {2, 2, 1}}) {}

TSierraDitherer::TSierraDitherer(int width, TColorLookup& lookup)
    : T5by3Ditherer(width, lookup, 32,
                    {{0, 1, 5},
                     {0, 2, 3},
                     {1, -2, 2},
                     {1, -1, 4},
                     {1, 0, 5},
                     {1, 1, 4},
                     {1, 2, 2},
                     {2, -1, 2},
                     {2, 0, 3},
                     {2, 1, 2}}) {}

TJaJuNiDitherer::TJaJuNiDitherer(int width, TColorLookup& lookup)
    : T5by3Ditherer(width, lookup, 48,
                    {{0, 1, 7},
                     {0, 2, 5},
                     {1, -2, 3},
                     {1, -1, 5},
                     {1, 0, 7},
                     {1, 1, 5},
                     {1, 2, 3},
                     {2, -2, 1},
                     {2, -1, 3},
                     {2, 0, 5},
                     {2, 1, 3},
                     {2, 2, 1}}) {}

TSteveArcheDitherer::TSteveArcheDitherer(int width, TColorLookup& lookup)
    : TErrorDiffusionDitherer(width, lookup, 200,
                              {{0, 2, 32},
                               {1, -3, 12},
                               {1, -1, 26},
                               {1, 1, 30},
                               {1, 3, 16},
                               {2, -2, 12},
                               {2, 0, 26},
                               {2, 2, 12},
                               {3, -3, 5},
                               {3, -1, 12},
                               {3, 1, 12},
                               {3, 3, 5}}) {}

TBurkesDitherer::TBurkesDitherer(int width, TColorLookup& lookup)
    : TErrorDiffusionDitherer(
          width, lookup, 32,
          {{0, 1, 8}, {0, 2, 4}, {1, -2, 2}, {1, -1, 4}, {1, 0, 8}, {1, 1, 4}, {1, 2, 2}}) {}
