#pragma once
// The LZW encoder written plainly from its description, as the oracle for the
// product's faster one: the 8009-entry hash table with its probing, one pixel
// at a time, returning the codes it sends (clear code first, end code last).

#include <cstdint>
#include <vector>

// The table as described: key << 12 | code per entry, all ones when empty,
// hash (key xor key >> 4) mod 8009, probing back by 8009 - h.
class TReferenceHashTable {
public:
    static constexpr int Size = 8009;

    void Clear() { Entries.assign(Size, 0xFFFFFFFFu); }
    int Find(uint32_t key) const;
    void Insert(uint32_t key, int code);
    // The most entries ever held since the last clear.
    int Count() const { return Used; }

private:
    static int Hash(uint32_t key) { return static_cast<int>((key ^ (key >> 4)) % Size); }
    std::vector<uint32_t> Entries = std::vector<uint32_t>(Size, 0xFFFFFFFFu);
    int Used = 0;
};

// The codes for pixels walked in the given order (rows already arranged).
// bits below 2 become 2. Every pixel must be below 2^bits.
std::vector<int> ReferenceLZWCodes(int bits, const std::vector<uint8_t>& pixels);
