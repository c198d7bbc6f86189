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

    // One of TGIFDisposal's values, or an undefined method 4-7 as stored.
    TGIFDisposal Disposal() const {
        return static_cast<TGIFDisposal>((Block[1] & GIFWire::ControlDisposalMask) >>
                                         GIFWire::ControlDisposalShift);
    }
    void SetDisposal(TGIFDisposal value);
    bool UserInput() const { return Block[1] & GIFWire::ControlUserInput; }
    void SetUserInput(bool value);
    bool Transparent() const { return Block[1] & GIFWire::ControlTransparent; }
    void SetTransparent(bool value);
    uint16_t Delay() const;
    void SetDelay(uint16_t hundredths);
    uint8_t TransparentColorIndex() const { return Block[4]; }
    // An index at or above the active table's count (when it has entries)
    // warns "Invalid color index" and stores 0.
    void SetTransparentColorIndex(int index);
    // The six bytes as stored after the label (written with block size 4
    // and terminator 0, whatever was read there).
    const std::array<uint8_t, 6>& Bytes() const { return Block; }

protected:
    // Reads 6 bytes; fewer warns "Premature end of data" and keeps what came.
    void LoadBody(TStream& stream) override;
    void SaveBody(TStream& stream) override;

private:
    std::array<uint8_t, 6> Block{GIFWire::ControlBlockSize, 0, 0, 0, 0, 0};
};
