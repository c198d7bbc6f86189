// Reads arbitrary bytes, writes what was read, and reads the copy: whatever
// the reader accepts and the writer writes, the reader must read back with
// the same frames and pixels. A GIFException (or a stream error) on the first
// read or on writing is an answer; on the second read it is a fault.

#include "Exceptions.h"
#include "GIFImage.h"
#include "GIFLimits.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace {

struct FramePixels {
    int Left, Top, Width, Height;
    std::vector<uint8_t> Pixels;
    bool operator==(const FramePixels&) const = default;
};

// The frames that carry pixels: empty frames write only their extensions,
// which the copy then gives to the next frame.
std::vector<FramePixels> PixelFrames(TGIFImage& image) {
    std::vector<FramePixels> frames;
    for (const auto& frame : image.Images) {
        if (frame->Empty()) continue;
        const uint8_t* p = frame->Data();
        frames.push_back({frame->Left(), frame->Top(), frame->Width(), frame->Height(),
                          std::vector<uint8_t>(p, p + frame->DataSize())});
    }
    return frames;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    MinPixelBudget = 1 << 18;
    MaxLoadPixels = 1 << 22;
    EncodeThreads = 1;
    TGIFImage image;
    image.WarningHandler = [](TGIFImage&, TGIFSeverity, const std::string&) {};
    try {
        TBorrowedMemoryStream stream(data, static_cast<int64_t>(size));
        image.LoadFromStream(stream);
    } catch (const Exception&) {
        return 0;
    }
    // Frames whose data decoded nothing hold no pixels yet; writing makes
    // them. Keep that within what a run can afford.
    int64_t pixels = 0;
    for (const auto& frame : image.Images) pixels += frame->DataSize();
    if (pixels > (1 << 22)) return 0;

    TMemoryStream copy;
    try {
        image.SaveToStream(copy);
    } catch (const Exception&) {
        return 0; // no frames, or a pixel outside its colour table
    }
    TGIFImage again;
    again.WarningHandler = [](TGIFImage&, TGIFSeverity, const std::string&) {};
    try {
        copy.SetPosition(0);
        again.LoadFromStream(copy);
    } catch (const Exception&) {
        __builtin_trap(); // we wrote what we cannot read
    }
    if (PixelFrames(image) != PixelFrames(again)) __builtin_trap();
    return 0;
}
