#include "GIFLZWEncoder.h"

void TLZWEncoder::Clear() {
    OutputCode(ClearCode);
    switch (Kind) {
    case TTableKind::Hashed:
        Table.Clear(FirstFreeCode);
        break;
    case TTableKind::Fan4:
        Table4.Clear(FirstFreeCode);
        break;
    case TTableKind::Fan16:
        Table16.Clear(FirstFreeCode);
        break;
    }
    NextCode = FirstFreeCode;
    CodeWidth = InitialCodeWidth;
    MaxCode = (1 << CodeWidth) - 1;
}

void TLZWEncoder::DoCompress() {
    // Small palettes index their children directly; the codes sent are the
    // same, as they follow from the longest match and the clear rule alone.
    // Pixels at or above the colour count fail before such a table is used.
    if (NumColors <= 4 && BitsPerPixel <= 2) {
        Kind = TTableKind::Fan4;
        CompressWith(Table4);
    } else if (NumColors <= 16 && BitsPerPixel <= 4) {
        Kind = TTableKind::Fan16;
        CompressWith(Table16);
    } else {
        Kind = TTableKind::Hashed;
        CompressWith(Table);
    }
}

template <class TTable> void TLZWEncoder::CompressWith(TTable& table) {
    // Frames whose pixels all lie in the table take the loop without a check.
    if (AllPixelsInTable())
        Encode<false>(table);
    else
        Encode<true>(table);
}

template <bool CheckColors, class TTable> void TLZWEncoder::Encode(TTable& table) {
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
            uint32_t slot;
            const int code = table.Find(prefix, pixel, slot);
            if (code >= 0) {
                prefix = code;
                continue;
            }
            OutputCode(prefix);
            GrowCodeWidth();
            if (NextCode > 4094) {
                Clear();
            } else {
                table.Insert(slot, prefix, pixel, NextCode);
                ++NextCode;
            }
            prefix = pixel;
        }
        Prefix = prefix;
    });
    OutputCode(Prefix);
    GrowCodeWidth();
}
