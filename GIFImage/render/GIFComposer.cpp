#include "GIFComposer.h"

#include "GIFDrawFlags.h"
#include "GIFImage.h"
#include "GIFRenderer.h"
#include "GIFSubImage.h"

#include <algorithm>
#include <new>

namespace {

QImage MakeBuffer(const TRect& rect, QRgb fill) {
    QImage buffer(std::max(1, rect.Width()), std::max(1, rect.Height()), QImage::Format_ARGB32_Premultiplied);
    // Qt answers memory it cannot have with a null image.
    if (buffer.isNull()) throw std::bad_alloc();
    buffer.fill(fill);
    return buffer;
}

QImage TargetPart(const TCanvas& target, const TRect& rect) {
    const QImage* image = target.Image();
    if (!image || image->isNull()) return {};
    QImage part = image->copy(QRect(rect.Left, rect.Top, rect.Width(), rect.Height()))
                      .convertToFormat(QImage::Format_ARGB32_Premultiplied);
    if (part.isNull() && !rect.IsEmpty()) throw std::bad_alloc();
    return part;
}

// The part of rect that the image's frames can reach on target: nothing
// outside the target's pixels, nothing outside the frames' union (scaled
// into rect, or from its first tile cell on when tiled).
TRect ReachedArea(const TGIFImage& image, const TCanvas& target, const TRect& rect, bool tiled) {
    const QImage* pixels = target.Image();
    if (!pixels || pixels->isNull()) return {};
    const TRect bounds = image.FramesBounds();
    if (bounds.IsEmpty()) return {};
    const TRect reach = tiled ? TRect{rect.Left + bounds.Left, rect.Top + bounds.Top, rect.Right, rect.Bottom}
                              : ScaleScreenArea(bounds, image.Width(), image.Height(), rect);
    const TRect area = reach.Intersect(rect).Intersect({0, 0, pixels->width(), pixels->height()});
    return area.IsEmpty() ? TRect{} : area;
}

} // namespace

TGIFComposer::TGIFComposer(TGIFImage& image, TCanvas& target, const TRect& rect, uint16_t drawFlags,
                           bool restores, bool restoresPrevious, TColor ground)
    : Image(image), Target(target), Rect(rect), Flags(drawFlags), Buffered(restores || restoresPrevious),
      Ground(qRgb(RedOf(ground), GreenOf(ground), BlueOf(ground))) {
    if (!Buffered) return;
    Area = ReachedArea(image, target, rect, Flags & DrawTiled);
    if (Area.IsEmpty()) return;
    LocalRect = {rect.Left - Area.Left, rect.Top - Area.Top, rect.Right - Area.Left, rect.Bottom - Area.Top};
    if (restores && (Flags & DrawTransparent)) Background = TargetPart(target, Area);
    Backup = MakeBuffer(Area, Ground);
    CopyGIFImage(Backup, 0, 0, TargetPart(target, Area));
    FrameBuffer = MakeBuffer(Area, Ground);
    BackupCanvas = std::make_unique<TCanvas>(&Backup);
    FrameBufferCanvas = std::make_unique<TCanvas>(&FrameBuffer);
}

void TGIFComposer::DrawFrame(int index, int disposal, int previousDisposal) {
    TGIFSubImage& frame = Image.Images[index];
    const bool tiled = Flags & DrawTiled;
    const bool transparent = Flags & DrawTransparent;
    if (!Buffered) {
        frame.Draw(Target, Rect, tiled, transparent);
        return;
    }
    // No frame reaches the target's pixels.
    if (Backup.isNull()) return;
    if (disposal > 3 || previousDisposal > 3) return;
    if ((Flags & DrawClearOnLoop) && index == 0) RestoreToBackground(frame);
    if (disposal == 3 && previousDisposal <= 1) {
        // Straight onto the target: the backup keeps the picture without it.
        frame.Draw(Target, Rect, tiled, transparent);
        return;
    }
    QImage* place = &Backup;
    TCanvas* canvas = BackupCanvas.get();
    if (disposal == 3) {
        CopyGIFImage(FrameBuffer, 0, 0, Backup);
        place = &FrameBuffer;
        canvas = FrameBufferCanvas.get();
    }
    frame.Draw(*canvas, LocalRect, tiled, transparent);
    if (QImage* target = Target.Image()) CopyGIFImage(*target, Area.Left, Area.Top, *place);
    if (disposal == 2) RestoreToBackground(frame);
}

void TGIFComposer::RestoreToBackground(TGIFSubImage& frame) {
    const TRect& local = LocalRect;
    const bool tiled = Flags & DrawTiled;
    const int screenWidth = Image.Width();
    const int screenHeight = Image.Height();
    // Cells of the logical screen from the rectangle's corner, only those
    // that can touch the buffer.
    auto eachCell = [&](auto&& restore) {
        const int skipY = std::max(0, -(local.Top + frame.Top() + frame.Height())) / screenHeight;
        const int skipX = std::max(0, -(local.Left + frame.Left() + frame.Width())) / screenWidth;
        const int bottom = std::min(local.Bottom, Backup.height());
        const int right = std::min(local.Right, Backup.width());
        for (int y = local.Top + skipY * screenHeight; y < bottom; y += screenHeight)
            for (int x = local.Left + skipX * screenWidth; x < right; x += screenWidth)
                restore(TRect::FromSize(x + frame.Left(), y + frame.Top(), frame.Width(), frame.Height()));
    };
    const bool cells = tiled && screenWidth > 0 && screenHeight > 0;
    if ((Flags & DrawTransparent) && !Background.isNull()) {
        if (cells)
            eachCell([&](const TRect& area) { CopyGIFArea(Backup, Background, area); });
        else
            CopyGIFArea(Backup, Background, frame.ScaleRect(local));
        return;
    }
    if (cells && frame.Width() < screenWidth && frame.Height() < screenHeight)
        eachCell([&](const TRect& area) { FillGIFArea(Backup, area, Ground); });
    else
        FillGIFArea(Backup, frame.ScaleRect(local), Ground);
}
