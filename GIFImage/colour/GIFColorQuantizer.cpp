#include "GIFColorQuantizer.h"

#include "GIFPalettes.h"

#include <algorithm>

TColorQuantizer::TColorQuantizer(int maxColors, int colorBits)
    : MaximumColors(std::max(1, maxColors)), Depth(std::clamp(colorBits, 1, 8)),
      Reducible(static_cast<size_t>(Depth), -1) {}

int32_t TColorQuantizer::NewNode(int level, uint8_t red, uint8_t green, uint8_t blue) {
    int32_t node;
    if (!FreeNodes.empty()) {
        node = FreeNodes.back();
        FreeNodes.pop_back();
        Nodes[static_cast<size_t>(node)] = TOctreeNode{};
    } else {
        node = static_cast<int32_t>(Nodes.size());
        Nodes.emplace_back();
        NodeColors.emplace_back();
    }
    // The path's top bits, kept to name the node in tests.
    const uint8_t mask = static_cast<uint8_t>(0xFF00 >> level);
    NodeColors[static_cast<size_t>(node)] = {uint8_t(red & mask), uint8_t(green & mask),
                                             uint8_t(blue & mask)};
    TOctreeNode& n = Nodes[static_cast<size_t>(node)];
    if (level == Depth) {
        n.Leaf = true;
        ++Leaves;
    } else {
        n.NextReducible = Reducible[static_cast<size_t>(level)];
        Reducible[static_cast<size_t>(level)] = node;
    }
    return node;
}

void TColorQuantizer::FreeNode(int32_t node) {
    FreeNodes.push_back(node);
}

void TColorQuantizer::AddColor(uint8_t red, uint8_t green, uint8_t blue) {
    const uint32_t color = (uint32_t{red} << 16) | (uint32_t{green} << 8) | blue;
    int32_t node = -1;
    if (LastLeaf >= 0 && color == LastColor) {
        node = LastLeaf;
    } else {
        if (Root < 0) Root = NewNode(0, red, green, blue);
        node = Root;
        for (int level = 0; !Nodes[static_cast<size_t>(node)].Leaf; ++level) {
            const int shift = 7 - level;
            const int index =
                (((red >> shift) & 1) << 2) | (((green >> shift) & 1) << 1) | ((blue >> shift) & 1);
            int32_t child = Nodes[static_cast<size_t>(node)].Children[index];
            if (child < 0) {
                child = NewNode(level + 1, red, green, blue);
                Nodes[static_cast<size_t>(node)].Children[index] = child;
            }
            node = child;
        }
        LastLeaf = node;
        LastColor = color;
    }
    TOctreeNode& leaf = Nodes[static_cast<size_t>(node)];
    ++leaf.PixelCount;
    leaf.RedSum += red;
    leaf.GreenSum += green;
    leaf.BlueSum += blue;
    while (Leaves > MaximumColors)
        if (!Reduce()) break; // nothing left to merge
}

void TColorQuantizer::AddPixels(const uint8_t* rgb, int count) {
    for (int i = 0; i < count; ++i, rgb += 3) AddColor(rgb[0], rgb[1], rgb[2]);
}

bool TColorQuantizer::Reduce() {
    int level = Depth - 1;
    while (level > 0 && Reducible[static_cast<size_t>(level)] < 0) --level;
    const int32_t node = Reducible[static_cast<size_t>(level)];
    if (node < 0) return false;
    TOctreeNode& n = Nodes[static_cast<size_t>(node)];
    Reducible[static_cast<size_t>(level)] = n.NextReducible;
    n.NextReducible = -1;
    int children = 0;
    for (int32_t& child : n.Children) {
        if (child < 0) continue;
        const TOctreeNode& c = Nodes[static_cast<size_t>(child)];
        n.PixelCount += c.PixelCount;
        n.RedSum += c.RedSum;
        n.GreenSum += c.GreenSum;
        n.BlueSum += c.BlueSum;
        FreeNode(child);
        child = -1;
        ++children;
    }
    n.Leaf = true;
    Leaves -= children - 1;
    LastLeaf = -1;
    return true;
}

void TColorQuantizer::Walk(int32_t node, TPalette& palette) const {
    const TOctreeNode& n = Nodes[static_cast<size_t>(node)];
    if (n.Leaf) {
        if (n.PixelCount == 0)
            palette.push_back({0, 0, 0});
        else
            palette.push_back({uint8_t(n.RedSum / n.PixelCount), uint8_t(n.GreenSum / n.PixelCount),
                               uint8_t(n.BlueSum / n.PixelCount)});
        return;
    }
    for (int32_t child : n.Children)
        if (child >= 0) Walk(child, palette);
}

TPalette TColorQuantizer::Palette() const {
    TPalette palette;
    if (Root >= 0) Walk(Root, palette);
    return palette;
}

std::vector<TPaletteEntry> TColorQuantizer::ReducibleNodes(int level) const {
    std::vector<TPaletteEntry> nodes;
    if (level < 0 || level >= Depth) return nodes;
    for (int32_t n = Reducible[static_cast<size_t>(level)]; n >= 0;
         n = Nodes[static_cast<size_t>(n)].NextReducible)
        nodes.push_back(NodeColors[static_cast<size_t>(n)]);
    return nodes;
}

TPalette CreateOptimizedPalette(const TRgbPixels& rgb, int colors, int colorBits, bool staticColors,
                                const TTransparencyMask* mask) {
    const int entries = staticColors ? 256 : std::clamp(colors, 1, 256);
    const int wanted = staticColors ? 256 - StaticColorCount : entries;
    TColorQuantizer quantizer(wanted, colorBits);
    for (int y = 0; y < rgb.Height; ++y) {
        const uint8_t* row = rgb.Row(y);
        if (!mask) {
            quantizer.AddPixels(row, rgb.Width);
            continue;
        }
        const int64_t base = int64_t{y} * rgb.Width;
        for (int x = 0; x < rgb.Width; ++x)
            if (!IsMasked(mask, base + x)) quantizer.AddColor(row[3 * x], row[3 * x + 1], row[3 * x + 2]);
    }
    TPalette palette(static_cast<size_t>(entries), TPaletteEntry{0, 0, 0});
    const TPalette found = quantizer.Palette();
    const size_t first = staticColors ? 10 : 0;
    for (size_t i = 0; i < found.size() && first + i < static_cast<size_t>(first + wanted); ++i)
        palette[first + i] = found[i];
    if (staticColors) {
        const TPalette& statics = StaticColors();
        std::copy(statics.begin(), statics.begin() + 10, palette.begin());
        std::copy(statics.begin() + 10, statics.end(), palette.begin() + 246);
    }
    return palette;
}
