#pragma once
// The drawing part of a painter: puts frames onto the target canvas one after
// the other, disposing of each as its graphic control asks: leave it, restore
// its area to the background, or restore it to what was there before. Runs
// on the thread that owns the target.

#include "Canvas.h"
#include "Geometry.h"

#include <QImage>
#include <cstdint>
#include <memory>

class TGIFImage;
class TGIFSubImage;

class TGIFComposer {
public:
    // Takes what the target shows in rect as the ground under the picture.
    // restores and restoresPrevious tell whether some frame is disposed of
    // by method 2 (or DrawClearOnLoop is set) and 3; ground is the
    // background colour. The buffers cover only the part of rect that the
    // frames reach on the target, so a huge logical screen with small
    // frames costs what the frames cost.
    TGIFComposer(TGIFImage& image, TCanvas& target, const TRect& rect, uint16_t drawFlags, bool restores,
                 bool restoresPrevious, TColor ground);

    // Draws frame index, whose disposal is disposal, after a frame whose
    // disposal was previousDisposal. Undefined disposals (4-7) draw nothing.
    void DrawFrame(int index, int disposal, int previousDisposal);

    QRgb BackgroundColour() const { return Ground; }
    bool HasBackup() const { return !Backup.isNull(); }

private:
    void RestoreToBackground(TGIFSubImage& frame);

    TGIFImage& Image;
    TCanvas& Target;
    TRect Rect;
    uint16_t Flags;
    // Some frame restores, so frames are drawn through the buffers.
    bool Buffered;
    // The part of Rect that frames reach, within the target's pixels;
    // Rect placed relative to it.
    TRect Area;
    TRect LocalRect;
    QRgb Ground;
    // The picture as shown, over the ground; exists when some frame restores.
    QImage Backup;
    // Scratch copy of Backup for frames restored to what was before.
    QImage FrameBuffer;
    // The target before the first frame, for transparent restoring.
    QImage Background;
    std::unique_ptr<TCanvas> BackupCanvas;
    std::unique_ptr<TCanvas> FrameBufferCanvas;
};
