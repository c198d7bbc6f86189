#include "GIFColorLookup.h"

#include "GIFPalettes.h"

#include <algorithm>
#include <climits>

namespace {

constexpr int CellBits = 5;
constexpr int CellShift = 8 - CellBits;
constexpr int CellsPerSide = 1 << CellBits;
constexpr int TotalCells = CellsPerSide * CellsPerSide * CellsPerSide;
// Small palettes are scanned whole.
constexpr int DirectScanLimit = 16;

int Square(int v) {
    return v * v;
}

// Distance from v to the interval [low, high] along one axis.
int Outside(int v, int low, int high) {
    return v < low ? low - v : v > high ? v - high : 0;
}

} // namespace

TSlowColorLookup::TSlowColorLookup(TPalette palette) : TColorLookup(std::move(palette)) {
    if (Entries.size() > 256) Entries.resize(256);
    for (int i = 0; i < Colors(); ++i) AllIndices.push_back(static_cast<uint8_t>(i));
    if (Colors() > DirectScanLimit) {
        CellStart.assign(TotalCells, -1);
        CellCount.assign(TotalCells, 0);
    }
}

int TSlowColorLookup::Scan(const uint8_t* candidates, int count, int red, int green, int blue) const {
    int best = count > 0 ? candidates[0] : 0;
    int bestDistance = INT_MAX;
    for (int i = 0; i < count; ++i) {
        const TPaletteEntry& e = Entries[candidates[i]];
        const int d = Square(e.Red - red) + Square(e.Green - green) + Square(e.Blue - blue);
        if (d < bestDistance || (d == bestDistance && candidates[i] < best)) {
            bestDistance = d;
            best = candidates[i];
        }
    }
    return best;
}

void TSlowColorLookup::FillCell(int cell) {
    const int low[3] = {((cell >> (2 * CellBits)) & (CellsPerSide - 1)) << CellShift,
                        ((cell >> CellBits) & (CellsPerSide - 1)) << CellShift,
                        (cell & (CellsPerSide - 1)) << CellShift};
    const int span = (1 << CellShift) - 1;
    // No colour of the cell is farther from its nearest entry than the
    // smallest of the entries' farthest distances to the cell.
    int bound = INT_MAX;
    for (const TPaletteEntry& e : Entries) {
        const int c[3] = {e.Red, e.Green, e.Blue};
        int far = 0;
        for (int k = 0; k < 3; ++k) far += Square(std::max(c[k] - low[k], low[k] + span - c[k]));
        bound = std::min(bound, far);
    }
    CellStart[cell] = static_cast<int32_t>(Candidates.size());
    for (int i = 0; i < Colors(); ++i) {
        const TPaletteEntry& e = Entries[i];
        const int near = Square(Outside(e.Red, low[0], low[0] + span)) +
                         Square(Outside(e.Green, low[1], low[1] + span)) +
                         Square(Outside(e.Blue, low[2], low[2] + span));
        if (near <= bound) Candidates.push_back(static_cast<uint8_t>(i));
    }
    CellCount[cell] = static_cast<uint16_t>(Candidates.size() - static_cast<size_t>(CellStart[cell]));
}

int TSlowColorLookup::Lookup(uint8_t red, uint8_t green, uint8_t blue) {
    if (Colors() <= DirectScanLimit) return Scan(AllIndices.data(), Colors(), red, green, blue);
    const int cell =
        ((red >> CellShift) << (2 * CellBits)) | ((green >> CellShift) << CellBits) | (blue >> CellShift);
    if (CellStart[cell] < 0) FillCell(cell);
    return Scan(Candidates.data() + CellStart[cell], CellCount[cell], red, green, blue);
}

TGrayScaleLookup::TGrayScaleLookup() : TColorLookup(GreyPalette(256)) {}

TMonochromeLookup::TMonochromeLookup() : TColorLookup(GreyPalette(2)) {}

TNetscapeColorLookup::TNetscapeColorLookup() : TColorLookup(WebPalette()) {}

int TNetscapeColorLookup::Lookup(uint8_t red, uint8_t green, uint8_t blue) {
    return WebIndex(red, green, blue);
}
