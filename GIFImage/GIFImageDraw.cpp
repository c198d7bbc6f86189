// The image's side of rendering: its palette, the composed bitmap and the
// draw operation that the picture framework calls.

#include "Bitmap.h"
#include "Canvas.h"
#include "GIFColorMapPalette.h"
#include "GIFDrawFlags.h"
#include "GIFException.h"
#include "GIFImage.h"
#include "GIFMessages.h"
#include "GIFPainter.h"
#include "GIFPalettes.h"
#include "GIFSettings.h"
#include "Synchronize.h"

#include <QPainter>

#include <thread>

bool TGIFImage::DitheringWanted() const {
    return (DrawOptions & DrawDither) && (!(DrawOptions & DrawAutoDither) || PalettedDisplay);
}

TPalette TGIFImage::ImagePalette() {
    // Without a global table the first frame asks the image, which asks the
    // first frame: that circle means there is no table at all.
    if (PaletteBusy) throw GIFException(GIFMessages::NoColorTable);
    PaletteBusy = true;
    struct Release {
        bool& Flag;
        ~Release() { Flag = false; }
    } release{PaletteBusy};
    if (Composed && !ComposedPalette.empty()) return ComposedPalette;
    if (CachedPalette) return *CachedPalette;
    if (DitheringWanted()) {
        CachedPalette = WebPalette();
        return *CachedPalette;
    }
    if (Header.ColorMap.Count() > 0) {
        CachedPalette = GIFPaletteOf(Header.ColorMap);
        return *CachedPalette;
    }
    if (Images.Count() > 0) return Images[0].Palette();
    return {};
}

void TGIFImage::SetImagePalette(const TPalette& palette) {
    const TPalette old = CachedPalette.value_or(TPalette{});
    if (palette.empty())
        CachedPalette.reset();
    else
        CachedPalette = palette;
    if (old == palette) return;
    if (Composed && ComposedPalette != palette) {
        FreeComposedBitmap();
        PaletteModified = true;
        Changed();
    }
}

const QImage* TGIFImage::ComposedBitmap() {
    if (Images.Count() == 0) return nullptr;
    if (Composed) return Composed.get();
    TGIFSubImage& first = Images[0];
    if (first.Width() == Width() && first.Height() == Height()) {
        if (const TBitmap* bitmap = first.Bitmap()) {
            Composed = std::make_unique<QImage>(bitmap->Image());
            ComposedPalette = first.Palette();
            ComposedCanvas = std::make_unique<TCanvas>(Composed.get());
            return Composed.get();
        }
    }
    NewComposedBitmap();
    first.Draw(*ComposedCanvas, {0, 0, Width(), Height()}, false, false);
    return Composed.get();
}

void TGIFImage::NewComposedBitmap() {
    // The ground of a new bitmap is clear, so that a picture drawn onto it
    // shows what lies under the parts no frame covers.
    auto composed = std::make_unique<QImage>(std::max(1, Width()), std::max(1, Height()),
                                             QImage::Format_ARGB32_Premultiplied);
    composed->fill(Qt::transparent);
    ComposedPalette = ImagePalette();
    Composed = std::move(composed);
    ComposedCanvas = std::make_unique<TCanvas>(Composed.get());
}

void TGIFImage::FreeComposedBitmap() {
    StopFramePainter();
}

void TGIFImage::DropComposedBitmap() {
    ComposedCanvas.reset();
    Composed.reset();
    ComposedPalette.clear();
}

void TGIFImage::AssignTo(TBitmap& bitmap) {
    if (const QImage* composed = ComposedBitmap()) bitmap.Assign(*composed);
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
                QPainter painter(Composed.get());
                painter.setCompositionMode(QPainter::CompositionMode_Source);
                if (const QImage* ground = canvas.Image())
                    painter.drawImage(QRect(0, 0, Composed->width(), Composed->height()), *ground,
                                      QRect(rect.Left, rect.Top, rect.Width(), rect.Height()));
                target = ComposedCanvas.get();
                targetRect = {0, 0, Composed->width(), Composed->height()};
            }
            started = Paint(&Painter, *target, DrawOptions, targetRect);
            if (started && !direct) started->OnTargetChanged = [this] { Changed(); };
        }
        if (!started) return;
        started->Start();
        if (direct) return;
        // Show the first frame in this very draw.
        while (Painter == started && !started->Started() && !started->Finished())
            if (!CheckSynchronize()) std::this_thread::yield();
        if (!Composed) return;
    }
    if (!tiled) {
        canvas.DrawImage(rect, *Composed);
        return;
    }
    for (int y = rect.Top; y < rect.Bottom; y += Height())
        for (int x = rect.Left; x < rect.Right; x += Width())
            canvas.DrawImage(TRect::FromSize(x, y, Width(), Height()), *Composed);
}
