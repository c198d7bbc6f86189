// Feeds arbitrary bytes to the GIF reader. Any crash, sanitizer report, hang
// or leak is a fault; a GIFException (or a stream error) is the expected
// answer to bad data. After a failed load the stream must be back where the
// load started, and every frame's still picture must build. A load on two
// threads, with every frame of some size decoded by both (as large frames
// are), must show what a load on one thread shows.

#include "Exceptions.h"
#include "FrameChecksum.h"
#include "GIFImage.h"
#include "GIFLimits.h"
#include "GIFParallelDecoder.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace {

// What a caller sees of a load on threads threads: the warnings, the error,
// each frame's size and a hash of its pixels.
std::string Transcript(const uint8_t* data, size_t size, int threads) {
    DecodeThreads = threads;
    TBorrowedMemoryStream stream(data, static_cast<int64_t>(size));
    TGIFImage image;
    std::string seen;
    image.WarningHandler = [&](TGIFImage&, TGIFSeverity, const std::string& message) {
        seen += "warning " + message + "\n";
    };
    try {
        image.LoadFromStream(stream);
    } catch (const Exception& e) {
        seen += "error " + e.Message() + "\n";
    }
    for (const auto& frame : image.Images) {
        const bool buffer = frame->HasPixelBuffer();
        const uint64_t hash = FramePixelsFnv1a64(*frame);
        seen += std::to_string(frame->Width()) + "x" + std::to_string(frame->Height()) +
                (buffer ? " buffer " : " fill ") + std::to_string(hash) + "\n";
    }
    return seen;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // Small inputs may still claim this many pixels; enough to reach every
    // path, small enough for thousands of runs a second.
    MinPixelBudget = 1 << 18;
    MaxLoadPixels = 1 << 24;
    DecodeThreads = 1;
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
    // Smaller pictures than above: the two loads must not claim the memory
    // of a run (freed memory stays in the sanitizer's quarantine a while).
    MaxLoadPixels = 1 << 20;
    ParallelDecodeMinFrames = 1;
    ParallelDecodeMinPixels = 0;
    SharedDecodeMinPixels = 512;
    SharedDecodeMinBytes = 16;
    if (Transcript(data, size, 2) != Transcript(data, size, 1)) __builtin_trap();
    return 0;
}
