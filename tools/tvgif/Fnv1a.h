#pragma once
// 64-bit FNV-1a, the checksum tvgif prints for a frame's pixels.

#include <cstddef>
#include <cstdint>

inline constexpr uint64_t Fnv1a64Start = 0xcbf29ce484222325ull;

// Goes on from hash (Fnv1a64Start for the first bytes), so that a buffer can
// be checksummed piece by piece.
inline uint64_t Fnv1a64(const uint8_t* data, size_t size, uint64_t hash = Fnv1a64Start) {
    for (size_t i = 0; i < size; ++i) {
        hash ^= data[i];
        hash *= 0x100000001b3ull;
    }
    return hash;
}
