#include "GIFSubBlocks.h"

#include "GIFWriter.h"

#include "GIFStreamIO.h"

#include <algorithm>

namespace {

// A piece of data in sub-blocks of its own: the next piece starts a new one.
void WritePiece(TGIFWriter& writer, const void* data, size_t size) {
    writer.Write(data, static_cast<int64_t>(size));
    writer.Flush();
}

} // namespace

void WriteTextSubBlocks(TStream& stream, const std::vector<std::string>& lines) {
    {
        TGIFWriter writer(stream);
        for (const auto& line : lines) WritePiece(writer, line.data(), line.size());
    }
    stream.WriteByte(0);
}

void WriteDataSubBlocks(TStream& stream, const std::vector<TGIFBlock>& blocks) {
    {
        TGIFWriter writer(stream);
        for (const auto& block : blocks) WritePiece(writer, block.Data.data(), block.Data.size());
    }
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
