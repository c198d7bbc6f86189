#include "GIFAnimationWriter.h"

#include "GIFWireFormat.h"
#include "Stream.h"

#include <algorithm>
#include <string>

namespace {

void PutWord(std::vector<uint8_t>& out, int value) {
    out.push_back(uint8_t(value & 0xFF));
    out.push_back(uint8_t((value >> 8) & 0xFF));
}

void PutTable(std::vector<uint8_t>& out, const TPalette& palette, int bits) {
    for (int i = 0; i < (1 << bits); ++i) {
        const TPaletteEntry e = size_t(i) < palette.size() ? palette[size_t(i)] : TPaletteEntry{0, 0, 0};
        out.insert(out.end(), {e.Red, e.Green, e.Blue});
    }
}

} // namespace

int GlobalBits(const TPalette& global) {
    return GIFWire::BitsForEntries(int(global.size()) + 1);
}

void WriteHeader(TStream& out, QSize size, const TPalette& global, int loop) {
    std::vector<uint8_t> bytes = {'G', 'I', 'F', '8', '9', 'a'};
    PutWord(bytes, size.width());
    PutWord(bytes, size.height());
    const int bits = GlobalBits(global);
    bytes.insert(bytes.end(), {uint8_t(0xF0 | (bits - 1)), 0, 0});
    PutTable(bytes, global, bits);
    bytes.insert(bytes.end(), {0x21, 0xFF, 11});
    for (char c : std::string("NETSCAPE2.0")) bytes.push_back(uint8_t(c));
    bytes.insert(bytes.end(), {3, 1});
    PutWord(bytes, std::clamp(loop, 0, 0xFFFF));
    bytes.push_back(0);
    out.Write(bytes.data(), int64_t(bytes.size()));
}

void WriteFrame(TStream& out, TFrameRecord& frame) {
    const TCompressedFrame data = frame.Data.get();
    const bool transparent = data.TransparentIndex >= 0;
    std::vector<uint8_t> bytes = {0x21, 0xF9, 4, uint8_t((frame.Disposal << 2) | (transparent ? 1 : 0))};
    PutWord(bytes, frame.Delay);
    bytes.insert(bytes.end(), {uint8_t(transparent ? data.TransparentIndex : 0), 0, 0x2C});
    PutWord(bytes, frame.Left);
    PutWord(bytes, frame.Top);
    PutWord(bytes, frame.Width);
    PutWord(bytes, frame.Height);
    const uint8_t interlaced = data.Interlaced ? GIFWire::DescriptorInterlaced : 0;
    if (frame.LocalTable.empty()) {
        bytes.push_back(interlaced);
    } else {
        bytes.push_back(uint8_t(0x80 | interlaced | (data.Bits - 1)));
        PutTable(bytes, frame.LocalTable, data.Bits);
    }
    out.Write(bytes.data(), int64_t(bytes.size()));
    out.Write(data.Data.data(), int64_t(data.Data.size()));
}
