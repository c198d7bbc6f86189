// Near tones of a grainy picture in continuous tone merged into fewer
// palette entries, within the limits; drawings and smooth gradients keep
// their tones.

#include "GIFColourDistance.h"
#include "GIFToneMerge.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace {

uint32_t Grey(int v) {
    return uint32_t(v) << 16 | uint32_t(v) << 8 | uint32_t(v);
}

// Tones 40 to 239, each on 500 pixels.
std::vector<TWeightedColor> GreyRamp() {
    std::vector<TWeightedColor> tones;
    for (int v = 40; v < 240; ++v) tones.push_back({Grey(v), 500});
    return tones;
}

// A brown photograph's tones: each component on a ramp of its own.
std::vector<TWeightedColor> BrownRamp() {
    std::vector<TWeightedColor> tones;
    for (int v = 0; v < 200; ++v)
        tones.push_back({uint32_t(40 + v) << 16 | uint32_t(20 + v / 2) << 8 | uint32_t(10 + v / 4), 500});
    return tones;
}

int Distance2(uint32_t colour, const TPaletteEntry& e) {
    return SquaredColourDistance(colour, uint32_t(e.Red) << 16 | uint32_t(e.Green) << 8 | e.Blue);
}

} // namespace

TEST(ToneMerge, GrainyTonesMergeIntoFewerEntriesWithinTheLimits) {
    const uint64_t pixels = 200 * 500;
    for (const std::vector<TWeightedColor>& tones : {GreyRamp(), BrownRamp()})
        for (const TToneMerge limits : {TToneMerge{18, 4.5}, TToneMerge{3, 4.5}, TToneMerge{18, 1.5}}) {
            SCOPED_TRACE(tones[1].Color);
            ASSERT_TRUE(TonesWorthMerging(tones, pixels * 4 / 5, pixels));
            const TPalette merged = MergeNearTones(tones, limits);
            EXPECT_LE(merged.size(), tones.size() / 2) << limits.MaxDistance2 << " " << limits.MeanError2;
            double error = 0;
            for (const TWeightedColor& tone : tones) {
                // Each tone shows as the entry that stands for it, or a nearer one.
                int nearest = 1 << 30;
                for (const TPaletteEntry& e : merged) nearest = std::min(nearest, Distance2(tone.Color, e));
                EXPECT_LE(nearest, limits.MaxDistance2);
                error += double(nearest) * tone.Count;
            }
            EXPECT_LE(error, limits.MeanError2 * double(pixels));
        }
    // Grey tones a step apart lie 3 apart: within 3 of its entry, a tone
    // merges with at most its two neighbours.
    EXPECT_GE(MergeNearTones(GreyRamp(), {3, 100}).size(), 200u / 3);
}

TEST(ToneMerge, DrawingsAndSmoothGradientsKeepTheirTones) {
    const std::vector<TWeightedColor> ramp = GreyRamp();
    const uint64_t pixels = 200 * 500;
    // The same tones in runs of four along the rows: a smooth gradient.
    EXPECT_FALSE(TonesWorthMerging(ramp, pixels / 4, pixels));
    // A ground that holds most pixels, and its antialiased shades.
    std::vector<TWeightedColor> drawing = ramp;
    drawing.push_back({Grey(255), 200 * 500});
    EXPECT_FALSE(TonesWorthMerging(drawing, 2 * pixels, 2 * pixels));
    // Nothing merges where no two colours lie within the distance.
    EXPECT_EQ(MergeNearTones(ramp, {2, 100}).size(), ramp.size());
}
