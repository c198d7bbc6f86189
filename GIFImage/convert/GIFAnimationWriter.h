#pragma once
// Writes an animation being made to a stream as it is made: the header with
// the global table and the looping count, then each frame once its image
// data is compressed.

#include "GIFFrameCompression.h"
#include "GIFWorkerThreads.h"
#include "Geometry.h"

#include <QSize>

class TStream;

// A frame on its way to the file.
struct TFrameRecord {
    int Left = 0, Top = 0, Width = 1, Height = 1;
    int Delay = 0;
    TPalette LocalTable; // empty: the global table
    // 1 leaves the frame in place; 3 restores what showed before it.
    int Disposal = 1;
    // The frame before it is to be restored (see TFrameChanges).
    bool RestoresPrevious = false;
    GIFWorkers::TTaskResult<TCompressedFrame> Data;
};

// The bits of the global table: room for its colours and a transparent
// entry after them, so that a few colours make short codes.
int GlobalBits(const TPalette& global);

void WriteHeader(TStream& out, QSize size, const TPalette& global, int loop);

// Writes the frame, waiting for its image data.
void WriteFrame(TStream& out, TFrameRecord& frame);
