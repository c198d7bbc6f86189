#pragma once
// Plain block copies and fills on 32-bit images, replacing what was there
// (alpha included): what the painter's buffers are kept with.

#include "Geometry.h"

#include <QImage>

// Copies source into target with its top-left corner at (x, y).
void CopyGIFImage(QImage& target, int x, int y, const QImage& source);
// Fills area of target with colour.
void FillGIFArea(QImage& target, const TRect& area, QRgb colour);
// Copies area of source into the same area of target.
void CopyGIFArea(QImage& target, const QImage& source, const TRect& area);
// Where area of a logical screen of the given size lands when the screen is
// stretched into rect (each edge scaled with rounding); rect itself for a
// screen without area.
TRect ScaleScreenArea(const TRect& area, int screenWidth, int screenHeight, const TRect& rect);
