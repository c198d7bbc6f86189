#include "GIFLZWEncoder.h"

void TLZWEncoder::Clear() {
    OutputCode(ClearCode);
    Table.Clear(FirstFreeCode);
    NextCode = FirstFreeCode;
    CodeWidth = InitialCodeWidth;
    MaxCode = (1 << CodeWidth) - 1;
}

void TLZWEncoder::DoCompress() {
    // Frames whose pixels all lie in the table take the loop without a check.
    if (AllPixelsInTable())
        Encode<false>();
    else
        Encode<true>();
}

template <bool CheckColors> void TLZWEncoder::Encode() {
    Clear();
    bool first = true;
    WalkPixels([&](const uint8_t* p, int64_t n) {
        int64_t i = 0;
        if (first) {
            if (CheckColors && p[0] >= NumColors) ColorNotInTable();
            Prefix = p[0];
            first = false;
            i = 1;
        }
        // Locals, so that the byte stores of the output cannot make the
        // compiler reload them on every pixel.
        int prefix = Prefix;
        for (; i < n; ++i) {
            const int pixel = p[i];
            if (CheckColors && pixel >= NumColors) {
                Prefix = prefix;
                ColorNotInTable();
            }
            const int code = Table.Find(prefix, pixel);
            if (code >= 0) {
                prefix = code;
                continue;
            }
            OutputCode(prefix);
            GrowCodeWidth();
            const int sent = prefix;
            prefix = pixel;
            if (NextCode > 4094) {
                Clear();
            } else {
                Table.Insert(sent, pixel, NextCode);
                ++NextCode;
            }
        }
        Prefix = prefix;
    });
    OutputCode(Prefix);
    GrowCodeWidth();
}
