#pragma once
// 64-bit FNV-1a, the checksum tvgif prints for a frame's pixels.

#include <cstddef>
#include <cstdint>

inline constexpr uint64_t Fnv1a64Start = 0xcbf29ce484222325ull;
inline constexpr uint64_t Fnv1a64Prime = 0x100000001b3ull;

// Goes on from hash (Fnv1a64Start for the first bytes), so that a buffer can
// be checksummed piece by piece.
inline uint64_t Fnv1a64(const uint8_t* data, size_t size, uint64_t hash = Fnv1a64Start) {
    for (size_t i = 0; i < size; ++i) {
        hash ^= data[i];
        hash *= Fnv1a64Prime;
    }
    return hash;
}

// As Fnv1a64 over count bytes of value, in time growing with the logarithm
// of count: a frame without a pixel buffer may stand for billions of pixels
// of one value. The hash's low byte depends on nothing above it, so it comes
// back to where it was within 256 steps; over those steps the whole hash goes
// through one map h * M + C, which is applied by squaring.
inline uint64_t Fnv1a64Repeat(uint8_t value, uint64_t count, uint64_t hash = Fnv1a64Start) {
    if (count == 0) return hash;
    const auto step = [value](uint64_t h) { return (h ^ value) * Fnv1a64Prime; };
    const uint8_t low = static_cast<uint8_t>(hash);
    // One cycle of the low byte, as a map h -> h * M + C: the xor adds
    // (low ^ value) - low, which depends on the low byte alone.
    uint64_t multiplier = 1, constant = 0, period = 0;
    uint64_t probe = hash;
    do {
        const uint64_t added = (probe ^ value) - probe;
        multiplier *= Fnv1a64Prime;
        constant = (constant + added) * Fnv1a64Prime;
        probe = step(probe);
        ++period;
    } while (static_cast<uint8_t>(probe) != low && period < count);
    if (period >= count) return probe; // all count steps taken
    // The cycle's map applied count / period times: M^n, and C (M^(n-1) + ... + 1).
    uint64_t totalMultiplier = 1, totalConstant = 0;
    for (uint64_t cycles = count / period; cycles > 0; cycles >>= 1) {
        if (cycles & 1) {
            totalMultiplier *= multiplier;
            totalConstant = totalConstant * multiplier + constant;
        }
        constant = constant * multiplier + constant;
        multiplier *= multiplier;
    }
    hash = hash * totalMultiplier + totalConstant;
    for (uint64_t i = count % period; i > 0; --i) hash = step(hash);
    return hash;
}
