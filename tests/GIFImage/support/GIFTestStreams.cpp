#include "GIFTestStreams.h"

#include "Stream.h"

#include <map>
#include <utility>

Bytes operator+(Bytes a, const Bytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

namespace {

void Word(Bytes& out, int value) {
    out.push_back(static_cast<uint8_t>(value & 0xFF));
    out.push_back(static_cast<uint8_t>((value >> 8) & 0xFF));
}

} // namespace

Bytes Header(int width, int height, uint8_t packed, uint8_t background, uint8_t aspect,
             const char* signature) {
    Bytes out(signature, signature + 6);
    Word(out, width);
    Word(out, height);
    out.push_back(packed);
    out.push_back(background);
    out.push_back(aspect);
    return out;
}

Bytes ColorTable(int count) {
    Bytes out;
    for (int i = 0; i < count; ++i) {
        out.push_back(static_cast<uint8_t>(i));
        out.push_back(static_cast<uint8_t>(255 - i));
        out.push_back(static_cast<uint8_t>(i * 7));
    }
    return out;
}

Bytes Descriptor(int left, int top, int width, int height, uint8_t packed) {
    Bytes out{0x2C};
    Word(out, left);
    Word(out, top);
    Word(out, width);
    Word(out, height);
    out.push_back(packed);
    return out;
}

Bytes GraphicControl(uint8_t packed, uint16_t delay, uint8_t transparentIndex) {
    Bytes out{0x21, 0xF9, 4, packed};
    Word(out, delay);
    out.push_back(transparentIndex);
    out.push_back(0);
    return out;
}

Bytes Comment(const std::string& text) {
    return Bytes{0x21, 0xFE} + SubBlocks(Bytes(text.begin(), text.end()));
}

Bytes LoopExtension(const char* identifier, uint16_t loops) {
    Bytes out{0x21, 0xFF, 11};
    for (int i = 0; i < 11; ++i) out.push_back(static_cast<uint8_t>(identifier[i]));
    out.push_back(3);
    out.push_back(1);
    Word(out, loops);
    out.push_back(0);
    return out;
}

Bytes SubBlocks(const Bytes& data, int blockSize, bool terminator) {
    Bytes out;
    for (size_t i = 0; i < data.size(); i += static_cast<size_t>(blockSize)) {
        const size_t n = std::min(data.size() - i, static_cast<size_t>(blockSize));
        out.push_back(static_cast<uint8_t>(n));
        out.insert(out.end(), data.begin() + static_cast<long>(i), data.begin() + static_cast<long>(i + n));
    }
    if (terminator) out.push_back(0);
    return out;
}

void TCodeWidth::Reset() {
    CurrentWidth = MinCodeSize + 1;
    Limit = 2 * Clear;
    NextFree = Clear + 2;
    FirstAfterClear = true;
}

void TCodeWidth::After(int code) {
    if (code == Clear) {
        Reset();
    } else if (code == Clear + 1) {
        // Nothing follows in well-formed data.
    } else if (FirstAfterClear) {
        FirstAfterClear = false;
    } else if (NextFree < 4096 && ++NextFree >= Limit && Limit < 4096) {
        Limit *= 2;
        ++CurrentWidth;
    }
}

Bytes PackCodes(int minCodeSize, const std::vector<int>& codes) {
    TCodeWidth width(minCodeSize);
    Bytes out;
    uint32_t bucket = 0;
    int bits = 0;
    for (const int code : codes) {
        bucket |= static_cast<uint32_t>(code & ((1 << width.Width()) - 1)) << bits;
        bits += width.Width();
        while (bits >= 8) {
            out.push_back(static_cast<uint8_t>(bucket & 0xFF));
            bucket >>= 8;
            bits -= 8;
        }
        width.After(code);
    }
    if (bits > 0) out.push_back(static_cast<uint8_t>(bucket & 0xFF));
    return out;
}

std::vector<int> EncodeCodes(int minCodeSize, const Bytes& pixels, bool clearWhenFull) {
    const int clear = 1 << minCodeSize;
    std::vector<int> codes{clear};
    std::map<std::pair<int, int>, int> table;
    int nextFree = clear + 2;
    if (pixels.empty()) {
        codes.push_back(clear + 1);
        return codes;
    }
    int prefix = pixels[0];
    for (size_t i = 1; i < pixels.size(); ++i) {
        const int p = pixels[i];
        const auto found = table.find({prefix, p});
        if (found != table.end()) {
            prefix = found->second;
            continue;
        }
        codes.push_back(prefix);
        if (nextFree < 4096) {
            table[{prefix, p}] = nextFree++;
        } else if (clearWhenFull) {
            codes.push_back(clear);
            table.clear();
            nextFree = clear + 2;
        }
        prefix = p;
    }
    codes.push_back(prefix);
    codes.push_back(clear + 1);
    return codes;
}

std::vector<int> LongRunCodes(int64_t pixels) {
    std::vector<int> codes{256, 0};
    int64_t made = 1;
    // Each new code is the one about to be assigned: the last run and one more.
    for (int code = 258; code < 4096 && made < pixels; ++code) {
        codes.push_back(code);
        made += code - 256;
    }
    while (made < pixels) {
        codes.push_back(4095);
        made += 4095 - 256;
    }
    codes.push_back(257);
    return codes;
}

Bytes ImageData(int minCodeSize, const std::vector<int>& codes, int blockSize) {
    return Bytes{static_cast<uint8_t>(minCodeSize)} + SubBlocks(PackCodes(minCodeSize, codes), blockSize);
}

Bytes SimpleGif(int width, int height, const Bytes& pixels, int bits, uint8_t descriptorPacked) {
    const int minCodeSize = bits < 2 ? 2 : bits;
    return Header(width, height, static_cast<uint8_t>(0x80 | (bits - 1))) + ColorTable(1 << bits) +
           Descriptor(0, 0, width, height, descriptorPacked) +
           ImageData(minCodeSize, EncodeCodes(minCodeSize, pixels)) + Bytes{0x3B};
}

std::vector<int> InterlacedRows(int height) {
    std::vector<int> rows;
    const int start[4] = {0, 4, 2, 1};
    const int step[4] = {8, 8, 4, 2};
    for (int pass = 0; pass < 4; ++pass)
        for (int row = start[pass]; row < height; row += step[pass]) rows.push_back(row);
    return rows;
}

std::vector<TestFile> TestSetFiles() {
    std::vector<TestFile> files;
    for (const auto& entry :
         std::filesystem::directory_iterator(std::filesystem::path(TV_TEST_DATA) / "gif")) {
        if (entry.path().extension() != ".gif") continue;
        TMemoryStream stream;
        stream.LoadFromFile(entry.path().string());
        files.push_back({entry.path().filename().string(), stream.Memory()});
    }
    return files;
}
