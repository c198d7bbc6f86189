#pragma once
// The LZW encoder's string table: which code stands for prefix code + pixel.
//
// The codes an LZW encoder sends follow from the longest-match rule and the
// clear policy alone, so the table is free to be fast. A lookup first asks
// the prefix's most recent child among those with the same lowest pixel bits
// (one load, and in flat or few-colour areas nearly always the answer), then a power-of-two hash table with
// linear probing. Only the slots in use are reset on a clear.

#include <cstdint>
#include <cstring>

class TLZWStringTable {
public:
    static constexpr int MaxCodes = 4096;

    TLZWStringTable() {
        std::memset(Slots, 0xFF, sizeof Slots);
        std::memset(Recent, 0xFF, sizeof Recent);
    }

    // Empties the table; codes below firstFree stand for single pixels.
    void Clear(int firstFree) {
        for (int i = 0; i < UsedCount; ++i) Slots[Used[i]] = Empty;
        UsedCount = 0;
        std::memset(Recent, 0xFF, sizeof(uint32_t) * Ways * static_cast<size_t>(firstFree));
    }

    // The code of prefix + pixel, or -1.
    int Find(int prefix, int pixel) {
        uint32_t& recent = Recent[Way(prefix, pixel)];
        if ((recent >> 16) == static_cast<uint32_t>(pixel)) return static_cast<int>(recent & 0xFFFF);
        const uint32_t key = Key(prefix, pixel);
        for (uint32_t h = Hash(key);; h = (h + 1) & Mask) {
            const uint32_t slot = Slots[h];
            if ((slot >> 12) == key) {
                recent = static_cast<uint32_t>(pixel) << 16 | (slot & 0xFFF);
                return static_cast<int>(slot & 0xFFF);
            }
            if (slot == Empty) return -1;
        }
    }

    // prefix + pixel must not be in the table yet; at most MaxCodes entries.
    void Insert(int prefix, int pixel, int code) {
        const uint32_t key = Key(prefix, pixel);
        uint32_t h = Hash(key);
        while (Slots[h] != Empty) h = (h + 1) & Mask;
        Slots[h] = key << 12 | static_cast<uint32_t>(code);
        Used[UsedCount++] = static_cast<uint16_t>(h);
        Recent[Way(prefix, pixel)] = static_cast<uint32_t>(pixel) << 16 | static_cast<uint32_t>(code);
        std::memset(&Recent[Way(code, 0)], 0xFF, sizeof(uint32_t) * Ways);
    }

private:
    static constexpr int SizeBits = 14; // at most a quarter full
    static constexpr uint32_t Mask = (1u << SizeBits) - 1;
    static constexpr uint32_t Empty = 0xFFFFFFFF;
    static constexpr int Ways = 4;

    static int Way(int prefix, int pixel) { return prefix * Ways + (pixel & (Ways - 1)); }

    static uint32_t Key(int prefix, int pixel) {
        return static_cast<uint32_t>(prefix) << 8 | static_cast<uint32_t>(pixel);
    }
    static uint32_t Hash(uint32_t key) { return (key * 0x9E3779B1u) >> (32 - SizeBits); }

    uint32_t Slots[1 << SizeBits];
    // Per prefix code and lowest pixel bits: pixel << 16 | code of the child
    // found or made last.
    uint32_t Recent[MaxCodes * Ways];
    uint16_t Used[MaxCodes];
    int UsedCount = 0;
};
