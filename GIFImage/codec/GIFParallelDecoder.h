#pragma once
// Decoding the frames of a picture side by side while it is read. The reading
// thread reads each frame's image data ahead into memory; worker threads turn
// it into pixels, and the reading thread takes the results back in the order
// the frames were read. Decoding depends on a frame's data alone, so each
// result (pixels, warnings, error) is what decoding it from the stream gives.

#include <cstdint>
#include <exception>
#include <memory>
#include <string>
#include <vector>

// One frame's image data, read ahead.
struct TGIFDecodeJob {
    // The table-based image data as the stream holds it: code size byte,
    // sub-blocks and terminator, or as far as the stream goes; in Copy, or
    // lent by a stream that keeps its bytes in memory. (Not a vector: it
    // would clear the bytes before they are read.)
    const uint8_t* Data = nullptr;
    std::unique_ptr<uint8_t[]> Copy;
    int64_t Size = 0;
    int Width = 0;
    int Height = 0;
    bool Interlaced = false;
    uint8_t FillValue = 0;
};

struct TGIFDecodedFrame {
    // Width × Height pixels; null when the data decoded no pixel.
    std::shared_ptr<uint8_t[]> Pixels;
    // The warnings decoding gave, in order, and the error that ended it.
    std::vector<std::string> Warnings;
    std::exception_ptr Error;
};

// Decodes frames in the order they are queued, on up to threads threads:
// the caller's, while it waits for a result, and kept worker threads that
// join once startFrames frames of together startPixels pixels have been
// queued (until then the caller decodes every frame as its result is asked
// for). At most capacity frames are queued at a time.
class TGIFDecodePool {
public:
    TGIFDecodePool(int threads, int startFrames, int64_t startPixels, int capacity);
    // Drops the frames not taken and waits for those being decoded.
    ~TGIFDecodePool();
    TGIFDecodePool(const TGIFDecodePool&) = delete;
    TGIFDecodePool& operator=(const TGIFDecodePool&) = delete;

    // Throws std::length_error when capacity frames are queued already.
    void Push(TGIFDecodeJob job);
    // The result of the oldest frame queued, which leaves the queue.
    TGIFDecodedFrame Pop();
    // The image data bytes of the frames queued.
    int64_t QueuedBytes() const { return Bytes; }

private:
    struct TFrames; // shared with the worker threads' tasks
    void AskForHelp(bool startThreads);

    const int Threads;
    const int StartFrames;
    const int64_t StartPixels;
    int64_t Pushed = 0;
    int64_t Popped = 0;
    int64_t PushedPixels = 0;
    int64_t Bytes = 0;
    std::shared_ptr<TFrames> Frames;
};

// Decodes one frame's image data on the calling thread.
TGIFDecodedFrame DecodeFrame(const TGIFDecodeJob& job);

// Threads that decode the frames of a load; 0 means one per processor core,
// 1 reads and decodes each frame in turn on the caller's thread.
inline int DecodeThreads = 0;
// Loads use the threads from this many frames, holding this many pixels, on:
// a still picture, a short animation or a tiny one (which decodes in less
// time than handing its frames to another thread costs) is decoded on the
// caller's thread alone.
inline int ParallelDecodeMinFrames = 8;
inline int64_t ParallelDecodeMinPixels = 64 * 1024;
// Frames of this many pixels and bytes of image data on, with a byte for
// at most SharedDecodePixelsPerByte pixels, are decoded on two threads where
// a second one has nothing else to do, or less than the frame holds: one
// decodes up to a clear code in the middle, the other from there on.
// (Plainer frames decode at the speed of memory, faster than the codes are
// read for a split: a flat 1600 x 1200 frame of 4 KB took four times as
// long shared.)
inline int64_t SharedDecodeMinPixels = 64 * 1024;
inline int64_t SharedDecodeMinBytes = 4 * 1024;
inline int64_t SharedDecodePixelsPerByte = 64;
// How far reading may run ahead of decoding: image data bytes and frames
// read and not yet finished.
inline int64_t MaxDecodeAheadBytes = int64_t{32} << 20;
inline int MaxDecodeAheadFrames = 64;
