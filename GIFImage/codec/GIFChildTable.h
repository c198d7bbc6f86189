#pragma once
// The LZW encoder's string table for small palettes: the child of a string
// is read straight from a row of Fan entries per code, without hashing.
// Rows are reset when their code is assigned, so a clear costs only the rows
// of the single-pixel codes.
//
// A string is known by its node, code * Fan, the start of its row: the
// child's slot is then node + pixel, one addition on the path from each
// pixel to the next.

#include <cstdint>
#include <cstring>

template <int Fan> class TLZWChildTable {
public:
    static constexpr int MaxCodes = 4096;

    static int Node(int code) { return code * Fan; }
    static int Code(int node) { return static_cast<int>(static_cast<unsigned>(node) / Fan); }

    // Empties the table; codes below firstFree stand for single pixels.
    void Clear(int firstFree) {
        std::memset(Child, 0, sizeof(uint16_t) * Fan * static_cast<size_t>(firstFree));
    }

    // The node of string node + pixel, or -1; then slot is where Insert puts
    // it. pixel is below Fan.
    int Find(int node, int pixel, uint32_t& slot) const {
        slot = static_cast<uint32_t>(node + pixel);
        const int found = Child[slot];
        return found ? found : -1;
    }

    // Adds string node + pixel with code at the slot that Find gave for it.
    void Insert(uint32_t slot, int /*node*/, int /*pixel*/, int code) {
        Child[slot] = static_cast<uint16_t>(Node(code));
        std::memset(&Child[Node(code)], 0, sizeof(uint16_t) * Fan);
    }

    // Takes the string at slot out again, as if never added.
    void Remove(uint32_t slot) { Child[slot] = 0; }

private:
    // 0: no child (every assigned code lies above the clear code).
    static_assert(MaxCodes * Fan <= 65536, "nodes are kept in 16 bits");
    uint16_t Child[MaxCodes * Fan];
};
