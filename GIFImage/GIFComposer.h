#pragma once
// Composes the frames of an animation onto a target image, one after the
// other, disposing of each frame as its graphic control extension asks:
// leave it, restore its area to the background, or restore it to what was
// there before. Runs on the thread that owns the target.

#include "Geometry.h"

#include <QImage>
#include <cstdint>

class TGIFImage;
class TGIFSubImage;

class TGIFComposer {
public:
    // Takes what the target shows in rect as the ground under the picture.
    // target must outlive the composer.
    TGIFComposer(TGIFImage& image, QImage& target, const TRect& rect, uint16_t drawFlags);

    // Draws frame index, whose disposal is disposal, after a frame whose
    // disposal was previousDisposal. Undefined disposals (4-7) draw nothing.
    void DrawFrame(int index, int disposal, int previousDisposal);

    // The colour that restoring to the background fills with.
    QRgb BackgroundColour() const { return Ground; }

private:
    void RestoreToBackground(TGIFSubImage& frame);

    TGIFImage& Image;
    QImage& Target;
    TRect Rect;
    uint16_t Flags;
    QRgb Ground;
    // The picture as shown, over the ground; exists when some frame restores.
    QImage Backup;
    // Scratch copy of Backup for frames restored to what was before.
    QImage FrameBuffer;
    // The target before the first frame, for transparent restoring.
    QImage Background;
};
