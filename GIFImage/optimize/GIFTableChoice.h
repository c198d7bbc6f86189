#pragma once
// The colour tables of the smallest optimisation: one global table for
// every frame where all their colours fit, or else the global table and
// each frame's table (the global one, a shared one, or its own) chosen so
// that tables and codes together store smallest.

#include <unordered_map>

class TGIFImage;
class TGIFSubImage;
class TMemoryStream;

// Gives every frame the one global table when all the colours the frames
// show (and the background colour) fit in it with room to spare, so that no
// frame carries a table of its own. Returns whether it did; then the
// picture as it was is saved to before.
bool UnifyColorTables(TGIFImage& image, TMemoryStream& before);

// The compressed size of frames' codes, where known.
using TStoredSizes = std::unordered_map<const TGIFSubImage*, int>;

// Chooses the global table and each frame's table so that they store
// smallest, their bytes counted with the pixels' codes: the global table as
// it is, or one shared by the frames it can serve (in three orders); each
// frame with the global table (when that has every colour it shows and an
// entry to spare for its transparency), a table of its own of just the
// colours it shows, or the one it had. The pictures stay the same. Returns
// the compressed size of each frame's codes as now stored.
TStoredSizes ChooseColorTables(TGIFImage& image);
