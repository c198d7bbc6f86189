#pragma once
// An application extension whose identifier has no registered class: its data
// sub-blocks are kept as they are, so that they can be written back unchanged.

#include "GIFApplicationExtension.h"
#include "GIFSubBlocks.h"

#include <vector>

class TGIFUnknownAppExtension : public TGIFApplicationExtension {
public:
    static const TGIFExtensionClass& ClassInfo();

    explicit TGIFUnknownAppExtension(TGIFSubImage& frame) : TGIFApplicationExtension(frame) {}
    const TGIFExtensionClass& Class() const override { return ClassInfo(); }

    std::vector<TGIFBlock> Blocks;

protected:
    void ReadOwnData(TStream& stream) override { ReadDataSubBlocks(stream, Blocks); }
    void WriteOwnData(TStream& stream) override { WriteDataSubBlocks(stream, Blocks); }
};
