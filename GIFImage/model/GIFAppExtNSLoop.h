#pragma once
// The looping extension ("NETSCAPE2.0", also "ANIMEXTS1.0"): how often an
// animation repeats, and a buffer size hint.

#include "GIFApplicationExtension.h"

class TGIFAppExtNSLoop : public TGIFApplicationExtension {
public:
    static const TGIFExtensionClass& ClassInfo();

    // Identifier "NETSCAPE2.0", loop count 0 (for ever), buffer size 0.
    explicit TGIFAppExtNSLoop(TGIFSubImage& frame);
    const TGIFExtensionClass& Class() const override { return ClassInfo(); }

    uint16_t Loops = 0;
    uint32_t BufferSize = 0;

protected:
    // Sub-blocks whose identifier byte has 1 in its low 3 bits hold the loop
    // count, with 2 the buffer size; others are passed over.
    void ReadOwnData(TStream& stream) override;
    // The loop count sub-block, the buffer size sub-block when it is not 0,
    // and the terminator.
    void WriteOwnData(TStream& stream) override;
};
