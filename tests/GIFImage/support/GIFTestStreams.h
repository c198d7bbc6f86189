#pragma once
// Builders for GIF streams crafted byte by byte in the tests.

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

using Bytes = std::vector<uint8_t>;

Bytes operator+(Bytes a, const Bytes& b);

// "GIF89a" and a logical screen descriptor.
Bytes Header(int width, int height, uint8_t packed = 0, uint8_t background = 0, uint8_t aspect = 0,
             const char* signature = "GIF89a");
// count colours: entry i is (i, 255 - i, i * 7).
Bytes ColorTable(int count);
// An image descriptor with separator 0x2C.
Bytes Descriptor(int left, int top, int width, int height, uint8_t packed = 0);
Bytes GraphicControl(uint8_t packed, uint16_t delay, uint8_t transparentIndex);
Bytes Comment(const std::string& text);
Bytes LoopExtension(const char* identifier, uint16_t loops);
// The data split into sub-blocks of at most blockSize bytes and a terminator.
Bytes SubBlocks(const Bytes& data, int blockSize = 255, bool terminator = true);

// Packs codes least significant bit first, with the code width the decoder
// uses for each: it starts as after a clear code and grows as entries are
// added (none for the first code after a clear, none once 4096 are made).
// The width of the next code in a code stream, as a decoder tracks it: reset
// by each clear code, widened as the table fills (the first code after a
// clear adds no entry).
class TCodeWidth {
public:
    explicit TCodeWidth(int minCodeSize) : MinCodeSize(minCodeSize), Clear(1 << minCodeSize) { Reset(); }
    int Width() const { return CurrentWidth; }
    // Takes the code just read or written.
    void After(int code);

private:
    void Reset();
    const int MinCodeSize;
    const int Clear;
    int CurrentWidth = 0, Limit = 0, NextFree = 0;
    bool FirstAfterClear = true;
};

Bytes PackCodes(int minCodeSize, const std::vector<int>& codes);

// The LZW encoding of pixels as codes: a clear code first, the end code last.
// With clearWhenFull off, a full table goes on without a clear code.
std::vector<int> EncodeCodes(int minCodeSize, const Bytes& pixels, bool clearWhenFull = true);
// Codes (minimum code size 8) for at least pixels zeros in few bytes: the
// table fills with ever longer runs, and then its longest run repeats
// (about 2700 pixels a byte). Clear code first, end code last.
std::vector<int> LongRunCodes(int64_t pixels);
// Minimum code size byte, packed codes in sub-blocks, terminator.
Bytes ImageData(int minCodeSize, const std::vector<int>& codes, int blockSize = 255);

// A whole one-frame GIF with a global table of 2^bits colours.
Bytes SimpleGif(int width, int height, const Bytes& pixels, int bits = 2, uint8_t descriptorPacked = 0);

// The interlaced row order of a frame of the given height.
std::vector<int> InterlacedRows(int height);

// The GIF files of the test set (tests/data/gif), each with its bytes.
struct TestFile {
    std::string Name;
    Bytes Data;
};
std::vector<TestFile> TestSetFiles();
