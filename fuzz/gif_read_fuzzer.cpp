// Feeds arbitrary bytes to the GIF reader. Any crash, sanitizer report, hang
// or leak is a fault; a GIFException (or a stream error) is the expected
// answer to bad data. After a failed load the stream must be back where the
// load started, and every frame's still picture must build.

#include "Exceptions.h"
#include "GIFImage.h"
#include "GIFLimits.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // Small inputs may still claim this many pixels; enough to reach every
    // path, small enough for thousands of runs a second.
    MinPixelBudget = 1 << 18;
    MaxLoadPixels = 1 << 24;
    TBorrowedMemoryStream stream(data, static_cast<int64_t>(size));
    TGIFImage image;
    image.WarningHandler = [](TGIFImage&, TGIFSeverity, const std::string&) {};
    try {
        image.LoadFromStream(stream);
    } catch (const Exception&) {
        if (stream.Position() != 0) __builtin_trap();
        return 0;
    }
    for (const auto& frame : image.Images) {
        if (frame->DataSize() > (1 << 16)) continue;
        try {
            frame->Bitmap();
        } catch (const Exception&) {
            // An empty colour table fails the lookup; that is an answer too.
        }
    }
    return 0;
}
