#pragma once
// giflib as an independent decoder for the tests (only where it is installed).

#include "GIFTestStreams.h"

#include <vector>

#ifdef TV_HAVE_GIFLIB
// giflib's frames as rows top to bottom (it undoes interlacing itself); empty
// when giflib refuses the data.
std::vector<Bytes> GiflibFrames(const Bytes& bytes);
#endif
