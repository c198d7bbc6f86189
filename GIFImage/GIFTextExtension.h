#pragma once
// The plain text extension (label 0x01): a text grid and its text lines.

#include "GIFExtension.h"

#include <array>
#include <string>
#include <vector>

class TGIFTextExtension : public TGIFExtension {
public:
    static constexpr uint8_t ExtensionLabel = 0x01;
    static const TGIFExtensionClass& ClassInfo();

    explicit TGIFTextExtension(TGIFSubImage& frame) : TGIFExtension(frame) {}
    const TGIFExtensionClass& Class() const override { return ClassInfo(); }

    uint16_t GridLeft() const;
    uint16_t GridTop() const;
    uint16_t GridWidth() const;
    uint16_t GridHeight() const;
    uint8_t CellWidth() const { return Block[9]; }
    uint8_t CellHeight() const { return Block[10]; }
    uint8_t ForegroundColorIndex() const { return Block[11]; }
    uint8_t BackgroundColorIndex() const { return Block[12]; }
    // The 13 bytes as stored after the label (block size first).
    const std::array<uint8_t, 13>& Bytes() const { return Block; }

    // One line per data sub-block read.
    std::vector<std::string> Text;

protected:
    void LoadBody(TStream& stream) override;
    // The 13 stored bytes, then the text as sub-blocks.
    void SaveBody(TStream& stream) override;

private:
    std::array<uint8_t, 13> Block{12};
};
