#pragma once
// The octree quantiser: colours are added one pixel at a time to a tree of
// depth ColorBits; whenever it holds more leaves than wanted, the most
// recently made node of the deepest level that still has inner nodes merges
// its children into itself. The leaves' average colours are the palette.

#include "GIFPaletteChoice.h"
#include "Geometry.h"

#include <cstdint>
#include <vector>

struct TOctreeNode {
    bool Leaf = false;
    uint32_t PixelCount = 0;
    // 64-bit, so that pictures of more than 16 million pixels of one colour
    // cannot overflow.
    uint64_t RedSum = 0;
    uint64_t GreenSum = 0;
    uint64_t BlueSum = 0;
    int32_t NextReducible = -1; // in its level's list of reducible nodes
    int32_t Children[8] = {-1, -1, -1, -1, -1, -1, -1, -1};
};

class TColorQuantizer {
public:
    // maxColors is at least 1; colorBits (the tree depth) is 1..8.
    TColorQuantizer(int maxColors, int colorBits);

    void AddColor(uint8_t red, uint8_t green, uint8_t blue);
    // Adds count pixels of 3 bytes, red first.
    void AddPixels(const uint8_t* rgb, int count);

    int LeafCount() const { return Leaves; }
    int MaxColors() const { return MaximumColors; }
    int ColorBits() const { return Depth; }
    // The leaves depth first, children in index order: each the average
    // colour of its pixels (black for a leaf without pixels).
    TPalette Palette() const;
    // The reducible nodes of a level, the most recently made first, as
    // (red, green, blue) of the path that leads to them; for tests.
    std::vector<TPaletteEntry> ReducibleNodes(int level) const;

private:
    int32_t NewNode(int level, uint8_t red, uint8_t green, uint8_t blue);
    void FreeNode(int32_t node);
    // Merges one node; false when there is none left to merge.
    bool Reduce();
    void Walk(int32_t node, TPalette& palette) const;

    int MaximumColors;
    int Depth;
    int Leaves = 0;
    int32_t Root = -1;
    std::vector<TOctreeNode> Nodes;
    std::vector<int32_t> FreeNodes;
    std::vector<int32_t> Reducible; // list head per level
    // The path colour of each node (its top bits), for ReducibleNodes.
    std::vector<TPaletteEntry> NodeColors;
    // The leaf of the last colour added, while no reduction has happened.
    int32_t LastLeaf = -1;
    uint32_t LastColor = 0;
};

// The palette of methods 7 and 8: the octree quantiser with colors colours
// (236 with static colours) of colorBits depth over the picture's pixels;
// the palette has colors entries (256 with static colours, the first ten at
// 0-9 and the last ten at 246-255), its own colours from entry 0 (10 with
// static colours) on, black where the quantiser found none.
TPalette CreateOptimizedPalette(const TRgbPixels& picture, int colors, int colorBits, bool staticColors,
                                const TTransparencyMask* mask = nullptr);
