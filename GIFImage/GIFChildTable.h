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

    // The code of prefix + pixel, or -1. pixel is below Fan.
    int Find(int prefix, int pixel) const {
        const int code = Child[prefix * Fan + pixel];
        return code ? code : -1;
    }

    // prefix + pixel must not be in the table yet.
    void Insert(int prefix, int pixel, int code) {
        Child[prefix * Fan + pixel] = static_cast<uint16_t>(code);
        std::memset(&Child[code * Fan], 0, sizeof(uint16_t) * Fan);
    }

private:
    // 0: no child (every assigned code lies above the clear code).
    uint16_t Child[MaxCodes * Fan];
};
