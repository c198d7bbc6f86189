#include "GiflibFrames.h"

#ifdef TV_HAVE_GIFLIB
#include <algorithm>
#include <cstring>

namespace {

int ReadFromMemory(GifFileType* gif, GifByteType* buffer, int count) {
    auto* reader = static_cast<GiflibMemoryReader*>(gif->UserData);
    const size_t n = std::min(static_cast<size_t>(count), reader->Data->size() - reader->Pos);
    std::memcpy(buffer, reader->Data->data() + reader->Pos, n);
    reader->Pos += n;
    return static_cast<int>(n);
}

} // namespace

GifFileType* GiflibOpen(GiflibMemoryReader& reader) {
    int error = 0;
    return DGifOpen(&reader, ReadFromMemory, &error);
}

std::vector<Bytes> GiflibFrames(const Bytes& bytes) {
    GiflibMemoryReader reader{&bytes};
    GifFileType* gif = GiflibOpen(reader);
    if (!gif) return {};
    int error = 0;
    std::vector<Bytes> frames;
    if (DGifSlurp(gif) == GIF_OK) {
        for (int i = 0; i < gif->ImageCount; ++i) {
            const SavedImage& image = gif->SavedImages[i];
            const size_t size = static_cast<size_t>(image.ImageDesc.Width) * image.ImageDesc.Height;
            frames.emplace_back(image.RasterBits, image.RasterBits + size);
        }
    }
    DGifCloseFile(gif, &error);
    return frames;
}
#endif
