#pragma once
// Which entry of a colour table holds a colour: the lowest one that does.
// The optimisers ask it once for every pixel whose colour changes, and once
// for every index of every frame for each table they try, so it is a flat
// open-addressed table of twice a table's 256 entries, probed linearly: a
// lookup is a multiply and mostly one compare.

#include <array>
#include <cstdint>

class TColorIndex {
public:
    static constexpr int MaxEntries = 256;

    // The first count colours (at most MaxEntries, so that the table never
    // fills).
    TColorIndex(const uint32_t* colours, int count) {
        Slots.fill(TSlot{0, Absent});
        for (int i = 0; i < count && i < MaxEntries; ++i) Add(colours[i], i);
    }

    // The colour's entry, or -1.
    int Find(uint32_t colour) const {
        for (uint32_t h = Hash(colour);; h = (h + 1) & Mask) {
            const TSlot& slot = Slots[h];
            if (slot.Index == Absent || slot.Colour == colour) return slot.Index;
        }
    }

private:
    static constexpr int Absent = -1;
    static constexpr uint32_t Mask = 2 * MaxEntries - 1;
    struct TSlot {
        uint32_t Colour;
        int Index;
    };
    static uint32_t Hash(uint32_t colour) { return (colour * 0x9E3779B1u) >> 23; }

    // Gives colour the entry index, unless it has one already.
    void Add(uint32_t colour, int index) {
        uint32_t h = Hash(colour);
        while (Slots[h].Index != Absent) {
            if (Slots[h].Colour == colour) return;
            h = (h + 1) & Mask;
        }
        Slots[h] = TSlot{colour, index};
    }

    std::array<TSlot, 2 * MaxEntries> Slots;
};
