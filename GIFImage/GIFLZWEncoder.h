#pragma once
// The LZW compressor: the longest string already in the table is sent as one
// code; the table is cleared instead of assigning code 4095, so that codes
// stay within 12 bits.

#include "GIFChildTable.h"
#include "GIFEncoder.h"
#include "GIFStringTable.h"

class TLZWEncoder : public TGIFEncoder {
protected:
    // Sends the clear code at the current width and starts a fresh table.
    void Clear() override;
    void DoCompress() override;

private:
    template <bool CheckColors, class TTable> void Encode(TTable& table);
    template <class TTable> void CompressWith(TTable& table);
    // After each code: widens the codes when the next free code no longer
    // fits, never beyond 12 bits.
    void GrowCodeWidth() {
        if (NextCode > MaxCode) {
            ++CodeWidth;
            MaxCode = CodeWidth >= 12 ? 4096 : (1 << CodeWidth) - 1;
        }
    }

    // Which table the clear resets: the hashed one, or a child table for
    // palettes of up to 4 or 16 colours.
    enum class TTableKind { Hashed, Fan4, Fan16 };
    TTableKind Kind = TTableKind::Hashed;
    TLZWStringTable Table;
    TLZWChildTable<4> Table4;
    TLZWChildTable<16> Table16;
    int Prefix = 0;
    int NextCode = 0;
};
