#pragma once
// The extensions of one frame, in stream order.

#include "GIFExtension.h"
#include "GIFList.h"

class TGIFExtensionList : public TGIFList<TGIFExtension> {
public:
    using TGIFList::TGIFList;

    // Reads extension blocks up to the frame's image descriptor or the
    // trailer; zero bytes between blocks are passed over.
    void LoadFromStream(TStream& stream, TGIFSubImage& frame);
    void SaveToStream(TStream& stream) {
        for (const auto& extension : *this) extension->SaveToStream(stream);
    }
};
