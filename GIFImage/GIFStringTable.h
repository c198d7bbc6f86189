#pragma once
// The LZW encoder's string table: which code stands for prefix code + pixel.
//
// The codes an LZW encoder sends follow from the longest-match rule and the
// clear policy alone, so the table is free to be fast: a power-of-two hash
// table on prefix << 8 | pixel with linear probing, at most a quarter full.
// A failed lookup ends at the empty slot where that string goes, so adding
// it probes nothing again. Only the slots in use are reset on a clear.

#include <cstdint>
#include <cstring>

class TLZWStringTable {
public:
    static constexpr int MaxCodes = 4096;

    TLZWStringTable() { std::memset(Slots, 0xFF, sizeof Slots); }

    // Empties the table; codes below firstFree stand for single pixels.
    void Clear(int /*firstFree*/) {
        for (int i = 0; i < UsedCount; ++i) Slots[Used[i]] = Empty;
        UsedCount = 0;
    }

    // The code of prefix + pixel, or -1; then slot is where Insert puts it.
    // The first probe is apart from the loop: it nearly always decides.
    int Find(int prefix, int pixel, uint32_t& slot) const {
        const uint32_t key = Key(prefix, pixel);
        uint32_t h = Hash(prefix, pixel);
        uint32_t entry = Slots[h];
        if ((entry >> 12) == key) return static_cast<int>(entry & 0xFFF);
        while (entry != Empty) {
            h = (h + 1) & Mask;
            entry = Slots[h];
            if ((entry >> 12) == key) return static_cast<int>(entry & 0xFFF);
        }
        slot = h;
        return -1;
    }

    // Adds prefix + pixel at the slot that Find gave for it, with no other
    // change to the table in between; at most MaxCodes entries.
    void Insert(uint32_t slot, int prefix, int pixel, int code) {
        Slots[slot] = Key(prefix, pixel) << 12 | static_cast<uint32_t>(code);
        Used[UsedCount++] = static_cast<uint16_t>(slot);
    }

private:
    static constexpr int SizeBits = 14;
    static constexpr uint32_t Mask = (1u << SizeBits) - 1;
    // Key 0xFFFFF would be prefix 4095, a code the encoder never assigns.
    static constexpr uint32_t Empty = 0xFFFFFFFF;

    static uint32_t Key(int prefix, int pixel) {
        return static_cast<uint32_t>(prefix) << 8 | static_cast<uint32_t>(pixel);
    }
    // Each pixel's code is looked up right after the previous one's, so the
    // hash of the prefix must be quick: a shift and an exclusive or with a
    // mix of the pixel, which does not wait for the prefix.
    static uint32_t Hash(int prefix, int pixel) {
        const uint32_t mix = (static_cast<uint32_t>(pixel) * 0x9E3779B1u) >> (32 - SizeBits);
        return (static_cast<uint32_t>(prefix) << (SizeBits - 12)) ^ mix;
    }

    uint32_t Slots[1 << SizeBits];
    uint16_t Used[MaxCodes];
    int UsedCount = 0;
};
