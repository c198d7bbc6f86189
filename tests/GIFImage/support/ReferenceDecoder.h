#pragma once
// A slow LZW decoder that follows the one-value-at-a-time description word
// for word: a code table of prefixes and suffixes, an expansion stack popped
// value by value, and the same refusals of corrupt data as the library. The
// tests compare the library's fast decoder against it on many streams.

#include "Stream.h"

#include <cstdint>
#include <string>
#include <vector>

struct ReferenceResult {
    std::vector<uint8_t> Pixels;
    std::vector<std::string> Warnings;
    std::string Error; // empty when no GIFException was raised
    int64_t EndPosition = 0;
};

ReferenceResult ReferenceDecode(TStream& stream, int width, int height, bool interlaced, uint8_t fill);
