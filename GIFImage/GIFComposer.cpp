#include "GIFComposer.h"

#include "GIFDrawFlags.h"
#include "GIFImage.h"
#include "GIFRenderer.h"
#include "GIFSubImage.h"

namespace {

QImage MakeBuffer(const TRect& rect, QRgb fill) {
    QImage buffer(std::max(1, rect.Width()), std::max(1, rect.Height()), QImage::Format_ARGB32_Premultiplied);
    buffer.fill(fill);
    return buffer;
}

QImage TargetPart(const TCanvas& target, const TRect& rect) {
    const QImage* image = target.Image();
    if (!image) return {};
    return image->copy(QRect(rect.Left, rect.Top, rect.Width(), rect.Height()))
        .convertToFormat(QImage::Format_ARGB32_Premultiplied);
}

} // namespace

TGIFComposer::TGIFComposer(TGIFImage& image, TCanvas& target, const TRect& rect, uint16_t drawFlags,
                           bool restores, bool restoresPrevious, TColor ground)
    : Image(image), Target(target), Rect(rect), Flags(drawFlags),
      Ground(qRgb(RedOf(ground), GreenOf(ground), BlueOf(ground))) {
    if (restores && (Flags & DrawTransparent)) Background = TargetPart(target, rect);
    if (restores || restoresPrevious) {
        Backup = MakeBuffer(Rect, Ground);
        CopyGIFImage(Backup, 0, 0, TargetPart(target, rect));
        FrameBuffer = MakeBuffer(Rect, Ground);
        BackupCanvas = std::make_unique<TCanvas>(&Backup);
        FrameBufferCanvas = std::make_unique<TCanvas>(&FrameBuffer);
    }
}

void TGIFComposer::DrawFrame(int index, int disposal, int previousDisposal) {
    TGIFSubImage& frame = Image.Images[index];
    const bool tiled = Flags & DrawTiled;
    const bool transparent = Flags & DrawTransparent;
    if (Backup.isNull()) {
        frame.Draw(Target, Rect, tiled, transparent);
        return;
    }
    if (disposal > 3 || previousDisposal > 3) return;
    const TRect local{0, 0, Rect.Width(), Rect.Height()};
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
    frame.Draw(*canvas, local, tiled, transparent);
    if (QImage* target = Target.Image()) CopyGIFImage(*target, Rect.Left, Rect.Top, *place);
    if (disposal == 2) RestoreToBackground(frame);
}

void TGIFComposer::RestoreToBackground(TGIFSubImage& frame) {
    const TRect local{0, 0, Rect.Width(), Rect.Height()};
    const bool tiled = Flags & DrawTiled;
    const int screenWidth = Image.Width();
    const int screenHeight = Image.Height();
    auto eachCell = [&](auto&& restore) {
        for (int y = 0; y < local.Bottom; y += screenHeight)
            for (int x = 0; x < local.Right; x += screenWidth)
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
