#pragma once
// The trailer byte 0x3B that ends a GIF stream.

#include "GIFItem.h"

class TGIFTrailer : public TGIFItem {
public:
    using TGIFItem::TGIFItem;

    // Reads one byte; a byte other than 0x3B warns "Invalid Image trailer".
    // The end of the stream is accepted silently.
    void LoadFromStream(TStream& stream) override;
    void SaveToStream(TStream& stream) override { stream.WriteByte(bsTrailer); }
};
