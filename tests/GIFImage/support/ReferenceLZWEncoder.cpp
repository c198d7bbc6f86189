#include "ReferenceLZWEncoder.h"

#include <stdexcept>

int TReferenceHashTable::Find(uint32_t key) const {
    int h = Hash(key);
    const int step = h == 0 ? 1 : Size - h;
    for (int probes = 0; probes < Size; ++probes) {
        const uint32_t entry = Entries[static_cast<size_t>(h)];
        if ((entry >> 12) == key) return static_cast<int>(entry & 0xFFF);
        if ((entry >> 12) == 0xFFFFF) return -1;
        h -= step;
        if (h < 0) h += Size;
    }
    throw std::logic_error("hash table probe did not end");
}

void TReferenceHashTable::Insert(uint32_t key, int code) {
    int h = Hash(key);
    const int step = h == 0 ? 1 : Size - h;
    while ((Entries[static_cast<size_t>(h)] >> 12) != 0xFFFFF) {
        h -= step;
        if (h < 0) h += Size;
    }
    Entries[static_cast<size_t>(h)] = key << 12 | static_cast<uint32_t>(code);
    ++Used;
}

std::vector<int> ReferenceLZWCodes(int bits, const std::vector<uint8_t>& pixels) {
    if (bits < 2) bits = 2;
    const int clear = 1 << bits;
    std::vector<int> codes;
    TReferenceHashTable table;
    int nextCode = clear + 2;
    const auto doClear = [&] {
        codes.push_back(clear);
        table.Clear();
        nextCode = clear + 2;
    };
    doClear();
    if (!pixels.empty()) {
        int prefix = pixels[0];
        for (size_t i = 1; i < pixels.size(); ++i) {
            const int p = pixels[i];
            const uint32_t key = static_cast<uint32_t>(prefix) << 8 | static_cast<uint32_t>(p);
            const int found = table.Find(key);
            if (found >= 0) {
                prefix = found;
                continue;
            }
            codes.push_back(prefix);
            prefix = p;
            if (nextCode > 4094) {
                doClear();
            } else {
                table.Insert(key, nextCode++);
            }
        }
        codes.push_back(prefix);
    }
    codes.push_back(clear + 1);
    return codes;
}
