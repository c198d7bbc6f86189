#pragma once
// The graphic control extension (label 0xF9): disposal, user input, delay and
// the transparent colour of the frame it belongs to.

#include "GIFExtension.h"

#include <array>
#include <vector>

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
    // The block size as stored, the four fields (0 where a block shorter
    // than 4 lacks them) and the terminator (0 for a shorter block).
    const std::array<uint8_t, 6>& Bytes() const { return Block; }
    // The sub-blocks that followed a block shorter than 4, as stored
    // (terminator excluded).
    const std::vector<uint8_t>& Surplus() const { return Extra; }

protected:
    // Reads a block of 4 or more as 4 fields and a terminator; a shorter
    // one by its size byte, then its sub-blocks. A stream that ends first
    // warns "Premature end of data" and keeps the fields that came.
    void LoadBody(TStream& stream) override;
    // A block of 4 or more in the standard form (size 4, terminator 0); a
    // shorter one as it was read, until a field is set (it then grows to 4).
    void SaveBody(TStream& stream) override;

private:
    // A field is set: a block too short to hold every field grows to 4.
    void Hold();

    std::array<uint8_t, 6> Block{GIFWire::ControlBlockSize, 0, 0, 0, 0, 0};
    std::vector<uint8_t> Extra;
};
