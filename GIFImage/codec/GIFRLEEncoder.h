#pragma once
// The run-length compressor. After a clear code a standard decoder's table
// fills, code by code, with runs of one value of growing length when the
// encoder sends that value and then the codes for runs of 2, 3, ... of it.
// This encoder sends runs that way, so its output is plain GIF data that any
// decoder reads; it never needs a string table of its own.

#include "GIFEncoder.h"

#include <cstdint>

class TRLEEncoder : public TGIFEncoder {
protected:
    // Resets the counts and sends the clear code at the current width.
    void Clear() override;
    void DoCompress() override;

private:
    // Sends one code and tracks the decoder's table: widens the codes when
    // the decoder does, and clears when the forced-clear count is reached.
    void OutputPlain(int code);
    void FlushRun();
    void FlushFromClear(int64_t count);
    void FlushClearOrRepeat(int64_t count);
    void FlushWithTable(int64_t count);
    // Suspends the forced clear while runs are sent, and puts it back.
    void SuspendForcedClear() { ClearCount = MaxRunCodes; }
    void RestoreForcedClear();
    // The codes a fresh table needs for count pixels of one value.
    int64_t TriangleCodes(int64_t count) const;
    int RunCode(int64_t length) const { return FirstFreeCode + static_cast<int>(length) - 2; }

    int Pixel = -1;
    int64_t RunCount = 0;
    int OutCount = 0;
    int BumpCount = 0;
    int ClearCount = 0;
    int BumpCountInit = 0;
    int ClearCountInit = 0;
    int64_t TableMax = 0;
    int TablePixel = 0;
    int MaxRunCodes = 0;
    bool JustCleared = false;
};

// The integer square root, rounded down.
int64_t IntegerSquareRoot(int64_t m);
