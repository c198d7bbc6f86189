#pragma once
// Lossy optimisation: every frame's indices are chosen again by the lossy
// LZW encoder, so that a pixel may show a colour near the one it showed
// (or let the screen beneath show through) where that lengthens the
// compressor's strings. Run it after the lossless steps.

class TGIFImage;

// maxError: how far (Euclidean RGB distance, 0 to 255) a pixel's colour may
// move from what the animation showed there; 0 changes nothing. Pictures
// with undefined disposals, frames outside the logical screen or colour
// indices outside their table are left alone.
void OptimizeGIFLossy(TGIFImage& image, int maxError);
