#pragma once
// The GIF wire format by name: block introducers, the packed bytes of the
// logical screen descriptor, the image descriptor and the graphic control
// extension, the disposal methods, the compression setting of the writer,
// and the interlace passes.

#include <cstdint>

// Block introducers and the trailer.
inline constexpr uint8_t bsExtensionIntroducer = 0x21;
inline constexpr uint8_t bsImageSeparator = 0x2C;
inline constexpr uint8_t bsTrailer = 0x3B;
// Ends a run of data sub-blocks.
inline constexpr uint8_t bsBlockTerminator = 0;

namespace GIFWire {

// Logical screen descriptor, packed byte.
inline constexpr uint8_t ScreenGlobalTable = 0x80;
inline constexpr uint8_t ScreenResolutionMask = 0x70;
inline constexpr int ScreenResolutionShift = 4;
inline constexpr uint8_t ScreenSorted = 0x08;
inline constexpr uint8_t ScreenTableSizeMask = 0x07;

// Image descriptor, packed byte.
inline constexpr uint8_t DescriptorLocalTable = 0x80;
inline constexpr uint8_t DescriptorInterlaced = 0x40;
inline constexpr uint8_t DescriptorSorted = 0x20;
inline constexpr uint8_t DescriptorReserved = 0x18;
inline constexpr uint8_t DescriptorTableSizeMask = 0x07;

// The entries of a colour table whose size field is packed & 7.
constexpr int TableEntries(uint8_t packed) {
    return 2 << (packed & 7);
}

// The bits per pixel (1 to 8) of the smallest table that holds entries.
constexpr int BitsForEntries(int entries) {
    int bits = 1;
    while ((1 << bits) < entries) ++bits;
    return bits;
}

// Graphic control extension: block size and packed byte.
inline constexpr uint8_t ControlBlockSize = 4;
inline constexpr uint8_t ControlDisposalMask = 0x1C;
inline constexpr int ControlDisposalShift = 2;
inline constexpr uint8_t ControlUserInput = 0x02;
inline constexpr uint8_t ControlTransparent = 0x01;

// Plain text extension block size.
inline constexpr uint8_t TextBlockSize = 12;

// The four interlace passes: rows Start, Start + Step, ... of each.
struct InterlacePass {
    uint32_t Start;
    uint32_t Step;
};
inline constexpr InterlacePass InterlacePasses[4] = {{0, 8}, {4, 8}, {2, 4}, {1, 2}};

} // namespace GIFWire

// What the frame asks of the picture under it before the next frame is drawn.
enum class TGIFDisposal : uint8_t {
    Unspecified = 0,       // treated as DoNotDispose
    DoNotDispose = 1,      // the frame stays
    RestoreBackground = 2, // its rectangle is cleared to the background
    RestorePrevious = 3,   // the picture as it was before the frame comes back
};

// How the writer compresses pixels.
enum class TGIFCompression : uint8_t {
    LZW = 0,
    RLE = 1, // run-length codes that every LZW decoder reads
};
