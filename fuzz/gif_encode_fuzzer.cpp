// Encodes arbitrary frames with both encoders, and with the LZW encoder that
// looks ahead, and decodes them again: the pixels must come back unchanged,
// and a pixel outside the table must give "Color not in color table" rather
// than data. The LZW encoder's bytes must also equal those of the plain
// encoder the tests use as oracle.
//
// Input: byte 0 picks bits per pixel (1..8), the interlace flag, whether
// the table is shorter than the bits allow and whether the looking-ahead
// encoder keeps a full table; byte 1 the width (1..256); the
// low bits of byte 2 how often the pixels (bytes 3 on) repeat, so that long
// inputs reach full code tables and clear codes.

#include "Exceptions.h"
#include "GIFDecoder.h"
#include "GIFEncoder.h"
#include "GIFException.h"
#include "GIFLZWLookaheadEncoder.h"
#include "GIFTestStreams.h"
#include "ReferenceLZWEncoder.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

namespace {

void RoundTrip(TGIFCompression compression, int bits, int colors, const std::vector<uint8_t>& pixels,
               bool interlaced, int width, int height, bool mustFail, TLZWLookAhead lookAhead = {},
               bool keep = false) {
    TMemoryStream stream;
    try {
        CompressImageData(stream, compression, bits, colors, pixels.data(), interlaced, height, width, -1,
                          keep, lookAhead);
    } catch (const GIFException&) {
        if (!mustFail) __builtin_trap();
        return;
    }
    if (mustFail) __builtin_trap();
    if (compression == TGIFCompression::LZW && !lookAhead.Used()) {
        std::vector<uint8_t> walked;
        for (const int row : interlaced ? InterlacedRows(height) : std::vector<int>{})
            walked.insert(walked.end(), pixels.begin() + row * width, pixels.begin() + (row + 1) * width);
        const std::vector<int> codes = ReferenceLZWCodes(bits, interlaced ? walked : pixels);
        const std::vector<uint8_t> expected = ImageData(bits < 2 ? 2 : bits, codes);
        if (stream.Memory() != expected) __builtin_trap();
    }
    std::vector<uint8_t> decoded(pixels.size(), 0xEE);
    TGIFDecodeTarget target;
    target.Pixels = decoded.data();
    target.Width = width;
    target.Height = height;
    target.Interlaced = interlaced;
    bool warned = false;
    stream.SetPosition(0);
    DecodeImageData(stream, target, [&](const std::string&) { warned = true; });
    if (warned || decoded != pixels) __builtin_trap();
    // The decoder stops right after the terminator: nothing may be left.
    if (stream.Position() != stream.Size()) __builtin_trap();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 4) return 0;
    const int bits = 1 + (data[0] & 7);
    const bool interlaced = data[0] & 0x08;
    // Mostly whole tables; sometimes a table of fewer colours than the bits
    // allow, which some pixels may then miss.
    const bool partial = data[0] & 0x10;
    const int width = 1 + data[1];
    const size_t body = size - 3;
    const int height = static_cast<int>(1 + (body * (1 + (data[2] & 3)) - 1) / width);
    std::vector<uint8_t> pixels(static_cast<size_t>(width) * height);
    const int colors = partial ? 1 + data[3] % (1 << bits) : 1 << bits;
    bool outside = false;
    for (size_t i = 0; i < pixels.size(); ++i) {
        const uint8_t value = static_cast<uint8_t>(data[3 + i % body] % (1 << bits));
        pixels[i] = value;
        outside = outside || value >= colors;
    }
    RoundTrip(TGIFCompression::LZW, bits, colors, pixels, interlaced, width, height, outside);
    RoundTrip(TGIFCompression::RLE, bits, colors, pixels, interlaced, width, height, outside);
    // Strings a pixel shorter, or up to the most pixels shorter, followed
    // for 1 to the most codes.
    const TLZWLookAhead lookAhead(data[0] & 0x40 ? TLZWLookAhead::MaxShorterBy : 1,
                                  1 + data[2] / 4 % TLZWLookAhead::MaxCodesAhead);
    RoundTrip(TGIFCompression::LZW, bits, colors, pixels, interlaced, width, height, outside, lookAhead,
              data[0] & 0x20);
    return 0;
}
