#include "GIFColorMapPalette.h"

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
