#pragma once
// Process-wide defaults copied into each new image, and the switches that
// apply to every image.

#include "GIFTypes.h"

#include <cstdint>

inline constexpr uint16_t GIFDrawFlagsDefault = 0x060F;

inline uint16_t DefaultDrawFlags = GIFDrawFlagsDefault;
inline uint8_t DefaultColorReduction = 6;
inline uint32_t DefaultReductionBits = 8;
inline uint8_t DefaultDitherMode = 0;
inline TGIFCompression DefaultCompression = TGIFCompression::LZW;
inline TGIFThreadPriority DefaultThreadPriority = TGIFThreadPriority::Normal;
inline int32_t DefaultAnimationSpeed = 100;

// Each frame builds its bitmap as soon as its pixels are decoded, and loading
// asks for a redraw after each frame.
inline bool RenderOnLoad = false;
// Writing into a window description optimises the picture first.
inline bool OptimizeOnWrite = false;
// The screen shows 8 bits per pixel or fewer: frames are dithered by default.
inline bool PalettedDisplay = false;
