#pragma once
// A closer search than the optimisation options make: every frame is redrawn
// against what the screen shows before it, in whichever of a few forms
// compresses smallest, and still shows exactly the same.

#include "GIFOptimizer.h"

class TGIFImage;

// For each frame: only the rectangle that changes what the screen shows
// (for a frame restored to the background, also what it must clear), its
// unchanged pixels drawn plain, drawn transparent, or each chosen to lengthen
// the runs the compressor sees, with the transparent index picked among the
// colours those pixels show. The smallest form is kept, the frame as it was
// when nothing is smaller. Then the global table (as it is, or one shared by
// the frames it can serve), each frame's table (the global one, one of just
// its colours, or its own), its row order and whether its code table is kept
// when full are chosen so that the frames store smallest. Pictures with
// undefined disposals, frames outside the logical screen or colour indices
// outside their table are left alone.
void OptimizeGIFBest(TGIFImage& image);

// The whole search that tvgif optimize --best (and --lossy) makes: the
// optimisation steps of options, then OptimizeGIFBest, with the cleanup and
// colour-map steps of options again, for the entries and transparency the
// redrawn frames left unused, before its choice of tables. With lossyError
// above 0, lossy compression (OptimizeGIFLossy) follows from that smallest
// lossless form, and those steps once more.
void OptimizeGIFSmallest(TGIFImage& image, TGIFOptimizeOptions options, int lossyError = 0);
