#pragma once
// The squared RGB distance of two colours held as 0x..RRGGBB (the top byte
// is not looked at): what the lossy steps compare with their bounds.

#include <cstdint>

inline int SquaredColourDistance(uint32_t a, uint32_t b) {
    const int dr = static_cast<int>((a >> 16) & 0xFF) - static_cast<int>((b >> 16) & 0xFF);
    const int dg = static_cast<int>((a >> 8) & 0xFF) - static_cast<int>((b >> 8) & 0xFF);
    const int db = static_cast<int>(a & 0xFF) - static_cast<int>(b & 0xFF);
    return dr * dr + dg * dg + db * db;
}
