#pragma once
// Compressing the frames of a picture side by side. Each frame's image data
// depends on its own pixels only, so frames are compressed on worker threads
// into buffers of their own and written in order afterwards: the bytes are
// those of compressing one frame after the other.

#include "GIFWireFormat.h"

#include <cstdint>
#include <vector>

// One frame's pixels and what the compressor needs to know about them.
struct TGIFEncodeJob {
    const uint8_t* Pixels = nullptr;
    int Width = 0;
    int Height = 0;
    int Bits = 8;
    int Colors = 256;
    bool Interlaced = false;
    TGIFCompression Compression = TGIFCompression::LZW;
};

// The table-based image data of each job (code size byte, sub-blocks,
// terminator), compressed by up to threads threads. A failing job throws its
// error when it is reached in order; the later jobs' data is then dropped.
std::vector<std::vector<uint8_t>> CompressFrames(const std::vector<TGIFEncodeJob>& jobs, int threads);

// Pictures with at least this many frames are written with the frames
// compressed side by side (below it, starting threads costs more than it
// saves).
inline int ParallelEncodeMinFrames = 4;
// Threads used for that; 0 means one per processor core.
inline int EncodeThreads = 0;
