#pragma once
// Data sub-blocks: a size byte and that many bytes, up to a size of 0.

#include "Stream.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// One kept sub-block of data that the reader does not interpret.
struct TGIFBlock {
    std::vector<uint8_t> Data;
    size_t Size() const { return Data.size(); }
};

// A line or kept block costs some 32 bytes beside its data, a sub-block
// can be 2 bytes of the file: a long run of tiny sub-blocks would take many
// times its size. Beyond this many, each further sub-block is appended to
// the last line or block: the bytes stay the same, written again in
// sub-blocks of 255.
inline constexpr size_t MaxSeparateSubBlocks = 4096;

// Reads sub-blocks into lines, one line each (see MaxSeparateSubBlocks),
// until a size of 0 or the end of the stream (a block cut short fails with
// "Premature end of data").
void ReadTextSubBlocks(TStream& stream, std::vector<std::string>& lines);
// Reads sub-blocks into kept blocks, with the same rules.
void ReadDataSubBlocks(TStream& stream, std::vector<TGIFBlock>& blocks);

// Writes each line cut into sub-blocks of at most 255 bytes (an empty line
// writes nothing), then the terminator.
void WriteTextSubBlocks(TStream& stream, const std::vector<std::string>& lines);
// Writes each kept block as it is, then the terminator. An empty block is
// left out (its size 0 would end the data early), and a block longer than
// 255 bytes is cut like a text line.
void WriteDataSubBlocks(TStream& stream, const std::vector<TGIFBlock>& blocks);
