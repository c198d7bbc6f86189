#pragma once
// The LZW encoder's string table: which code stands for a string's code +
// pixel.
//
// The codes an LZW encoder sends follow from the longest-match rule and the
// clear policy alone, so the table is free to be fast. Each pixel's lookup
// waits for the previous one's, so that path is kept short and in the first
// level cache:
// - a string is known by its node, code * 8, which is also the hash of its
//   children before the pixel is mixed in;
// - the hash table holds 16-bit nodes, at most an eighth full, with linear
//   probing: few collisions, in 64 KB; the key (code << 8 | pixel) of each
//   code is kept apart and is only compared, off the path to the next
//   lookup.

#include <cstdint>
#include <cstring>

class TLZWStringTable {
public:
    static constexpr int MaxCodes = 4096;

    // Left as it is: the encoder clears it before its first code, and a
    // search compresses thousands of small frames.
    TLZWStringTable() {}

    static int Node(int code) { return code * 8; }
    static int Code(int node) { return node >> 3; }

    // Empties the table: all slots at once, or, where few codes were made
    // since the last clear (a small frame), just theirs.
    void Clear(int firstFree) {
        if (Cleared && LastCode - FirstCode < FewCodes) {
            for (int code = FirstCode; code <= LastCode; ++code) Slots[SlotOf[code]] = Empty;
        } else {
            std::memset(Slots, 0, sizeof Slots);
            Cleared = true;
        }
        FirstCode = firstFree;
        LastCode = firstFree - 1;
    }

    // The node of string node + pixel, or -1; then slot is where Insert puts
    // it. The first probe nearly always decides.
    int Find(int node, int pixel, uint32_t& slot) const {
        const uint32_t key = Key(node, pixel);
        uint32_t h = static_cast<uint32_t>(node) ^ Mix(pixel);
        int found = Slots[h];
        if (found != Empty && KeyOf(found) == key) return found;
        while (found != Empty) {
            h = (h + 1) & Mask;
            found = Slots[h];
            if (found != Empty && KeyOf(found) == key) return found;
        }
        slot = h;
        return -1;
    }

    // Adds string node + pixel with code at the slot that Find gave for it,
    // with no other change to the table in between; at most MaxCodes codes.
    void Insert(uint32_t slot, int node, int pixel, int code) {
        Slots[slot] = static_cast<uint16_t>(Node(code));
        Keys[code] = Key(node, pixel);
        SlotOf[code] = static_cast<uint16_t>(slot);
        LastCode = code;
    }

    // Takes out again the string at slot, the last one added (strings are
    // taken out in the reverse order of their adding, so that no probe
    // passes an emptied slot to reach a later one).
    void Remove(uint32_t slot) { Slots[slot] = Empty; }

private:
    static constexpr int SizeBits = 15; // a node has 15 bits
    static constexpr uint32_t Mask = (1u << SizeBits) - 1;
    // Node 0 would be code 0, a single pixel, never a child.
    static constexpr int Empty = 0;

    static uint32_t Key(int node, int pixel) {
        return static_cast<uint32_t>(node) << 5 | static_cast<uint32_t>(pixel);
    }
    // Spreads the pixels over the table; it does not wait for the node.
    static uint32_t Mix(int pixel) { return (static_cast<uint32_t>(pixel) * 0x9E3779B1u) >> (32 - SizeBits); }
    // The key of the code whose node this is: half the node is the code's
    // byte offset in Keys.
    uint32_t KeyOf(int node) const {
        uint32_t key;
        std::memcpy(&key, reinterpret_cast<const unsigned char*>(Keys) + node / 2, sizeof key);
        return key;
    }

    // Below this many codes made, emptying their slots one by one costs
    // less than emptying them all.
    static constexpr int FewCodes = 1024;

    uint16_t Slots[1 << SizeBits];
    uint32_t Keys[MaxCodes];
    // Each code's slot, and the codes made since the last clear (codes are
    // made in order).
    uint16_t SlotOf[MaxCodes];
    int FirstCode = 0;
    int LastCode = -1;
    bool Cleared = false; // once: the slots start undefined
};
