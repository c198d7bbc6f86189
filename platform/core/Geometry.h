#pragma once
// Rectangles, points and colours in the toolkit's terms: a rectangle runs from
// Left/Top inclusive to Right/Bottom exclusive.

#include <algorithm>
#include <cstdint>
#include <vector>

struct TPoint {
    int X = 0;
    int Y = 0;
    bool operator==(const TPoint&) const = default;
};

struct TRect {
    int Left = 0;
    int Top = 0;
    int Right = 0;
    int Bottom = 0;

    static TRect FromSize(int left, int top, int width, int height) {
        return {left, top, left + width, top + height};
    }
    int Width() const { return Right - Left; }
    int Height() const { return Bottom - Top; }
    bool IsEmpty() const { return Right <= Left || Bottom <= Top; }
    TRect Intersect(const TRect& other) const {
        return {std::max(Left, other.Left), std::max(Top, other.Top), std::min(Right, other.Right),
                std::min(Bottom, other.Bottom)};
    }
    // The smallest rectangle holding both.
    TRect Unite(const TRect& other) const {
        return {std::min(Left, other.Left), std::min(Top, other.Top), std::max(Right, other.Right),
                std::max(Bottom, other.Bottom)};
    }
    bool operator==(const TRect&) const = default;
};

// A colour as the toolkit stores it: 0x00BBGGRR.
using TColor = uint32_t;

constexpr TColor RGBColor(uint8_t r, uint8_t g, uint8_t b) {
    return static_cast<TColor>(r) | (static_cast<TColor>(g) << 8) | (static_cast<TColor>(b) << 16);
}
constexpr uint8_t RedOf(TColor c) {
    return c & 0xFF;
}
constexpr uint8_t GreenOf(TColor c) {
    return (c >> 8) & 0xFF;
}
constexpr uint8_t BlueOf(TColor c) {
    return (c >> 16) & 0xFF;
}

constexpr TColor clBlack = RGBColor(0, 0, 0);
constexpr TColor clWhite = RGBColor(255, 255, 255);
constexpr TColor clYellow = RGBColor(255, 255, 0);
constexpr TColor clRed = RGBColor(255, 0, 0);
constexpr TColor clBlue = RGBColor(0, 0, 255);
constexpr TColor clNavy = RGBColor(0, 0, 128);

struct TPaletteEntry {
    uint8_t Red = 0;
    uint8_t Green = 0;
    uint8_t Blue = 0;
    // Platform palette flags; 4 keeps the entry from being merged with an
    // equal one of the system palette.
    uint8_t Flags = 0;
    bool operator==(const TPaletteEntry&) const = default;
};

// A palette is a value: a list of up to 256 colours.
using TPalette = std::vector<TPaletteEntry>;
