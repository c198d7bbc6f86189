#include "GIFColorLookup.h"

#include "GIFPalettes.h"

#include <algorithm>
#include <climits>
#include <cstdint>

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
    if (Colors() <= DirectScanLimit) return;
    MemoColour.assign(size_t{1} << MemoBits, 0);
    MemoIndex.assign(size_t{1} << MemoBits, 0);
    CellStart.assign(TotalCells, -1);
    CellCount.assign(TotalCells, 0);
    const size_t n = Entries.size();
    const int span = (1 << CellShift) - 1;
    for (int axis = 0; axis < 3; ++axis) {
        Near[axis].resize(CellsPerSide * n);
        Far[axis].resize(CellsPerSide * n);
        for (int p = 0; p < CellsPerSide; ++p) {
            const int low = p << CellShift;
            for (size_t e = 0; e < n; ++e) {
                const TPaletteEntry& entry = Entries[e];
                const int v = axis == 0 ? entry.Red : axis == 1 ? entry.Green : entry.Blue;
                Near[axis][static_cast<size_t>(p) * n + e] = Square(Outside(v, low, low + span));
                Far[axis][static_cast<size_t>(p) * n + e] = Square(std::max(v - low, low + span - v));
            }
        }
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
    const size_t n = Entries.size();
    const size_t p[3] = {static_cast<size_t>((cell >> (2 * CellBits)) & (CellsPerSide - 1)) * n,
                         static_cast<size_t>((cell >> CellBits) & (CellsPerSide - 1)) * n,
                         static_cast<size_t>(cell & (CellsPerSide - 1)) * n};
    const int32_t* farR = Far[0].data() + p[0];
    const int32_t* farG = Far[1].data() + p[1];
    const int32_t* farB = Far[2].data() + p[2];
    // No colour of the cell is farther from its nearest entry than the
    // smallest of the entries' farthest distances to the cell.
    int32_t bound = INT32_MAX;
    for (size_t e = 0; e < n; ++e) bound = std::min(bound, farR[e] + farG[e] + farB[e]);
    const int32_t* nearR = Near[0].data() + p[0];
    const int32_t* nearG = Near[1].data() + p[1];
    const int32_t* nearB = Near[2].data() + p[2];
    CellStart[cell] = static_cast<int32_t>(Candidates.size());
    for (size_t e = 0; e < n; ++e)
        if (nearR[e] + nearG[e] + nearB[e] <= bound) Candidates.push_back(static_cast<uint8_t>(e));
    CellCount[cell] = static_cast<uint16_t>(Candidates.size() - static_cast<size_t>(CellStart[cell]));
}

int TSlowColorLookup::Lookup(uint8_t red, uint8_t green, uint8_t blue) {
    if (Colors() <= DirectScanLimit) return Scan(AllIndices.data(), Colors(), red, green, blue);
    const uint32_t colour = 0x1000000u | uint32_t{red} << 16 | uint32_t{green} << 8 | blue;
    const size_t slot = (colour * 2654435761u) >> (32 - MemoBits);
    if (MemoColour[slot] == colour) return MemoIndex[slot];
    const int cell =
        ((red >> CellShift) << (2 * CellBits)) | ((green >> CellShift) << CellBits) | (blue >> CellShift);
    if (CellStart[cell] < 0) FillCell(cell);
    const int index = Scan(Candidates.data() + CellStart[cell], CellCount[cell], red, green, blue);
    MemoColour[slot] = colour;
    MemoIndex[slot] = static_cast<uint8_t>(index);
    return index;
}

TGrayScaleLookup::TGrayScaleLookup() : TColorLookup(GreyPalette(256)) {}

TMonochromeLookup::TMonochromeLookup() : TColorLookup(GreyPalette(2)) {}

TNetscapeColorLookup::TNetscapeColorLookup() : TColorLookup(WebPalette()) {}

int TNetscapeColorLookup::Lookup(uint8_t red, uint8_t green, uint8_t blue) {
    return WebIndex(red, green, blue);
}
