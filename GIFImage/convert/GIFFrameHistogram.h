#pragma once
// The colours of every frame of an animation being made, gathered in its
// first pass for the global palette: binned by their top 6 bits per
// component, each bin keeping its pixel count and the sums of its colours,
// so that a bin of one colour stands for that colour exactly. While there
// are at most 255 colours, each is counted alone, and the bins are filled
// from those counts when there come more.

#include "GIFBestPalette.h"
#include "GIFZeroedPages.h"

#include <QImage>

#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

struct TFrameHistogram {
    static constexpr int BinBits = 6;
    static constexpr int BinCount = 1 << (3 * BinBits);

    // Zero pages, each first touched by a bin: a sequence of few colours
    // faults in a few pages of these 8 MB, not all of them (zeroing them
    // all was half the time of making one small picture).
    TZeroedArray<uint64_t> Count = ZeroedArray<uint64_t>(BinCount);
    TZeroedArray<uint64_t> Sum = ZeroedArray<uint64_t>(3 * BinCount);
    // The bins in use, in the order they were first met.
    std::vector<int> Used;
    bool TooManyColours = false;

    // Adds the opaque pixels of a frame (ARGB32), on one thread at a time
    // (see TFrameHistograms).
    void Add(const QImage& frame);
    // Adds what other gathered, as if its frames had been added here.
    void Merge(const TFrameHistogram& other);

    // Each bin's mean colour with its count, the counts scaled to 32 bits,
    // in the order of the bins.
    std::vector<TWeightedColor> Colors();

    // The distinct colours (0xRRGGBB) of all frames, sorted, with the
    // pixels of each (scaled to 32 bits), while there are at most 255 of
    // them: a few colours, antialiased text say, get a global table that
    // holds them exactly even where bins share them.
    std::vector<TWeightedColor> ExactWeighted() const;
    // While the colours are exact: the runs of one colour along the rows,
    // and the opaque pixels.
    uint64_t ExactRuns = 0;
    uint64_t ExactPixels() const;

private:
    // The colour's place in Exact, added if new; -1 once there are too
    // many.
    int AddExact(uint32_t colour);
    // The same for a colour not there, whose search ended at slot.
    int AddNewExact(uint32_t colour, size_t slot);
    // While the colours are exact, their counts stand for the bins, which
    // are filled from them once there are too many: a film of a few grey
    // tones spent a third of its first pass on bins it never used.
    void AddToBin(uint32_t colour, uint64_t count);
    void GiveUpExact();
    // The colours met, as they were met.
    std::vector<uint32_t> Exact;
    std::vector<uint64_t> ExactCount;
    // Where each colour of Exact lies in it: an open hash of colour + 1
    // and place, looked up at each change of colour along a row (a frame
    // of grain changes colour at every pixel). Four times the colours it
    // may hold, so that a search, found or not, ends after a slot or two.
    static constexpr size_t PlaceSlots = 1024;
    struct TPlace {
        uint32_t Key = 0;
        int Index = 0;
    };
    std::vector<TPlace> Places = std::vector<TPlace>(PlaceSlots);
};

// Histograms that frames read at once fill side by side: each frame goes
// into one that no other thread is filling, and they are merged at the end
// (adding every frame to one histogram under a lock took a third of the
// first pass of a grey film).
class TFrameHistograms {
public:
    // Safe to call from several threads at once.
    void Add(const QImage& frame);
    // Every frame added, in one histogram; the others are freed.
    TFrameHistogram& Merged();

private:
    std::mutex Mutex;
    std::vector<std::unique_ptr<TFrameHistogram>> All;
    std::vector<TFrameHistogram*> Idle;
};
