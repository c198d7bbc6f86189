#include "GIFSubBlocks.h"

#include "GIFStreamIO.h"

#include <algorithm>

namespace {

void WritePieces(TStream& stream, const uint8_t* data, size_t size) {
    while (size > 0) {
        const uint8_t n = static_cast<uint8_t>(std::min<size_t>(size, 255));
        stream.WriteByte(n);
        stream.Write(data, n);
        data += n;
        size -= n;
    }
}

} // namespace

void WriteTextSubBlocks(TStream& stream, const std::vector<std::string>& lines) {
    for (const auto& line : lines)
        WritePieces(stream, reinterpret_cast<const uint8_t*>(line.data()), line.size());
    stream.WriteByte(0);
}

void WriteDataSubBlocks(TStream& stream, const std::vector<TGIFBlock>& blocks) {
    for (const auto& block : blocks) WritePieces(stream, block.Data.data(), block.Data.size());
    stream.WriteByte(0);
}

void ReadTextSubBlocks(TStream& stream, std::vector<std::string>& lines) {
    lines.clear();
    uint8_t size = 0;
    while (GIFIO::ReadByte(stream, size) && size != 0) {
        if (lines.size() < MaxSeparateSubBlocks) lines.emplace_back();
        std::string& line = lines.back();
        const size_t start = line.size();
        line.resize(start + size);
        GIFIO::ReadExact(stream, line.data() + start, size);
    }
}

void ReadDataSubBlocks(TStream& stream, std::vector<TGIFBlock>& blocks) {
    blocks.clear();
    uint8_t size = 0;
    while (GIFIO::ReadByte(stream, size) && size != 0) {
        if (blocks.size() < MaxSeparateSubBlocks) blocks.emplace_back();
        std::vector<uint8_t>& data = blocks.back().Data;
        const size_t start = data.size();
        data.resize(start + size);
        GIFIO::ReadExact(stream, data.data() + start, size);
    }
}
