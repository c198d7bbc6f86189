#pragma once
// Frames that draw nothing and whose going changes nothing: a pause at the
// start or end of an animation whose frames restore to the background, say,
// is stored as a row of such frames, one clear pixel each. Each is merged
// into the frame before it, which then stays on screen for both their times.

class TGIFImage;

// Drops every frame (but the first) that draws no pixel, carries no other
// extension and waits for no input, where the frame before it leaves the
// screen as it showed it and the frame itself leaves it as it found it (in
// the first pass and in every later one); the frame before takes its time.
// Pictures that cannot be followed pixel by pixel (see CanFollow) are left
// alone. Returns the number of frames dropped.
int DropEmptyFrames(TGIFImage& image);
