// The fixed palettes and the colour lookups.

#include "GIFColorLookup.h"
#include "GIFPalettes.h"

#include <gtest/gtest.h>

#include <climits>
#include <random>

TEST(GIFPalettes, WebPaletteRunsRedSlowestOverSixLevels) {
    const TPalette& web = WebPalette();
    ASSERT_EQ(web.size(), 216u);
    EXPECT_EQ(web[0], (TPaletteEntry{0, 0, 0}));
    EXPECT_EQ(web[1], (TPaletteEntry{0, 0, 51}));
    EXPECT_EQ(web[6], (TPaletteEntry{0, 51, 0}));
    EXPECT_EQ(web[36], (TPaletteEntry{51, 0, 0}));
    EXPECT_EQ(web[133], (TPaletteEntry{153, 204, 51}));
    EXPECT_EQ(web[215], (TPaletteEntry{255, 255, 255}));
}

TEST(GIFPalettes, StaticAndHalftonePalettesKeepTheStaticColoursAtBothEnds) {
    const TPalette& statics = StaticColors();
    ASSERT_EQ(statics.size(), 20u);
    EXPECT_EQ(statics[1], (TPaletteEntry{128, 0, 0}));
    EXPECT_EQ(statics[7], (TPaletteEntry{192, 192, 192}));
    EXPECT_EQ(statics[9], (TPaletteEntry{166, 202, 240}));
    EXPECT_EQ(statics[10], (TPaletteEntry{255, 251, 240}));
    EXPECT_EQ(statics[19], (TPaletteEntry{255, 255, 255}));

    const TPalette& halftone = HalftonePalette();
    ASSERT_EQ(halftone.size(), 256u);
    for (int i = 0; i < 10; ++i) {
        EXPECT_EQ(halftone[i], statics[i]) << i;
        EXPECT_EQ(halftone[246 + i], statics[10 + i]) << i;
    }
    for (int i = 0; i < 216; ++i) EXPECT_EQ(halftone[10 + i], WebPalette()[i]) << i;
    EXPECT_EQ(halftone[226], (TPaletteEntry{10, 10, 10}));
    EXPECT_EQ(halftone[245], (TPaletteEntry{245, 245, 245}));

    EXPECT_EQ(FourGreyPalette(), (TPalette{{0, 0, 0}, {128, 128, 128}, {192, 192, 192}, {255, 255, 255}}));
    const TPalette greys = GreyPalette(256);
    ASSERT_EQ(greys.size(), 256u);
    EXPECT_EQ(greys[77], (TPaletteEntry{77, 77, 77}));
}

TEST(GIFColorLookups, WebLookupTakesTheNearestLevelOfEachComponent) {
    TNetscapeColorLookup web;
    EXPECT_EQ(web.Lookup(0, 0, 0), 0);
    EXPECT_EQ(web.Lookup(255, 255, 255), 215);
    // 25 is nearer to 0 than to 51; 26 and 76 are nearer to 51.
    EXPECT_EQ(web.Lookup(25, 26, 76), 0 * 36 + 1 * 6 + 1);
    EXPECT_EQ(web.Lookup(128, 200, 30), 3 * 36 + 4 * 6 + 1);
    // 40 lies 11 from 51 and 40 from 0.
    EXPECT_EQ(web.Lookup(40, 40, 40), 36 + 6 + 1);
    EXPECT_EQ(web.Color(web.Lookup(40, 40, 40)), (TPaletteEntry{51, 51, 51}));
}

TEST(GIFColorLookups, GreyAndMonochromeLookupsWeighTheComponents) {
    TGrayScaleLookup grey;
    EXPECT_EQ(grey.Colors(), 256);
    EXPECT_EQ(grey.Lookup(255, 255, 255), 255);
    EXPECT_EQ(grey.Lookup(100, 50, 200), (77 * 100 + 150 * 50 + 29 * 200) / 256);
    EXPECT_EQ(grey.Color(82), (TPaletteEntry{82, 82, 82}));

    TMonochromeLookup mono;
    EXPECT_EQ(mono.Colors(), 2);
    EXPECT_EQ(mono.Lookup(127, 127, 127), 0); // 32512: just below the threshold
    EXPECT_EQ(mono.Lookup(128, 127, 127), 1); // 32589
    EXPECT_EQ(mono.Color(1), (TPaletteEntry{255, 255, 255}));
}

TEST(GIFColorLookups, SlowLookupFindsTheNearestEntryAndTheFirstOfEqualOnes) {
    TSlowColorLookup small({{0, 0, 0}, {255, 255, 255}, {255, 0, 0}, {250, 0, 0}});
    EXPECT_EQ(small.Lookup(251, 1, 1), 3);
    EXPECT_EQ(small.Lookup(254, 0, 0), 2);
    EXPECT_EQ(small.Lookup(200, 200, 190), 1);
    TSlowColorLookup ties({{0, 0, 0}, {2, 0, 0}, {2, 0, 0}});
    EXPECT_EQ(ties.Lookup(1, 0, 0), 0);
    EXPECT_EQ(ties.Lookup(2, 0, 0), 1);
    TSlowColorLookup none(TPalette{});
    EXPECT_EQ(none.Lookup(9, 9, 9), 0);
}

TEST(GIFColorLookups, SlowLookupOnALargePaletteAgreesWithAFullSearch) {
    std::mt19937 random(12);
    std::uniform_int_distribution<int> component(0, 255);
    TPalette palette;
    for (int i = 0; i < 256; ++i)
        palette.push_back(
            {uint8_t(component(random)), uint8_t(component(random)), uint8_t(component(random))});
    palette[200] = palette[17]; // a duplicate: the first one must win
    TSlowColorLookup lookup(palette);
    for (int n = 0; n < 20000; ++n) {
        const int r = component(random), g = component(random), b = component(random);
        int best = 0, bestDistance = INT_MAX;
        for (int i = 0; i < 256; ++i) {
            const int d = (palette[i].Red - r) * (palette[i].Red - r) +
                          (palette[i].Green - g) * (palette[i].Green - g) +
                          (palette[i].Blue - b) * (palette[i].Blue - b);
            if (d < bestDistance) bestDistance = d, best = i;
        }
        ASSERT_EQ(lookup.Lookup(uint8_t(r), uint8_t(g), uint8_t(b)), best) << r << "," << g << "," << b;
    }
}
