#include "GIFBytes.h"

#include "Exceptions.h"
#include "GIFException.h"
#include "GIFImage.h"
#include "GIFMessages.h"

#include <cstring>

namespace Tvgif {

void LoadGIF(TGIFImage& image, const std::vector<uint8_t>& bytes) {
    TBorrowedMemoryStream stream(bytes.data(), static_cast<int64_t>(bytes.size()));
    image.LoadFromStream(stream);
}

void EncodeGIF(TGIFImage& image, TMemoryStream& stream) {
    // The library refuses to write a GIF without frames (as one of no
    // version); a GIF must hold at least one image.
    if (image.Images.Count() == 0) throw Exception("has no frames to write");
    try {
        image.SaveToStream(stream);
    } catch (const GIFException& e) {
        if (std::strcmp(e.what(), GIFMessages::ColorNotInTable) != 0) throw;
        throw Exception("its pixels use colours that its colour table lacks");
    }
}

} // namespace Tvgif
