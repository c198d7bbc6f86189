#include "GIFPalette.h"

#include "GIFColorMap.h"

TPalette GIFPaletteOf(const TGIFColorMap& colors) {
    TPalette palette;
    palette.reserve(static_cast<size_t>(colors.Count()));
    for (int i = 0; i < colors.Count(); ++i) {
        TPaletteEntry entry = colors.Entry(i);
        entry.Flags = PaletteNoCollapse;
        palette.push_back(entry);
    }
    return palette;
}

TPalette GIFWebPalette() {
    TPalette palette;
    palette.reserve(216);
    for (int r = 0; r < 6; ++r)
        for (int g = 0; g < 6; ++g)
            for (int b = 0; b < 6; ++b)
                palette.push_back({static_cast<uint8_t>(r * 51), static_cast<uint8_t>(g * 51),
                                   static_cast<uint8_t>(b * 51)});
    return palette;
}
