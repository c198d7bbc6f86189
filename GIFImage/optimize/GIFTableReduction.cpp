#include "GIFTableReduction.h"

#include "GIFBestPalette.h"
#include "GIFColorLookup.h"
#include "GIFColorQuantizer.h"
#include "GIFColorReduction.h"
#include "GIFDitherer.h"
#include "GIFFollowedScreen.h"
#include "GIFGraphicControlExtension.h"
#include "GIFImage.h"

#include <algorithm>
#include <array>
#include <map>
#include <memory>
#include <vector>

namespace {

using GIFFollowedScreen::TransparentIndexOf;

// Pixels a method that counts pixels (the octree) sees for a table: its
// colours repeated in proportion to their use, at most about this many.
constexpr int64_t SamplePixelCount = 1 << 20;

uint32_t ColourOf(const TPaletteEntry& e) {
    return (uint32_t{e.Red} << 16) | (uint32_t{e.Green} << 8) | e.Blue;
}

TPaletteEntry EntryOf(uint32_t colour) {
    TPaletteEntry e;
    e.Red = static_cast<uint8_t>(colour >> 16);
    e.Green = static_cast<uint8_t>(colour >> 8);
    e.Blue = static_cast<uint8_t>(colour);
    return e;
}

// The opaque pixels' colours of the frames, with their counts.
std::vector<TWeightedColor> HistogramOf(const std::vector<TGIFSubImage*>& frames, TGIFColorMap& table) {
    std::array<int64_t, 256> uses{};
    std::vector<uint8_t> fillRow;
    for (TGIFSubImage* frame : frames) {
        const int t = TransparentIndexOf(*frame);
        for (int y = 0; y < frame->Height(); ++y) {
            const uint8_t* row = frame->ReadRow(y, fillRow);
            for (int x = 0; x < frame->Width(); ++x)
                if (row[x] != t) ++uses[row[x] < table.Count() ? row[x] : 0];
        }
    }
    std::map<uint32_t, int64_t> byColour;
    for (int i = 0; i < table.Count(); ++i)
        if (uses[static_cast<size_t>(i)] > 0)
            byColour[ColourOf(table.Entry(i))] += uses[static_cast<size_t>(i)];
    // Counts scaled into 32 bits keep their proportions.
    int64_t total = 0;
    for (const auto& [colour, count] : byColour) total += count;
    const int64_t scale = std::max<int64_t>(1, total / INT32_MAX + 1);
    std::vector<TWeightedColor> histogram;
    for (const auto& [colour, count] : byColour)
        histogram.push_back({colour, static_cast<uint32_t>(std::max<int64_t>(1, count / scale))});
    return histogram;
}

// The histogram as a picture of one row (RGB, 3 bytes a pixel): each colour
// repeated in proportion to its count.
std::vector<uint8_t> SamplePixels(const std::vector<TWeightedColor>& histogram) {
    int64_t total = 0;
    for (const TWeightedColor& c : histogram) total += c.Count;
    std::vector<uint8_t> pixels;
    for (const TWeightedColor& c : histogram) {
        const int64_t repeat =
            std::max<int64_t>(1, int64_t{c.Count} * SamplePixelCount / std::max<int64_t>(1, total));
        for (int64_t i = 0; i < repeat; ++i) {
            pixels.push_back(static_cast<uint8_t>(c.Color >> 16));
            pixels.push_back(static_cast<uint8_t>(c.Color >> 8));
            pixels.push_back(static_cast<uint8_t>(c.Color));
        }
    }
    if (pixels.empty()) pixels.assign(3, 0);
    return pixels;
}

// The palette of at most colors entries that method gives the histogram.
TPalette ReducedPalette(const std::vector<TWeightedColor>& histogram, int colors, int method) {
    if (method == rmBest) return CreateBestPalette(histogram, colors);
    const std::vector<uint8_t> pixels = SamplePixels(histogram);
    const int width = static_cast<int>(pixels.size() / 3);
    const TRgbPixels sample{pixels.data(), width, 1, static_cast<int64_t>(pixels.size())};
    if (method == rmQuantize) return CreateOptimizedPalette(sample, colors, 8, false);
    std::unique_ptr<TColorLookup> lookup = CreateReductionLookup(method, sample, {}, 8);
    TPalette palette = lookup->Palette();
    if (static_cast<int>(palette.size()) <= colors) return palette;
    // A fixed palette keeps the entries the colours fall nearest to most.
    std::vector<int64_t> uses(palette.size(), 0);
    for (const TWeightedColor& c : histogram)
        uses[static_cast<size_t>(lookup->Lookup(static_cast<uint8_t>(c.Color >> 16),
                                                static_cast<uint8_t>(c.Color >> 8),
                                                static_cast<uint8_t>(c.Color)))] += c.Count;
    std::vector<size_t> order(palette.size());
    for (size_t i = 0; i < order.size(); ++i) order[i] = i;
    std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) { return uses[a] > uses[b]; });
    TPalette kept;
    for (int i = 0; i < colors; ++i) kept.push_back(palette[order[static_cast<size_t>(i)]]);
    return kept;
}

// Maps (and dithers) the frame's opaque pixels onto the lookup's palette;
// its transparent pixels take transparentIndex.
void MapFrame(TGIFSubImage& frame, TGIFColorMap& table, TColorLookup& lookup, int method, int ditherMode,
              int transparentIndex) {
    const int t = TransparentIndexOf(frame);
    std::array<TPaletteEntry, 256> colours{};
    for (size_t i = 0; i < colours.size(); ++i)
        colours[i] = table.Entry(static_cast<int>(i) < table.Count() ? static_cast<int>(i) : 0);
    auto ditherer = TDitherEngine::Create(ditherMode, frame.Width(), lookup);
    if (method == rmBest)
        if (auto* diffusion = dynamic_cast<TErrorDiffusionDitherer*>(ditherer.get()))
            diffusion->SetErrorScale(BestErrorScale);
    uint8_t* data = frame.Data();
    const int width = frame.Width();
    for (int y = 0; y < frame.Height(); ++y) {
        uint8_t* row = data + static_cast<int64_t>(y) * width;
        for (int i = 0; i < width; ++i) {
            const int x = ditherer->Column();
            if (row[x] == t) {
                row[x] = static_cast<uint8_t>(transparentIndex);
                ditherer->Skip();
                continue;
            }
            const TPaletteEntry& e = colours[row[x]];
            row[x] = static_cast<uint8_t>(ditherer->Dither(e.Red, e.Green, e.Blue));
        }
        ditherer->NextLine();
    }
    if (t >= 0) frame.GraphicControlExtension()->SetTransparentColorIndex(transparentIndex);
    frame.CompactUniformPixels();
    frame.FreeBitmap();
}

void ReduceTable(TGIFImage& image, TGIFColorMap& table, const std::vector<TGIFSubImage*>& frames, int colors,
                 int method, int ditherMode) {
    if (table.Count() <= colors || frames.empty()) return;
    const bool transparent = std::any_of(frames.begin(), frames.end(),
                                         [](TGIFSubImage* f) { return TransparentIndexOf(*f) >= 0; });
    // The transparent entry takes one of the places.
    const int opaque = std::max(1, colors - (transparent ? 1 : 0));
    const std::vector<TWeightedColor> histogram = HistogramOf(frames, table);
    TPalette palette = histogram.empty() ? TPalette{EntryOf(0)} : ReducedPalette(histogram, opaque, method);
    if (palette.empty()) palette.push_back(EntryOf(0));
    TSlowColorLookup lookup(palette);
    const int transparentIndex = static_cast<int>(palette.size());
    for (TGIFSubImage* frame : frames) MapFrame(*frame, table, lookup, method, ditherMode, transparentIndex);
    if (&table == &image.Header.ColorMap) {
        // The background index names the nearest colour that remains.
        const uint8_t background = image.Header.BackgroundColorIndex();
        const TPaletteEntry e = table.Entry(background < table.Count() ? background : 0);
        image.Header.SetBackgroundColorIndex(static_cast<uint8_t>(lookup.Lookup(e.Red, e.Green, e.Blue)));
    }
    table.Clear();
    for (const TPaletteEntry& e : palette) table.Add(RGBColor(e.Red, e.Green, e.Blue));
    if (transparent) table.Add(RGBColor(0, 0, 0));
    table.Changed();
}

} // namespace

void ReduceGIFTables(TGIFImage& image, int colors, int method, int ditherMode) {
    const bool knownMethod = (method >= rmWindows20 && method <= rmQuantizeWindows) || method == rmBest;
    if (colors < 2 || colors > 256 || !knownMethod || ditherMode < 0 || ditherMode > 6) return;
    image.StopPainters();
    std::vector<TGIFSubImage*> globalFrames;
    for (const auto& frame : image.Images) {
        if (frame->Empty()) continue;
        if (frame->ColorMap.Count() > 0)
            ReduceTable(image, frame->ColorMap, {frame.get()}, colors, method, ditherMode);
        else
            globalFrames.push_back(frame.get());
    }
    ReduceTable(image, image.Header.ColorMap, globalFrames, colors, method, ditherMode);
    image.Changed();
}
