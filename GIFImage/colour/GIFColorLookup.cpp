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
static_assert(CellsPerSide <= 32, "a cell position per bit of AxisMeasured");

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
    CellSlot.assign(TotalCells, 0);
    for (int axis = 0; axis < 3; ++axis) {
        Near[axis].reset(new int32_t[CellsPerSide * Entries.size()]);
        Far[axis].reset(new int32_t[CellsPerSide * Entries.size()]);
    }
}

// The distances of every entry to cell position p along axis, when a
// cell there is first met: a lookup that serves a small picture meets few.
void TSlowColorLookup::MeasureAxis(int axis, int p) {
    if (AxisMeasured[axis] & (uint32_t{1} << p)) return;
    AxisMeasured[axis] |= uint32_t{1} << p;
    const size_t n = Entries.size();
    const int low = p << CellShift;
    const int high = low + (1 << CellShift) - 1;
    int32_t* nearRow = Near[axis].get() + static_cast<size_t>(p) * n;
    int32_t* farRow = Far[axis].get() + static_cast<size_t>(p) * n;
    for (size_t e = 0; e < n; ++e) {
        const TPaletteEntry& entry = Entries[e];
        const int v = axis == 0 ? entry.Red : axis == 1 ? entry.Green : entry.Blue;
        nearRow[e] = Square(Outside(v, low, high));
        farRow[e] = Square(std::max(v - low, high - v));
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
    const int position[3] = {(cell >> (2 * CellBits)) & (CellsPerSide - 1),
                             (cell >> CellBits) & (CellsPerSide - 1), cell & (CellsPerSide - 1)};
    for (int axis = 0; axis < 3; ++axis) MeasureAxis(axis, position[axis]);
    const size_t p[3] = {static_cast<size_t>(position[0]) * n, static_cast<size_t>(position[1]) * n,
                         static_cast<size_t>(position[2]) * n};
    const int32_t* farR = Far[0].get() + p[0];
    const int32_t* farG = Far[1].get() + p[1];
    const int32_t* farB = Far[2].get() + p[2];
    // No colour of the cell is farther from its nearest entry than the
    // smallest of the entries' farthest distances to the cell.
    int32_t bound = INT32_MAX;
    for (size_t e = 0; e < n; ++e) bound = std::min(bound, farR[e] + farG[e] + farB[e]);
    const int32_t* nearR = Near[0].get() + p[0];
    const int32_t* nearG = Near[1].get() + p[1];
    const int32_t* nearB = Near[2].get() + p[2];
    const size_t start = Candidates.size();
    for (size_t e = 0; e < n; ++e)
        if (nearR[e] + nearG[e] + nearB[e] <= bound) Candidates.push_back(static_cast<uint8_t>(e));
    CellSlot[cell] =
        static_cast<uint32_t>(start) << SlotCountBits | static_cast<uint32_t>(Candidates.size() - start);
}

int TSlowColorLookup::Lookup(uint8_t red, uint8_t green, uint8_t blue) {
    if (Colors() <= DirectScanLimit) return Scan(AllIndices.data(), Colors(), red, green, blue);
    const uint32_t colour = 0x1000000u | uint32_t{red} << 16 | uint32_t{green} << 8 | blue;
    const size_t slot = (colour * 2654435761u) >> (32 - MemoBits);
    if (MemoColour[slot] == colour) return MemoIndex[slot];
    const int cell =
        ((red >> CellShift) << (2 * CellBits)) | ((green >> CellShift) << CellBits) | (blue >> CellShift);
    if (CellSlot[cell] == 0) FillCell(cell);
    const uint32_t cellSlot = CellSlot[cell];
    const int index = Scan(Candidates.data() + (cellSlot >> SlotCountBits),
                           static_cast<int>(cellSlot & SlotCountMask), red, green, blue);
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
