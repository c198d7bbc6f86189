#pragma once
// The LZW encoder's string table for small palettes: the code of prefix +
// pixel is read straight from a row of Fan entries per code, without
// hashing. Rows are reset when their code is assigned, so a clear costs only
// the rows of the single-pixel codes.

#include <cstdint>
#include <cstring>

template <int Fan> class TLZWChildTable {
public:
    static constexpr int MaxCodes = 4096;

    // Empties the table; codes below firstFree stand for single pixels.
    void Clear(int firstFree) {
        std::memset(Child, 0, sizeof(uint16_t) * Fan * static_cast<size_t>(firstFree));
    }

    // The code of prefix + pixel, or -1; then slot is where Insert puts it.
    // pixel is below Fan.
    int Find(int prefix, int pixel, uint32_t& slot) const {
        slot = static_cast<uint32_t>(prefix * Fan + pixel);
        const int code = Child[slot];
        return code ? code : -1;
    }

    // Adds prefix + pixel at the slot that Find gave for it.
    void Insert(uint32_t slot, int /*prefix*/, int /*pixel*/, int code) {
        Child[slot] = static_cast<uint16_t>(code);
        std::memset(&Child[code * Fan], 0, sizeof(uint16_t) * Fan);
    }

private:
    // 0: no child (every assigned code lies above the clear code).
    uint16_t Child[MaxCodes * Fan];
};
