#pragma once
// Smooths grain over time in a sequence of frames (ARGB32, all of one
// size): an opaque pixel whose values in the frames around it (Reach before
// and after; at the ends, as many more on the other side) look like grain
// takes their mean. Grain: the values all lie within a distance of the
// pixel's own, hardly one of them repeats the one before, and they turn at
// least once. Film grain and sensor noise over a still scene then stop
// changing from frame to frame, and each frame shows less of them; what a
// program draws (held exactly, changing in steps), whatever moves or changes
// by more, and a steady fade stay as they are.

#include "GIFWorkerThreads.h"

#include <QImage>

#include <cstddef>
#include <deque>
#include <vector>

// A frame as smoothed, and whether grain was found in it.
struct TSmoothedFrame {
    QImage Picture;
    bool Grainy = false;
};

// One row of the grain test: rowOf holds the row of each of count frames
// (3 to 2 Reach + 1), out the row of frame own, and takes the means where
// the test finds grain. With vectors, several pixels at a time where the
// machine can: the row comes out the same.
void SmoothGrainRow(const QRgb* const* rowOf, int count, int own, int width, int grainDistance2, QRgb* out,
                    bool vectors);

class TFrameSmoother {
public:
    // The squared RGB distance within which values count as grain; with
    // none, frames pass as they come. Frames are smoothed on up to threads
    // kept threads. With wholePicture, only a frame that grain covers
    // (one sampled pixel in WholeShare) counts as grainy: moving detail
    // that changes in small steps (a small antialiased spinner: one pixel
    // in 25) then passes exactly, a grainy film (two in three) does not.
    TFrameSmoother(int grainDistance2, int threads, bool wholePicture = false)
        : GrainDistance2(grainDistance2), Threads(threads),
          GrainyShare(wholePicture ? WholeShare : SomeShare) {}

    static constexpr int Reach = 2;

    // Takes the next frame; returns the frames being smoothed (on the kept
    // threads) now that enough frames after them are in, in
    // their order.
    std::vector<GIFWorkers::TTaskResult<TSmoothedFrame>> Push(QImage frame);
    // The frames still held, being smoothed, once no more come.
    std::vector<GIFWorkers::TTaskResult<TSmoothedFrame>> Finish();

private:
    // Frame index (counted from the first pushed) smoothed among the
    // count frames known.
    GIFWorkers::TTaskResult<TSmoothedFrame> Smooth(size_t index, size_t count) const;
    // The frame at own among frames, smoothed.
    static TSmoothedFrame Smoothed(const std::vector<QImage>& frames, size_t own, int grainDistance2,
                                   int grainyShare);
    // Frames are smoothed where at least one in GrainyShare of the pixels
    // sampled, one a SampleStep square, looks like grain.
    static constexpr int SampleStep = 4;
    static constexpr int SomeShare = 64;
    static constexpr int WholeShare = 4;

    int GrainDistance2;
    int Threads;
    int GrainyShare;
    // The frames from 2 Reach before the next one to give out on: the
    // last frames take their means from as far back.
    std::deque<QImage> Window;
    size_t First = 0;
    size_t Next = 0;
    size_t Arrived = 0;
};
