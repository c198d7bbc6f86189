// Lossy optimisation: the error stays within what each level allows (as a
// PSNR floor over the whole animation), a level of 0 changes nothing, and
// the chosen pixels compress as the lossy encoder chose them.

#include "GIFEncoder.h"
#include "GIFGraphicControlExtension.h"
#include "GIFLossyLZWEncoder.h"
#include "GIFLossyOptimizer.h"
#include "GIFOptimizer.h"
#include "GIFTestImages.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <tuple>

namespace {

// 64 colours from blue to orange.
void AddRamp(TGIFColorMap& map) {
    for (int i = 0; i < 64; ++i)
        map.Add(RGBColor(static_cast<uint8_t>(4 * i), static_cast<uint8_t>(40 + 3 * i),
                         static_cast<uint8_t>(255 - 4 * i)));
}

// A noisy diagonal gradient over a 64-colour ramp, with a block that moves
// and background pixels that flicker by one entry from frame to frame, as a
// dithered recording does.
Bytes NoisyAnimation() {
    std::mt19937 random(7);
    TGIFImage image;
    image.Header.SetWidth(48);
    image.Header.SetHeight(32);
    AddRamp(image.Header.ColorMap);
    for (int f = 0; f < 8; ++f) {
        Bytes pixels(48 * 32);
        for (int y = 0; y < 32; ++y)
            for (int x = 0; x < 48; ++x) {
                int v = (x + y) % 60 + static_cast<int>(random() % 3);
                if (x >= 4 * f && x < 4 * f + 10 && y >= 8 && y < 20) v = 63;
                pixels[static_cast<size_t>(y * 48 + x)] = static_cast<uint8_t>(v);
            }
        AddControl(AddFrame(image, 0, 0, 48, 32, pixels), 5 + f, TGIFDisposal::DoNotDispose);
    }
    return Save(image);
}

// The screen (0xRRGGBB, or 0 where nothing is drawn yet) after each frame,
// with each frame's delay: one pass by the rules of the format.
std::vector<std::pair<std::vector<uint32_t>, int>> Screens(TGIFImage& image) {
    std::vector<uint32_t> screen(static_cast<size_t>(image.Width() * image.Height()), 0);
    std::vector<std::pair<std::vector<uint32_t>, int>> shown;
    for (int i = 0; i < image.Images.Count(); ++i) {
        TGIFSubImage& frame = image.Images[i];
        const TGIFGraphicControlExtension* control = frame.GraphicControlExtension();
        const int t = frame.Transparent() && control ? control->TransparentColorIndex() : -1;
        const TGIFColorMap& map = frame.ActiveColorMap();
        for (int y = 0; y < frame.Height(); ++y)
            for (int x = 0; x < frame.Width(); ++x) {
                const int v = frame.Data()[y * frame.Width() + x];
                if (v == t) continue;
                const TPaletteEntry e = map.Entry(v);
                screen[static_cast<size_t>((frame.Top() + y) * image.Width() + frame.Left() + x)] =
                    0x1000000u | (uint32_t{e.Red} << 16) | (uint32_t{e.Green} << 8) | e.Blue;
            }
        shown.emplace_back(screen, control ? std::max<int>(control->Delay(), 1) : 1);
        if (control && control->Disposal() == TGIFDisposal::RestoreBackground)
            for (int y = 0; y < frame.Height(); ++y)
                for (int x = 0; x < frame.Width(); ++x)
                    screen[static_cast<size_t>((frame.Top() + y) * image.Width() + frame.Left() + x)] = 0;
    }
    return shown;
}

// The PSNR of after against before, each hundredth of a second weighed
// alike; 99 dB when they show the same.
double PsnrOverTime(const Bytes& before, const Bytes& after) {
    TGIFImage a, b;
    Load(a, before);
    Load(b, after);
    const auto x = Screens(a);
    const auto y = Screens(b);
    double error = 0, samples = 0;
    size_t j = 0;
    int left = y.empty() ? 0 : y[0].second;
    for (const auto& [picture, delay] : x)
        for (int d = 0; d < delay; ++d) {
            for (size_t p = 0; p < picture.size(); ++p)
                for (int shift : {0, 8, 16}) {
                    const int e = static_cast<int>((picture[p] >> shift) & 0xFF) -
                                  static_cast<int>((y[j].first[p] >> shift) & 0xFF);
                    error += e * e + ((picture[p] >> 24) != (y[j].first[p] >> 24) ? 65025 : 0);
                    samples += 1;
                }
            if (--left == 0 && j + 1 < y.size()) left = y[++j].second;
        }
    return error == 0 ? 99.0 : 10 * std::log10(255.0 * 255.0 * samples / error);
}

Bytes Optimised(const Bytes& bytes, int lossy) {
    TGIFImage image;
    Load(image, bytes);
    OptimizeGIF(image, OptimizeCrop | OptimizeMerge | OptimizeCleanup | OptimizeColorMap);
    OptimizeGIFLossy(image, lossy);
    OptimizeGIF(image, OptimizeCleanup | OptimizeColorMap);
    return Save(image);
}

} // namespace

TEST(GIFOptimizeLossy, EachLevelKeepsItsErrorBoundAndSavesBytes) {
    const Bytes bytes = NoisyAnimation();
    const Bytes lossless = Optimised(bytes, 0);
    EXPECT_EQ(PsnrOverTime(bytes, lossless), 99.0);
    for (int level : {20, 40, 80}) {
        SCOPED_TRACE(level);
        const Bytes lossy = Optimised(bytes, level);
        // No pixel is further than level from its colour.
        const double floor = 20 * std::log10(255.0 * std::sqrt(3.0) / level);
        EXPECT_GE(PsnrOverTime(bytes, lossy), floor);
        // Sizes need not fall with every level: a string made longer now
        // may leave worse strings after it.
        EXPECT_LT(lossy.size(), lossless.size());
    }
}

TEST(GIFOptimizeLossy, ChosenPixelsCompressIntoTheCodesTheEncoderChose) {
    // Re-encoding the chosen pixels must not find longer strings than the
    // lossy encoder made, so the written size matches its parse: every
    // string it ended was ended by a pixel that no child continues.
    std::mt19937 random(3);
    std::vector<uint32_t> colours;
    for (int i = 0; i < 16; ++i) colours.push_back(0xFF000000u | static_cast<uint32_t>(i * 0x0F0F0F));
    std::vector<TLossyPixel> pixels(30000);
    for (auto& p : pixels) {
        p.Exact = static_cast<int>(random() % 16);
        p.Wanted = colours[static_cast<size_t>(p.Exact)];
    }
    // Both with a table that is cleared when full and one that is kept, and
    // both plainly and spending error where it buys most (strings starting
    // off their exact index, whose table entries then change).
    for (const auto& [keep, spend] : {std::pair{false, false}, {true, false}, {false, true}, {true, true}}) {
        SCOPED_TRACE(testing::Message() << keep << spend);
        TLossyLZWEncoder encoder;
        encoder.KeepFullTable = keep;
        encoder.Carry = spend ? TLossyLZWEncoder::TErrorCarry::Half : TLossyLZWEncoder::TErrorCarry::None;
        encoder.OtherFirstPixels = spend;
        encoder.CodeError = spend ? 40 * 40 : 0;
        const std::vector<uint8_t> exact = encoder.Choose(pixels, colours, -1, 4, 0);
        for (size_t i = 0; i < pixels.size(); ++i) ASSERT_EQ(exact[i], pixels[i].Exact) << i;
        const std::vector<uint8_t> chosen = encoder.Choose(pixels, colours, -1, 4, 40);
        int changed = 0;
        int changedFirsts = 0;
        for (size_t i = 0; i < pixels.size(); ++i) {
            const int d = std::abs(static_cast<int>(colours[chosen[i]] & 0xFF) -
                                   static_cast<int>(pixels[i].Wanted & 0xFF));
            EXPECT_LE(d * d * 3, 40 * 40) << i;
            changed += chosen[i] != pixels[i].Exact;
        }
        EXPECT_GT(changed, 0);
        TMemoryStream stream;
        CompressImageData(stream, TGIFCompression::LZW, 4, 16, chosen.data(), false, 300, 100, -1, keep);
        // Where each string starts: a code's string is one longer than the
        // one before it was when it was made (16 clears, 17 ends).
        int strings = 0;
        std::vector<int> lengths;
        size_t at = 0;
        int before = -1;
        for (int code : UnpackCodes(stream.Memory())) {
            if (code == 16 || code == 17) {
                lengths.assign(18, 1);
                before = -1;
                continue;
            }
            if (before >= 0 && lengths.size() < 4096)
                lengths.push_back(lengths[static_cast<size_t>(before)] + 1);
            changedFirsts += at < chosen.size() && chosen[at] != pixels[at].Exact;
            at += static_cast<size_t>(lengths[static_cast<size_t>(code)]);
            before = code;
            ++strings;
        }
        EXPECT_EQ(at, pixels.size());
        EXPECT_EQ(strings, encoder.Strings());
        EXPECT_EQ(changedFirsts > 0, spend);
    }
}

TEST(GIFOptimizeLossy, FindingChildrenThroughEachPixelsListFindsWhatWalkingThemFinds) {
    // A node's children within the loss are found either by walking them
    // all or through the pixel's list of near entries, passing over the
    // others as the walk does: the strings must come out the same, without
    // loss (other entries of the wanted colour, the transparent one where
    // the screen shows it) and with it, for every way of spending error.
    std::mt19937 random(5);
    std::vector<uint32_t> colours;
    for (int i = 0; i < 40; ++i) {
        const uint32_t red = static_cast<uint32_t>((i % 20) * 11), blue = static_cast<uint32_t>(50 + i / 20);
        colours.push_back(0xFF000000u | red << 16 | 0x5000u | blue);
    }
    const int t = 39;
    std::vector<TLossyPixel> pixels(20000);
    for (TLossyPixel& p : pixels) {
        p.Exact = static_cast<int>(random() % 24);
        p.Wanted = colours[static_cast<size_t>(p.Exact)];
        if (random() % 4) p.Beneath = colours[static_cast<size_t>(p.Exact) ^ 1];
        if (random() % 3 == 0 && p.Beneath) p.Exact = t;
        p.FreeError = random() % 5 == 0 ? 60 : 0;
    }
    using TCarry = TLossyLZWEncoder::TErrorCarry;
    for (const auto& [maxError, carry, spend] : {std::tuple{0, TCarry::None, false},
                                                 {0, TCarry::None, true},
                                                 {9, TCarry::None, false},
                                                 {9, TCarry::Half, true},
                                                 {14, TCarry::AlongRuns, true}}) {
        SCOPED_TRACE(testing::Message() << maxError << int(carry) << spend);
        TLossyLZWEncoder encoder;
        encoder.Carry = carry;
        encoder.OtherFirstPixels = spend;
        encoder.CodeError = spend ? 20 * 20 : 0;
        encoder.ListedFrom = 256;
        const std::vector<uint8_t> walked = encoder.Choose(pixels, colours, t, 6, maxError);
        encoder.ListedFrom = 0;
        const std::vector<uint8_t> listed = encoder.Choose(pixels, colours, t, 6, maxError);
        EXPECT_EQ(walked, listed);
        int moved = 0;
        for (size_t i = 0; i < pixels.size(); ++i) moved += listed[i] != pixels[i].Exact;
        EXPECT_GT(moved, 0);
    }
}

TEST(GIFOptimizeLossy, InsideARunOfOneColourTheErrorCarriedBoundsHowFarAStringMovesIt) {
    // Long runs of one blue build long strings of it; then comes a run of a
    // blue 3 steps off. Without carry those strings go on over the new run;
    // carried along runs, a run's first 8 pixels move freely at a distance
    // of 10 (76 together), then the errors add up (3 + 3 + 3 <= 10 < 12),
    // so the eleventh and later pixels keep their colour: a band the eye
    // would see as shifted stays short.
    const std::vector<uint32_t> colours = {0xFF000010u, 0xFF000013u};
    std::vector<TLossyPixel> pixels;
    for (int run = 0; run < 41; ++run)
        for (int x = 0; x < 16; ++x) {
            TLossyPixel p;
            p.Exact = run == 40 ? 1 : 0;
            p.Wanted = colours[static_cast<size_t>(p.Exact)];
            pixels.push_back(p);
        }
    const auto lastRun = [&](TLossyLZWEncoder::TErrorCarry carry) {
        TLossyLZWEncoder encoder;
        encoder.Carry = carry;
        const std::vector<uint8_t> chosen = encoder.Choose(pixels, colours, -1, 2, 10);
        return std::vector<uint8_t>(chosen.end() - 16, chosen.end());
    };
    EXPECT_EQ(lastRun(TLossyLZWEncoder::TErrorCarry::None), std::vector<uint8_t>(16, 0));
    const std::vector<uint8_t> carried = lastRun(TLossyLZWEncoder::TErrorCarry::AlongRuns);
    EXPECT_EQ(std::vector<uint8_t>(carried.begin() + 10, carried.end()), std::vector<uint8_t>(6, 1));
    EXPECT_EQ(carried[9], 0);
}

TEST(GIFOptimizeLossy, NearEntriesOfATableMergeButNeverIntoATransparentIndex) {
    // A capture's global table: 128 shades, each twice, one step of red
    // apart. The first frame shows entry 1 along its top and a dither of
    // every entry below. The second draws a small block of entry 0 over far
    // shades, with entry 1 as its transparent index: entry 0 is the cheapest
    // to move, but merged into 1 the block would vanish.
    std::mt19937 random(11);
    TGIFImage image;
    image.Header.SetWidth(64);
    image.Header.SetHeight(64);
    for (int i = 0; i < 256; ++i) {
        const int shade = i / 2;
        image.Header.ColorMap.Add(RGBColor(static_cast<uint8_t>(2 * shade + i % 2),
                                           static_cast<uint8_t>(255 - 2 * shade),
                                           static_cast<uint8_t>(shade)));
    }
    const auto inBlock = [](int x, int y) { return y >= 30 && y < 32 && x >= 30 && x < 34; };
    Bytes first(64 * 64), block(64 * 64, 1);
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x) {
            const auto p = static_cast<size_t>(y * 64 + x);
            first[p] = static_cast<uint8_t>(y < 16 ? 1 : inBlock(x, y) ? 255 : 2 + random() % 254);
            if (inBlock(x, y)) block[p] = 0;
        }
    AddFrame(image, 0, 0, 64, 64, first);
    TGIFSubImage& second = AddFrame(image, 0, 0, 64, 64, block);
    auto& control = static_cast<TGIFGraphicControlExtension&>(
        second.Extensions.Add(std::make_unique<TGIFGraphicControlExtension>(second)));
    control.SetTransparent(true);
    control.SetTransparentColorIndex(1);
    control.SetDelay(10);
    const Bytes bytes = Save(image);

    const Bytes lossy = Optimised(bytes, 20);
    TGIFImage result;
    Load(result, lossy);
    int tableEntries = result.Header.ColorMap.Count();
    for (int i = 0; i < result.Images.Count(); ++i)
        tableEntries = std::max(tableEntries, result.Images[i].ColorMap.Count());
    EXPECT_LE(tableEntries, 128);
    // The block shows entry 0's colour, within the level's distance.
    const auto screens = Screens(result);
    ASSERT_EQ(screens.size(), 2u);
    for (int y = 30; y < 32; ++y)
        for (int x = 30; x < 34; ++x) {
            const uint32_t shown = screens[1].first[static_cast<size_t>(y * 64 + x)];
            const int dr = static_cast<int>((shown >> 16) & 0xFF),
                      dg = static_cast<int>((shown >> 8) & 0xFF) - 255, db = static_cast<int>(shown & 0xFF);
            EXPECT_LE(dr * dr + dg * dg + db * db, LossyErrorOfLevel(20) * LossyErrorOfLevel(20))
                << x << "," << y;
        }
    EXPECT_LT(lossy.size(), Optimised(bytes, 0).size());
}

// A noisy still background drawn once, and a small noisy part drawn anew in
// each of 15 frames: the background's error stays on screen the whole
// time, the part's for a frame. Spread over time, the loss stores smaller
// with no more error over time than every frame at the bound.
TEST(GIFOptimizeLossy, ALossSpreadOverTimeStoresSmallerAtNoLessLikeness) {
    std::mt19937 random(11);
    TGIFImage image;
    image.Header.SetWidth(64);
    image.Header.SetHeight(48);
    AddRamp(image.Header.ColorMap);
    const auto noisy = [&](int width, int height, int base) {
        Bytes pixels(static_cast<size_t>(width * height));
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                pixels[static_cast<size_t>(y * width + x)] =
                    static_cast<uint8_t>((base + x + y) % 56 + static_cast<int>(random() % 8));
        return pixels;
    };
    for (int f = 0; f < 16; ++f) {
        const int size = f == 0 ? 0 : 12;
        AddControl(f == 0 ? AddFrame(image, 0, 0, 64, 48, noisy(64, 48, 0))
                          : AddFrame(image, 2 * f, 20, size, size, noisy(size, size, 5 * f)),
                   10, TGIFDisposal::DoNotDispose);
    }
    const Bytes bytes = Save(image);
    const auto lossy = [&](bool spread) {
        TGIFImage copy;
        Load(copy, bytes);
        OptimizeGIFLossy(copy, LossyErrorOfLevel(40), spread);
        return Save(copy);
    };
    const Bytes even = lossy(false);
    const Bytes spread = lossy(true);
    EXPECT_LT(spread.size(), even.size());
    EXPECT_GE(PsnrOverTime(bytes, spread), PsnrOverTime(bytes, even) - 0.05);
}
