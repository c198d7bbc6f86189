#include "GIFRLEEncoder.h"

void TRLEEncoder::Clear() {
    BumpCount = BumpCountInit;
    ClearCount = ClearCountInit;
    OutCount = 0;
    TableMax = 0;
    JustCleared = true;
    OutputCode(ClearCode);
    CodeWidth = InitialCodeWidth;
}

void TRLEEncoder::OutputPlain(int code) {
    JustCleared = false;
    OutputCode(code);
    ++OutCount;
    // The decoder widens its codes once its next free code reaches the
    // width's limit: clear - 1 codes after a clear, then 2^width more each.
    if (OutCount >= BumpCount) {
        BumpCount += 1 << CodeWidth;
        ++CodeWidth;
    }
    if (OutCount >= ClearCount) Clear();
}

void TRLEEncoder::RestoreForcedClear() {
    ClearCount = ClearCountInit;
    if (OutCount >= ClearCount) Clear();
}

int64_t IntegerSquareRoot(int64_t m) {
    if (m < 2) return m;
    int64_t r = 1;
    for (int64_t v = m; v > 0; v >>= 2) r <<= 1;
    for (;;) {
        const int64_t next = (r + m / r) / 2;
        if (next == r || next == r + 1) return r;
        r = next;
    }
}

int64_t TRLEEncoder::TriangleCodes(int64_t count) const {
    const int64_t perTriangle = int64_t{MaxRunCodes} * (MaxRunCodes + 1) / 2;
    int64_t cost = count / perTriangle * MaxRunCodes;
    count %= perTriangle;
    if (count > 0) {
        // The smallest k with k (k + 1) / 2 >= count.
        int64_t k = IntegerSquareRoot(count);
        while (k * (k + 1) >= 2 * count) --k;
        while (k * (k + 1) < 2 * count) ++k;
        cost += k;
    }
    return cost;
}

void TRLEEncoder::FlushFromClear(int64_t count) {
    SuspendForcedClear();
    TablePixel = Pixel;
    int64_t length = 1;
    while (count > 0) {
        if (length == 1) {
            TableMax = 1;
            OutputPlain(Pixel);
            --count;
        } else if (count >= length) {
            TableMax = length;
            OutputPlain(RunCode(length));
            count -= length;
        } else {
            // The decoder's table grows by one run all the same.
            ++TableMax;
            OutputPlain(count == 1 ? Pixel : RunCode(count));
            count = 0;
        }
        length = OutCount == 0 ? 1 : length + 1;
    }
    RestoreForcedClear();
}

void TRLEEncoder::FlushClearOrRepeat(int64_t count) {
    if (TriangleCodes(count) + 1 < count) {
        Clear();
        FlushFromClear(count);
    } else {
        for (; count > 0; --count) OutputPlain(Pixel);
    }
}

void TRLEEncoder::FlushWithTable(int64_t count) {
    int64_t repeats = count / TableMax;
    int64_t rest = count % TableMax;
    int64_t restCodes = rest > 0 ? 1 : 0;
    if (repeats + OutCount + restCodes > MaxRunCodes) {
        repeats = MaxRunCodes - OutCount;
        rest = count - TableMax * repeats;
        restCodes = TriangleCodes(rest) + 1;
    }
    if (TriangleCodes(count) + 1 < repeats + restCodes) {
        Clear();
        FlushFromClear(count);
        return;
    }
    SuspendForcedClear();
    for (; repeats > 0; --repeats) OutputPlain(RunCode(TableMax));
    if (rest > 0) {
        if (JustCleared)
            FlushFromClear(rest);
        else
            OutputPlain(rest == 1 ? Pixel : RunCode(rest));
    }
    RestoreForcedClear();
}

void TRLEEncoder::FlushRun() {
    if (RunCount == 1)
        OutputPlain(Pixel);
    else if (JustCleared)
        FlushFromClear(RunCount);
    else if (TableMax < 2 || TablePixel != Pixel)
        FlushClearOrRepeat(RunCount);
    else
        FlushWithTable(RunCount);
    RunCount = 0;
}

void TRLEEncoder::DoCompress() {
    BumpCountInit = ClearCode - 1;
    // Small tables would clear too often at clear - 2 codes.
    ClearCountInit = BitsPerPixel > 3 ? ClearCode - 2 : 9;
    MaxRunCodes = 4095 - FirstFreeCode;
    Pixel = -1;
    RunCount = 0;
    Clear();
    WalkPixels([&](const uint8_t* p, int64_t n) {
        for (int64_t i = 0; i < n; ++i) {
            const int value = p[i];
            if (value >= NumColors) ColorNotInTable();
            if (value == Pixel) {
                ++RunCount;
                continue;
            }
            if (RunCount > 0) FlushRun();
            Pixel = value;
            RunCount = 1;
        }
    });
    if (RunCount > 0) FlushRun();
}
