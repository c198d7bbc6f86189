#include "GIFComposer.h"

#include "GIFDrawFlags.h"
#include "GIFGraphicControlExtension.h"
#include "GIFImage.h"
#include "GIFRenderer.h"
#include "GIFSubImage.h"

namespace {

// The window colour of the platform, for pictures without a global table.
constexpr TColor WindowColour = clWhite;

QRgb ToRgb(TColor c) {
    return qRgb(RedOf(c), GreenOf(c), BlueOf(c));
}

QImage MakeBuffer(const TRect& rect, QRgb fill) {
    QImage buffer(std::max(1, rect.Width()), std::max(1, rect.Height()), QImage::Format_ARGB32_Premultiplied);
    buffer.fill(fill);
    return buffer;
}

} // namespace

TGIFComposer::TGIFComposer(TGIFImage& image, QImage& target, const TRect& rect, uint16_t drawFlags)
    : Image(image), Target(target), Rect(rect), Flags(drawFlags) {
    if (image.DrawBackgroundColor != clNoneColor)
        Ground = ToRgb(image.DrawBackgroundColor);
    else if (image.Header.ColorMap.Count() == 0)
        Ground = ToRgb(WindowColour);
    else
        Ground = ToRgb(image.BackgroundColor());

    bool restores = Flags & DrawClearOnLoop;
    bool restoresPrevious = false;
    for (const auto& frame : image.Images) {
        const TGIFGraphicControlExtension* control = frame->GraphicControlExtension();
        if (!control) continue;
        restores = restores || control->Disposal() == TGIFDisposal::RestoreBackground;
        restoresPrevious = restoresPrevious || control->Disposal() == TGIFDisposal::RestorePrevious;
    }
    const QRect area(Rect.Left, Rect.Top, Rect.Width(), Rect.Height());
    if (restores && (Flags & DrawTransparent)) Background = target.copy(area);
    if (restores || restoresPrevious) {
        Backup = MakeBuffer(Rect, Ground);
        CopyGIFImage(Backup, 0, 0, target.copy(area));
        FrameBuffer = MakeBuffer(Rect, Ground);
    }
}

void TGIFComposer::DrawFrame(int index, int disposal, int previousDisposal) {
    TGIFSubImage& frame = Image.Images[index];
    const bool tiled = Flags & DrawTiled;
    const bool transparent = Flags & DrawTransparent;
    if (Backup.isNull()) {
        DrawGIFFrame(Target, Rect, frame, tiled, transparent);
        return;
    }
    const TRect local{0, 0, Rect.Width(), Rect.Height()};
    const bool previousKept = previousDisposal <= 1;
    const bool previousRestored = previousDisposal == 2 || previousDisposal == 3;
    if (disposal > 3 || previousDisposal > 3) return;
    if ((Flags & DrawClearOnLoop) && index == 0) RestoreToBackground(frame);
    if (disposal == 3 && previousKept) {
        // Straight onto the target: the backup keeps the picture without it.
        DrawGIFFrame(Target, Rect, frame, tiled, transparent);
        return;
    }
    QImage* place = &Backup;
    if (disposal == 3 && previousRestored) {
        CopyGIFImage(FrameBuffer, 0, 0, Backup);
        place = &FrameBuffer;
    }
    DrawGIFFrame(*place, local, frame, tiled, transparent);
    CopyGIFImage(Target, Rect.Left, Rect.Top, *place);
    if (disposal == 2) RestoreToBackground(frame);
}

void TGIFComposer::RestoreToBackground(TGIFSubImage& frame) {
    const TRect local{0, 0, Rect.Width(), Rect.Height()};
    const bool tiled = Flags & DrawTiled;
    for (const TRect& area : GIFFrameAreas(local, frame, tiled)) {
        if ((Flags & DrawTransparent) && !Background.isNull())
            CopyGIFArea(Backup, Background, area);
        else
            FillGIFArea(Backup, area, Ground);
    }
}
