#pragma once
// Rewrites the frames of a picture so that it stores less and looks the same
// when animated: sorted and trimmed colour tables, no needless transparency,
// disposal or extensions, pixels that repeat the frame underneath made
// transparent, transparent borders cropped away.

#include <cstdint>
#include <optional>

class TGIFImage;
class TGIFSubImage;

using TGIFOptimizeOptions = uint8_t;
inline constexpr TGIFOptimizeOptions OptimizeCrop = 0x01;
inline constexpr TGIFOptimizeOptions OptimizeMerge = 0x02;
inline constexpr TGIFOptimizeOptions OptimizeCleanup = 0x04;
inline constexpr TGIFOptimizeOptions OptimizeColorMap = 0x08;
inline constexpr TGIFOptimizeOptions OptimizeReduceColors = 0x10;
inline constexpr TGIFOptimizeOptions OptimizeAll = 0x1F;

// Optimises image in place with the given options, reporting progress with
// "Optimizing...". Colour reduction is never carried out; reduction method 9
// (a caller's palette) with OptimizeReduceColors and without OptimizeCleanup
// fails with "Invalid reduction method" once the frames are merged and
// cropped. A failure keeps the changes made so far.
void OptimizeGIF(TGIFImage& image, TGIFOptimizeOptions options, uint8_t reductionMethod = 0,
                 uint32_t reductionBits = 8, uint8_t ditherMode = 0);

// Makes the pixels of self transparent that show the same colour as the
// opaque pixels of previous, the frame underneath. Nothing changes when
// previous restores its area afterwards, when the rectangles do not meet, or
// when self has no transparency and its table no room for one more entry.
// A frame without transparency takes the transparent index of sharing, the
// first other frame of the image that has one and no table of its own,
// where that serves; when not given, it is looked for.
void MergeGIFFrame(TGIFSubImage& self, TGIFSubImage* previous,
                   std::optional<const TGIFSubImage*> sharing = std::nullopt);

// Cuts the transparent borders off a non-empty transparent frame; a frame
// that holds only transparent pixels becomes empty. Returns whether the
// frame changed.
bool CropGIFFrame(TGIFSubImage& frame);

// The transparent index that merging gives a frame without transparency: an
// index that none of its pixels uses, taken from another transparent frame
// of the global table, from an unused entry, or by adding black to its
// active table ("Color table overflow" when that is full).
int TransparentIndexForMerging(TGIFSubImage& self);

// The frame's active table can take one more colour: its own table has 1 to
// 255 entries, or it has none and the global table has 1 to 255.
bool CanAddColor(TGIFSubImage& self);
