#pragma once
// Lossy optimisation: every frame's indices are chosen again by the lossy
// LZW encoder, so that a pixel may show a colour near the one it showed
// (or let the screen beneath show through) where that lengthens the
// compressor's strings. Run it after the lossless steps.
//
// A frame is chosen twice. The plain choice lets each pixel move within
// maxError and takes the longest strings; the squared error it makes is
// what the frame may spend. The second choice spends that error where it
// buys most bytes: a string may also start off its exact index, the error
// a pixel makes is half handed on along the string (so that a long run
// of errors in one direction stays within half the bound), and a string pays for its error
// against the pixels it covers. Its bound tightens until it spends no more
// than the plain choice; the smaller drawing is kept.
//
// Likeness is measured over time, and an error stays on screen as long as
// its pixel does: in an animation whose frames' pixels stay for clearly
// different times (a still background drawn once, a small part that
// changes every frame), the frames are also chosen at 0.6, 0.8 and 2 times
// the bound, and each frame then takes the bound that saves most bytes
// while the error over time, each pixel's error weighted by how long it
// stays, is no more than with every frame at maxError. That choice is kept
// only where it stores smaller and the screens as shown carry no more
// error over time; a frame shown briefly may then move its pixels up to
// twice maxError.

class TGIFImage;

// maxError: how far (Euclidean RGB distance, 0 to 255) a pixel's colour may
// move from what the animation showed there (twice as far in a frame shown
// briefly, see above). With 0 the pictures stay
// exactly the same: a pixel then takes any index that shows its colour
// (the transparent one where the screen beneath shows it), chosen so that
// strings grow longer. Pictures
// with undefined disposals, frames outside the logical screen or colour
// indices outside their table are left alone.
// Without spreadOverTime, every frame keeps within maxError.
void OptimizeGIFLossy(TGIFImage& image, int maxError, bool spreadOverTime = true);

// How many times maxError a pixel of a frame shown briefly may move when
// the loss is spread over time.
constexpr int LossyBriefReach = 2;

// The colour distance a pixel may move at a lossy level 0..200 as people
// know it from gifsicle: 3 sqrt(level), so that 20, 40 and 80 give about
// the PSNR they give there.
int LossyErrorOfLevel(int level);
