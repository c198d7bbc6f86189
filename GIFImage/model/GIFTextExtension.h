#pragma once
// The plain text extension (label 0x01): a text grid and its text lines.

#include "GIFExtension.h"

#include <string>
#include <vector>

class TGIFTextExtension : public TGIFExtension {
public:
    static constexpr uint8_t ExtensionLabel = 0x01;
    static const TGIFExtensionClass& ClassInfo();

    // A well-formed block of 12 zero bytes and no text.
    explicit TGIFTextExtension(TGIFSubImage& frame) : TGIFExtension(frame) {
        Block[0] = GIFWire::TextBlockSize;
    }
    const TGIFExtensionClass& Class() const override { return ClassInfo(); }

    uint16_t GridLeft() const;
    uint16_t GridTop() const;
    uint16_t GridWidth() const;
    uint16_t GridHeight() const;
    uint8_t CellWidth() const { return Field(9); }
    uint8_t CellHeight() const { return Field(10); }
    uint8_t ForegroundColorIndex() const { return Field(11); }
    uint8_t BackgroundColorIndex() const { return Field(12); }
    // The block as stored after the label: its size byte and that many
    // bytes (12 in a well-formed block; fields a shorter one lacks read 0).
    const std::vector<uint8_t>& Bytes() const { return Block; }

    // One line per data sub-block read.
    std::vector<std::string> Text;

protected:
    // Reads the block as long as its size byte says, then the text.
    void LoadBody(TStream& stream) override;
    // The block as read, so that every decoder finds the text where it was,
    // then the text as sub-blocks.
    void SaveBody(TStream& stream) override;

private:
    uint8_t Field(size_t index) const { return index < Block.size() ? Block[index] : 0; }

    std::vector<uint8_t> Block = std::vector<uint8_t>(13, 0);
};
