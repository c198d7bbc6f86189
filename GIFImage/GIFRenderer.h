#pragma once
// Puts frames onto 32-bit images: each frame in its place within the logical
// screen scaled into a rectangle (or tiled at natural size), with or without
// its transparency.

#include "Geometry.h"

#include <QImage>
#include <vector>

class TGIFSubImage;

// Draws frame into rect of target. Transparent pixels keep what is under
// them when transparent is set; otherwise the frame replaces its area.
void DrawGIFFrame(QImage& target, const TRect& rect, TGIFSubImage& frame, bool tiled, bool transparent);

// Where the frame lands within rect: its scaled rectangle, or with tiled its
// natural-size rectangle in every cell of the logical screen size.
std::vector<TRect> GIFFrameAreas(const TRect& rect, TGIFSubImage& frame, bool tiled);

// Copies source into target with its top-left corner at (x, y), replacing
// what was there.
void CopyGIFImage(QImage& target, int x, int y, const QImage& source);
// Fills area of target with colour, replacing what was there.
void FillGIFArea(QImage& target, const TRect& area, QRgb colour);
// Copies area of source into the same area of target.
void CopyGIFArea(QImage& target, const QImage& source, const TRect& area);
