#include "GIFPalettes.h"

namespace {

TPalette MakeWebPalette() {
    TPalette palette;
    palette.reserve(WebPaletteSize);
    for (int r = 0; r < 6; ++r)
        for (int g = 0; g < 6; ++g)
            for (int b = 0; b < 6; ++b)
                palette.push_back({uint8_t(r * 51), uint8_t(g * 51), uint8_t(b * 51)});
    return palette;
}

TPalette MakeHalftonePalette() {
    const TPalette& statics = StaticColors();
    TPalette palette(statics.begin(), statics.begin() + 10);
    const TPalette& web = WebPalette();
    palette.insert(palette.end(), web.begin(), web.end());
    // Four greys inside each of the five steps between web levels.
    for (int step = 0; step < 5; ++step)
        for (int i = 1; i <= 4; ++i) {
            const uint8_t grey = uint8_t(step * 51 + (i * 51 + 2) / 5);
            palette.push_back({grey, grey, grey});
        }
    palette.insert(palette.end(), statics.begin() + 10, statics.end());
    return palette;
}

} // namespace

const TPalette& WebPalette() {
    static const TPalette palette = MakeWebPalette();
    return palette;
}

const TPalette& StaticColors() {
    static const TPalette palette = {
        {0, 0, 0},       {128, 0, 0},     {0, 128, 0},     {128, 128, 0},   {0, 0, 128},
        {128, 0, 128},   {0, 128, 128},   {192, 192, 192}, {192, 220, 192}, {166, 202, 240},
        {255, 251, 240}, {160, 160, 164}, {128, 128, 128}, {255, 0, 0},     {0, 255, 0},
        {255, 255, 0},   {0, 0, 255},     {255, 0, 255},   {0, 255, 255},   {255, 255, 255},
    };
    return palette;
}

const TPalette& HalftonePalette() {
    static const TPalette palette = MakeHalftonePalette();
    return palette;
}

TPalette GreyPalette(int count) {
    TPalette palette;
    if (count < 2) count = 2;
    for (int i = 0; i < count; ++i) {
        const uint8_t grey = uint8_t(i * 255 / (count - 1));
        palette.push_back({grey, grey, grey});
    }
    return palette;
}

TPalette FourGreyPalette() {
    return {{0, 0, 0}, {128, 128, 128}, {192, 192, 192}, {255, 255, 255}};
}
