#pragma once
// Data sub-blocks: a size byte and that many bytes, up to a size of 0.

#include "Stream.h"

#include <cstdint>
#include <string>
#include <vector>

// One kept sub-block of data that the reader does not interpret.
struct TGIFBlock {
    std::vector<uint8_t> Data;
    uint8_t Size() const { return static_cast<uint8_t>(Data.size()); }
};

// Reads sub-blocks into lines, one line each, until a size of 0 or the end
// of the stream (a block cut short fails with "Premature end of data").
void ReadTextSubBlocks(TStream& stream, std::vector<std::string>& lines);
// Reads sub-blocks into kept blocks, with the same ending rules.
void ReadDataSubBlocks(TStream& stream, std::vector<TGIFBlock>& blocks);

// Writes each line cut into sub-blocks of at most 255 bytes (an empty line
// writes nothing), then the terminator.
void WriteTextSubBlocks(TStream& stream, const std::vector<std::string>& lines);
// Writes each kept block as it is, then the terminator. An empty block is
// left out (its size 0 would end the data early), and a block longer than
// 255 bytes is cut like a text line.
void WriteDataSubBlocks(TStream& stream, const std::vector<TGIFBlock>& blocks);
