#pragma once
// The logical screen descriptor, kept byte for byte as stored, with the
// global colour table.

#include "GIFColorMap.h"
#include "GIFItem.h"

#include <array>
#include <cstdint>

class TGIFHeader : public TGIFItem {
public:
    explicit TGIFHeader(TGIFImage* image) : TGIFItem(image), ColorMap(image) {}

    // Reads the signature (also 4 bytes further on, past a 32-bit length
    // that some streams put in front), the 7-byte logical screen descriptor
    // and the global colour table.
    void LoadFromStream(TStream& stream) override;
    // Writes the signature with the image's version, the logical screen
    // descriptor with its packed byte recomputed, and the global table.
    // Fails with "Unsupported GIF version" for an image without frames.
    void SaveToStream(TStream& stream) override;
    // 2 when the global table is marked sorted or the aspect ratio is set.
    int Version() const override;
    void Clear();

    uint16_t Width() const;
    uint16_t Height() const;
    void SetWidth(uint16_t value);
    void SetHeight(uint16_t value);
    uint8_t Packed() const { return Descriptor[4]; }
    void SetPacked(uint8_t value) { Descriptor[4] = value; }
    uint8_t BackgroundColorIndex() const { return Descriptor[5]; }
    void SetBackgroundColorIndex(uint8_t value) { Descriptor[5] = value; }
    uint8_t AspectRatio() const { return Descriptor[6]; }
    void SetAspectRatio(uint8_t value) { Descriptor[6] = value; }
    // Bits 4-6 of the packed byte plus 1: the colour resolution as stored.
    int StoredColorResolution() const {
        return ((Packed() & GIFWire::ScreenResolutionMask) >> GIFWire::ScreenResolutionShift) + 1;
    }
    // The global table's colour at the background index (lookup rule).
    TColor BackgroundColor();
    // Recomputes the packed byte from the tables: bit 7 and bit 3 from the
    // global table, bits 4-6 from colorResolution (bits, 1..8), bits 0-2
    // from the global table's size.
    void UpdatePacked(int colorResolution);

    const std::array<uint8_t, 7>& Bytes() const { return Descriptor; }
    TGIFGlobalColorMap ColorMap;

private:
    std::array<uint8_t, 7> Descriptor{};
};
