#pragma once
// A global colour table shared by as many frames as it can serve, one of
// the tables the smallest optimisation chooses from (GIFTableChoice.h).
// While the frames' colours do not fit, the colour that the least weight of
// frames needs is dropped, every frame showing it then keeping a table of
// its own; a frame weighs what sharing saves it (SharingGain in
// GIFTableChoice.cpp), so frames of few colours give way first. The
// background colour stays.

#include <cstdint>
#include <utility>
#include <vector>

// The order of the shared table's colours.
enum class TSharedOrder {
    ByFrames,       // the colours most frames show first
    BySmallestFrame // the colours of the frames of fewest colours first
};
// Frames of few colours take low indices, and so short codes, when their
// colours come first.
enum class TSharedStart {
    Everything, // every colour, dropped while they do not fit
    Empty       // no frame: the heaviest frames that fit join one by one
};
// Which frames show which colours, and how often: what every way of
// building a shared table starts from.
struct TColoursByFrame {
    std::vector<uint32_t> ColourOf;                             // by colour id; the background's is 0
    std::vector<std::vector<int>> ColourIdsOf;                  // by frame
    std::vector<std::vector<std::pair<int, int64_t>>> FramesOf; // by colour id: frame, uses
    std::vector<bool> Transparent;                              // by frame
};

// The colours of the shared table, at most 256 of found's (the background
// colour among them when background >= 0) and an entry for a transparent
// frame's transparency where one needs it; frame f weighs gains[f].
std::vector<uint32_t> SharedColours(const TColoursByFrame& found, const std::vector<int64_t>& gains,
                                    int background, TSharedOrder order, TSharedStart start);
