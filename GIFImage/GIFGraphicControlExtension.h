#pragma once
// The graphic control extension (label 0xF9): disposal, user input, delay and
// the transparent colour of the frame it belongs to.

#include "GIFExtension.h"

#include <array>

class TGIFGraphicControlExtension : public TGIFExtension {
public:
    static constexpr uint8_t ExtensionLabel = 0xF9;
    static const TGIFExtensionClass& ClassInfo();

    // Block size 4, all else 0; becomes the frame's graphic control when the
    // frame has none yet.
    explicit TGIFGraphicControlExtension(TGIFSubImage& frame);
    ~TGIFGraphicControlExtension() override;

    const TGIFExtensionClass& Class() const override { return ClassInfo(); }

    uint8_t Disposal() const { return (Block[1] >> 2) & 7; }
    void SetDisposal(uint8_t value);
    bool UserInput() const { return Block[1] & 0x02; }
    void SetUserInput(bool value);
    bool Transparent() const { return Block[1] & 0x01; }
    void SetTransparent(bool value);
    uint16_t Delay() const;
    void SetDelay(uint16_t hundredths);
    uint8_t TransparentColorIndex() const { return Block[4]; }
    // An index at or above the active table's count (when it has entries)
    // warns "Invalid color index" and stores 0.
    void SetTransparentColorIndex(int index);
    // The six bytes as stored after the label.
    const std::array<uint8_t, 6>& Bytes() const { return Block; }

protected:
    // Reads 6 bytes; fewer warns "Premature end of data" and keeps what came.
    void LoadBody(TStream& stream) override;
    void SaveBody(TStream& stream) override {
        stream.Write(Block.data(), static_cast<int64_t>(Block.size()));
    }

private:
    std::array<uint8_t, 6> Block{4, 0, 0, 0, 0, 0};
};
