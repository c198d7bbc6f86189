#pragma once
// The loss spread over time: which bound each frame of an animation takes
// so that it stores smallest while its error over time stays at most that
// of every frame at one bound. The lossy step chooses every frame at each
// of SpreadScales times the bound (each choice a TLossyRun) and then each
// frame follows one of them (see GIFLossyOptimizer.h).

#include "GIFLossyOptimizer.h"

#include <cstdint>
#include <iterator>
#include <vector>

// What a frame's choice came to: its compressed bytes, and its squared
// error weighted by how long each pixel stays (when asked for).
struct TFrameOutcome {
    int64_t Bytes = 0;
    double Error = 0;
};

// One lossy choice of every frame, in order.
struct TLossyRun {
    std::vector<TFrameOutcome> Frames;
    int64_t Bytes() const {
        int64_t bytes = 0;
        for (const TFrameOutcome& frame : Frames) bytes += frame.Bytes;
        return bytes;
    }
    // The squared error of what the screen shows, against what the
    // animation showed, summed over its time (hundredths), as its likeness
    // over time measures it.
    double ShownError = 0;
};

// The loss each frame may take, as factors of the bound, when frames whose
// pixels stay briefly may take more and frames whose pixels stay long less
// (see OptimizeGIFLossy): two lowerings, the bound itself, one raise. With
// a lowering to 0.6 alone, a cinemagraph's photograph, drawn once and
// shown throughout, stored a fifth larger for more likeness than its raised
// frames could spend; with 0.8 too (and a second choice where the first
// overshoots, see OptimizeGIFLossy), on three corpus sets five more file
// and level pairs met the lossy aim, none fewer.
constexpr double SpreadScales[] = {0.6, 0.8, 1.0, LossyBriefReach};
constexpr int EvenRun = 2; // every frame at the bound
constexpr int RaisedRun = 3;
constexpr int SpreadRuns = static_cast<int>(std::size(SpreadScales));

// Which run each frame follows: from every frame at the bound, raises that
// save bytes for the error they add, paid for by lowerings that save error
// for the bytes they cost, so that the error over time stays at most that
// of the bound. The first L lowerings, the cheapest per unit of error
// saved, pay for the raises that fit, most bytes per unit of error first;
// the L that saves the most bytes is taken. A frame may be lowered twice,
// the second time from where the first left it. reserve: error kept back
// from what every frame at the bound makes.
std::vector<int> SpreadOverTime(const std::vector<TLossyRun>& runs, double reserve = 0);
