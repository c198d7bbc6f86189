#pragma once
// The frames of a picture, in stream order.

#include "GIFList.h"
#include "GIFSubImage.h"

class TGIFImageList : public TGIFList<TGIFSubImage> {
public:
    using TGIFList::TGIFList;

    // Reads frames up to the trailer, an unknown block or the end of the
    // stream, reporting progress after each frame.
    void LoadFromStream(TStream& stream);
    // Saves each frame in order, reporting progress after each.
    void SaveToStream(TStream& stream);

private:
    // Reads up to the trailer, an unknown block or the end, handing each
    // frame that starts to readFrame.
    void ReadFrames(TStream& stream, const std::function<void(std::unique_ptr<TGIFSubImage>)>& readFrame);
};
