#pragma once
// Colour lookups: each turns a colour into the index of a palette entry. The
// colour that index stands for is always the palette's entry, so ditherers
// take their error from Color(index).
//
//   TSlowColorLookup      nearest entry of any palette (squared RGB distance,
//                         the lowest index among equals)
//   TGrayScaleLookup      256 greys: grey = (77 r + 150 g + 29 b) div 256
//   TMonochromeLookup     black (0) below 77 r + 150 g + 29 b = 32513, else white (1)
//   TNetscapeColorLookup  the 216-colour web palette by the nearest level of
//                         each component, (c + 25) div 51

#include "Geometry.h"

#include <cstdint>
#include <memory>
#include <vector>

class TColorLookup {
public:
    explicit TColorLookup(TPalette palette) : Entries(std::move(palette)) {}
    virtual ~TColorLookup() = default;
    TColorLookup(const TColorLookup&) = delete;
    TColorLookup& operator=(const TColorLookup&) = delete;

    // The palette index for the colour; 0 for an empty palette.
    virtual int Lookup(uint8_t red, uint8_t green, uint8_t blue) = 0;

    const TPalette& Palette() const { return Entries; }
    int Colors() const { return static_cast<int>(Entries.size()); }
    const TPaletteEntry& Color(int index) const { return Entries[static_cast<size_t>(index)]; }

protected:
    TPalette Entries;
};

// The nearest entry by squared distance in RGB. Exact, and quick on large
// pictures: the colour cube is cut into 32 × 32 × 32 cells and each cell,
// when first met, keeps the few entries that can be nearest to any colour in
// it.
class TSlowColorLookup : public TColorLookup {
public:
    explicit TSlowColorLookup(TPalette palette);
    int Lookup(uint8_t red, uint8_t green, uint8_t blue) override;

private:
    int Scan(const uint8_t* candidates, int count, int red, int green, int blue) const;
    void FillCell(int cell);
    void MeasureAxis(int axis, int p);

    std::vector<uint8_t> AllIndices;
    // Per axis and cell position, per entry: the squared distance along the
    // axis from the entry to the nearest and to the farthest value of the
    // cell, laid out for quick sums over all entries; measured for the
    // positions whose bit AxisMeasured has.
    // (Left unwritten until measured.)
    std::unique_ptr<int32_t[]> Near[3];
    std::unique_ptr<int32_t[]> Far[3];
    uint32_t AxisMeasured[3] = {0, 0, 0};
    // Per cell: its start in Candidates above its count of candidates
    // (1 to 256, in SlotCountBits); 0 until first use.
    static constexpr int SlotCountBits = 9;
    static constexpr uint32_t SlotCountMask = (uint32_t{1} << SlotCountBits) - 1;
    std::vector<uint32_t> CellSlot;
    std::vector<uint8_t> Candidates;
    // The colours last looked up, by a hash of the colour (0: none yet):
    // a picture's colours repeat, and what a screen shows comes from a
    // table or two.
    static constexpr int MemoBits = 10;
    std::vector<uint32_t> MemoColour;
    std::vector<uint8_t> MemoIndex;
};

class TGrayScaleLookup : public TColorLookup {
public:
    TGrayScaleLookup();
    int Lookup(uint8_t red, uint8_t green, uint8_t blue) override {
        return (77 * red + 150 * green + 29 * blue) >> 8;
    }
};

class TMonochromeLookup : public TColorLookup {
public:
    TMonochromeLookup();
    int Lookup(uint8_t red, uint8_t green, uint8_t blue) override {
        return 77 * red + 150 * green + 29 * blue < 32513 ? 0 : 1;
    }
};

class TNetscapeColorLookup : public TColorLookup {
public:
    TNetscapeColorLookup();
    int Lookup(uint8_t red, uint8_t green, uint8_t blue) override;
};
