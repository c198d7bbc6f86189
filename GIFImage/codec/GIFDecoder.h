#pragma once
// The LZW decoder of a frame's table-based image data.

#include "Stream.h"

#include <cstdint>
#include <functional>
#include <string>

class TGIFDecodeShare;

struct TGIFDecodeTarget {
    // Width × Height bytes, rows top to bottom; the decoder writes every
    // one, FillValue where the data does not reach. When null, Allocate is
    // asked for them (their values unset) just before the first pixel is
    // written, so that data that decodes no pixel allocates nothing.
    uint8_t* Pixels = nullptr;
    int Width = 0;
    int Height = 0;
    bool Interlaced = false;
    uint8_t FillValue = 0;
    std::function<uint8_t*()> Allocate;

    // A frame whose decoding another thread may share: the decoder stops at
    // the clear code from which that thread has taken the rest.
    TGIFDecodeShare* Share = nullptr;
    // The rest of a frame's data from a clear code on: the stream starts at
    // the size byte of the sub-block that holds the codes after the clear
    // code, ResumeBit bits into its data, of code size ResumeCodeSize (-1: a
    // whole frame's data, from its code size byte).
    int ResumeCodeSize = -1;
    uint32_t ResumeBit = 0;
};

using TGIFDecodeWarning = std::function<void(const std::string& message)>;

// Reads the minimum code size byte and the data sub-blocks that follow, and
// fills the target's pixels (undoing interlacing). Leaves the stream after
// the block terminator of the image data, or at the end of the stream.
// Recoverable problems go to warning; corrupt code tables fail with
// GIFException.
void DecodeImageData(TStream& stream, const TGIFDecodeTarget& target, const TGIFDecodeWarning& warning);
