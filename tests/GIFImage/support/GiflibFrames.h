#pragma once
// giflib as an independent decoder for the tests and the benchmarks (only
// where it is installed).

#include "GIFTestStreams.h"

#include <vector>

#ifdef TV_HAVE_GIFLIB
#include <gif_lib.h>

// What giflib reads from when it reads from memory.
struct GiflibMemoryReader {
    const Bytes* Data;
    size_t Pos = 0;
};

// Opens the reader's data with giflib: null when giflib refuses it. The
// reader must outlive the handle (close it with DGifCloseFile).
GifFileType* GiflibOpen(GiflibMemoryReader& reader);

// giflib's frames as rows top to bottom (it undoes interlacing itself); empty
// when giflib refuses the data.
std::vector<Bytes> GiflibFrames(const Bytes& bytes);
#endif
