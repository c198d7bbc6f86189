#pragma once
// The reading primitives every part of the reader uses: exact reads that fail
// with "Premature end of data", byte reads that report the end of the stream,
// and skips that stop at the end.

#include "Stream.h"

#include <cstdint>

namespace GIFIO {

// Reads exactly count bytes or fails with "Premature end of data".
void ReadExact(TStream& stream, void* buffer, int64_t count);
// Reads one byte; false at the end of the stream.
bool ReadByte(TStream& stream, uint8_t& value);
// Reads one byte, passing over zero bytes; false at the end of the stream.
bool ReadNonZeroByte(TStream& stream, uint8_t& value);
// Moves back over the byte just read.
void StepBack(TStream& stream);
// Moves count bytes on, but never past the end of the stream.
void Skip(TStream& stream, int64_t count);
// Reads data sub-blocks (size byte, that many bytes) and drops them, up to
// and including the size-0 terminator or the end of the stream.
void SkipSubBlocks(TStream& stream);
// The bytes of table-based image data that start at the stream's position
// (code size byte, sub-blocks and terminator, as far as the stream holds
// them), without moving the position.
int64_t MeasureImageData(TStream& stream);

inline uint16_t Word(const uint8_t* bytes) {
    return static_cast<uint16_t>(bytes[0] | (bytes[1] << 8));
}
inline void SetWord(uint8_t* bytes, uint16_t value) {
    bytes[0] = static_cast<uint8_t>(value & 0xFF);
    bytes[1] = static_cast<uint8_t>(value >> 8);
}

} // namespace GIFIO
