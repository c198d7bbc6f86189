#pragma once
// The checksum tvgif prints for a frame's pixels.

#include "Fnv1a.h"
#include "GIFSubImage.h"

#include <cstdint>
#include <vector>

// Row by row: a frame whose data decoded nothing never gets its buffer, and
// its pixels, all of one value, are hashed without walking them.
inline uint64_t FramePixelsFnv1a64(const TGIFSubImage& frame) {
    if (frame.Empty()) return Fnv1a64Start;
    if (!frame.HasPixelBuffer())
        return Fnv1a64Repeat(frame.OneValue(), static_cast<uint64_t>(frame.DataSize()));
    uint64_t hash = Fnv1a64Start;
    std::vector<uint8_t> fillRow;
    for (int y = 0; y < frame.Height(); ++y) hash = Fnv1a64(frame.ReadRow(y, fillRow), frame.Width(), hash);
    return hash;
}
