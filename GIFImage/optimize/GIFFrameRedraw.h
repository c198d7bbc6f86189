#pragma once
// The redraw of the smallest optimisation: every frame drawn again with
// only the pixels it must draw, the rest in whichever form (transparent,
// the colours the screen shows, or the fewest runs) stores smallest, and a
// frame restored after it is shown where the next frame then stores
// smaller.

class TGIFImage;

// Redraws every frame against the screen before it, having first restored
// it where its next frame then stores smaller drawn over what showed before
// it (see TryRestoring; only a frame with frames before and after it, as
// decoders disagree on what shows before the first). A redrawn frame leaves
// the screen as the frame did, and so does a restored one with the frame
// after it: the screens follow the frames as they are restored, while the
// frames already followed are redrawn side by side, each against copies of
// the screens under its own rectangle.
void RedrawFrames(TGIFImage& image);
