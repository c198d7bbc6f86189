// The image's side of rendering: the composed bitmap and the draw operation
// that the picture framework calls.

#include "Bitmap.h"
#include "Canvas.h"
#include "Exceptions.h"
#include "GIFDrawFlags.h"
#include "GIFException.h"
#include "GIFImage.h"
#include "GIFLimits.h"
#include "GIFMessages.h"
#include "GIFPainter.h"
#include "GIFRenderer.h"
#include "GIFSettings.h"
#include "Synchronize.h"

#include <QPainter>

#include <thread>

const QImage* TGIFImage::ComposedBitmap() {
    if (Images.Count() == 0) return nullptr;
    if (Composed) return Composed.get();
    TGIFSubImage& first = Images[0];
    const TRect bounds = FramesBounds();
    if (!bounds.IsEmpty() &&
        TRect::FromSize(first.Left(), first.Top(), first.Width(), first.Height()) == bounds) {
        if (const TBitmap* bitmap = first.Bitmap()) {
            Composed = std::make_shared<QImage>(bitmap->Image());
            ComposedArea = bounds;
            ComposedPalette = first.Palette();
            ComposedCanvas = std::make_shared<TCanvas>(Composed.get());
            return Composed.get();
        }
    }
    NewComposedBitmap();
    first.Draw(
        *ComposedCanvas,
        {-ComposedArea.Left, -ComposedArea.Top, Width() - ComposedArea.Left, Height() - ComposedArea.Top},
        false, false);
    return Composed.get();
}

void TGIFImage::NewComposedBitmap() {
    // The ground of a new bitmap is clear, so that a picture drawn onto it
    // shows what lies under the parts no frame covers. Without a frame on
    // the screen it is one clear pixel that is never shown.
    const TRect bounds = FramesBounds();
    ComposedArea = bounds.IsEmpty() ? TRect{} : bounds;
    auto composed =
        std::make_shared<QImage>(std::max(1, ComposedArea.Width()), std::max(1, ComposedArea.Height()),
                                 QImage::Format_ARGB32_Premultiplied);
    if (composed->isNull()) throw EOutOfMemory("Not enough memory for the composed bitmap");
    composed->fill(Qt::transparent);
    ComposedPalette = ImagePalette();
    Composed = std::move(composed);
    ComposedCanvas = std::make_shared<TCanvas>(Composed.get());
}

TRect TGIFImage::ComposedPlace(const TRect& rect, bool tiled) const {
    if (ComposedArea.IsEmpty()) return {};
    if (tiled)
        return TRect::FromSize(rect.Left + ComposedArea.Left, rect.Top + ComposedArea.Top,
                               ComposedArea.Width(), ComposedArea.Height());
    return ScaleScreenArea(ComposedArea, Width(), Height(), rect);
}

QImage TGIFImage::ScreenPicture() {
    const QImage* composed = ComposedBitmap();
    if (!composed) return {};
    if (ComposedArea == TRect{0, 0, Width(), Height()}) return *composed;
    if (int64_t{Width()} * Height() > MaxScreenPicturePixels) throw GIFException(GIFMessages::ScreenTooLarge);
    QImage picture(std::max(1, Width()), std::max(1, Height()), QImage::Format_ARGB32_Premultiplied);
    if (picture.isNull()) throw EOutOfMemory("Not enough memory for the logical screen");
    picture.fill(Qt::transparent);
    if (!ComposedArea.IsEmpty()) CopyGIFImage(picture, ComposedArea.Left, ComposedArea.Top, *composed);
    return picture;
}

void TGIFImage::FreeComposedBitmap() {
    StopFramePainter();
}

void TGIFImage::DropComposedBitmap() {
    ComposedCanvas.reset();
    Composed.reset();
    ComposedArea = {};
    ComposedPalette.clear();
}

void TGIFImage::AssignTo(TBitmap& bitmap) {
    const QImage picture = ScreenPicture();
    if (!picture.isNull()) bitmap.Assign(picture);
}

void TGIFImage::Draw(TCanvas& canvas, const TRect& rect) {
    if (Drawing || Images.Count() == 0) return;
    Drawing = true;
    struct Release {
        bool& Flag;
        ~Release() { Flag = false; }
    } release{Drawing};

    const bool tiled = DrawOptions & DrawTiled;
    if (Images.Count() == 1 || !(DrawOptions & DrawAnimate)) {
        const int index = DrawFrameIndex >= 0 && DrawFrameIndex < Images.Count() ? DrawFrameIndex : 0;
        Images[index].Draw(canvas, rect, tiled, DrawOptions & DrawTransparent);
        return;
    }
    const bool direct = DrawOptions & DrawDirect;
    if (!Composed || direct) {
        TGIFPainter* started = nullptr;
        {
            std::unique_lock guard(PainterLock);
            if (Painter && &Painter->Canvas() == &canvas && Painter->Rect() == rect) return;
            guard.unlock();
            StopFramePainter();
            if (rect.IsEmpty()) return;
            TCanvas* target = &canvas;
            TRect targetRect = rect;
            if (!direct) {
                NewComposedBitmap();
                // What lies under the picture shows through its transparent parts.
                const TRect place = ComposedPlace(rect, tiled);
                const QImage* ground = canvas.Image();
                if (ground && !place.IsEmpty()) {
                    QPainter painter(Composed.get());
                    painter.setCompositionMode(QPainter::CompositionMode_Source);
                    painter.drawImage(QRect(0, 0, Composed->width(), Composed->height()), *ground,
                                      QRect(place.Left, place.Top, place.Width(), place.Height()));
                }
                // The painter sees the whole screen, placed so that the
                // composed bitmap's part lands on it.
                target = ComposedCanvas.get();
                targetRect = {-ComposedArea.Left, -ComposedArea.Top, Width() - ComposedArea.Left,
                              Height() - ComposedArea.Top};
            }
            started = Paint(&Painter, *target, DrawOptions, targetRect);
            if (started && !direct) started->OnTargetChanged = [this] { Changed(); };
        }
        // A painter without DrawAsync has played to its end in Paint.
        if (started) started->Start();
        if (direct) return;
        // Show the first frame in this very draw.
        while (started && Painter == started && !started->Started() && !started->Finished())
            if (!CheckSynchronize(false)) std::this_thread::yield();
        if (!Composed) return;
    }
    // Outside the frames' union the picture is clear: the canvas keeps what
    // it shows there.
    if (ComposedArea.IsEmpty()) return;
    if (!tiled) {
        canvas.DrawImage(ComposedPlace(rect, false), *Composed);
        return;
    }
    if (Width() <= 0 || Height() <= 0) return;
    const TRect place = ComposedPlace(rect, true);
    for (int y = place.Top; y < rect.Bottom; y += Height())
        for (int x = place.Left; x < rect.Right; x += Width())
            canvas.DrawImage(TRect::FromSize(x, y, place.Width(), place.Height()), *Composed);
}
