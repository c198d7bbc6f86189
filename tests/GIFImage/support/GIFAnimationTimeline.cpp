#include "GIFAnimationTimeline.h"

#include "Canvas.h"
#include "GIFDrawFlags.h"
#include "GIFGraphicControlExtension.h"
#include "GIFPainter.h"
#include "GIFPainterTimer.h"

#include <algorithm>

namespace {

// The disposal the painter acts on: the frame's last graphic control.
int PainterDisposal(const TGIFSubImage& frame) {
    int disposal = 0;
    for (const auto& extension : frame.Extensions)
        if (const auto* control = dynamic_cast<const TGIFGraphicControlExtension*>(extension.get()))
            disposal = static_cast<int>(control->Disposal());
    return disposal;
}

int ShownDelay(const TGIFSubImage& frame) {
    const TGIFGraphicControlExtension* control = frame.GraphicControlExtension();
    const int delay = control ? control->Delay() : 0;
    return delay == 0 ? DelayDefault : std::clamp(delay, DelayMinimum, DelayMaximum);
}

int TransparentIndex(const TGIFSubImage& frame) {
    const TGIFGraphicControlExtension* control = frame.GraphicControlExtension();
    return frame.Transparent() && control ? control->TransparentColorIndex() : -1;
}

QRgb ColourOf(TGIFSubImage& frame, int index) {
    const TGIFColorMap& map = frame.ActiveColorMap();
    if (index < 0 || index >= map.Count()) return qRgb(0, 0, 0);
    const TPaletteEntry e = map.Entry(index);
    return qRgb(e.Red, e.Green, e.Blue);
}

bool HasUndefinedDisposal(const TGIFImage& image) {
    for (const auto& frame : image.Images)
        if (PainterDisposal(*frame) > 3) return true;
    return false;
}

// The painter buffers, and so skips undefined disposals, when some frame's
// first graphic control restores its area.
bool PainterRestores(const TGIFImage& image) {
    for (const auto& frame : image.Images) {
        const TGIFGraphicControlExtension* control = frame->GraphicControlExtension();
        if (control && (control->Disposal() == TGIFDisposal::RestoreBackground ||
                        control->Disposal() == TGIFDisposal::RestorePrevious))
            return true;
    }
    return false;
}

void Append(std::vector<TShownPicture>& shown, const QImage& picture, int delay) {
    if (!shown.empty() && shown.back().Picture == picture)
        shown.back().Delay += delay;
    else
        shown.push_back({picture.copy(), delay});
}

} // namespace

std::vector<TShownPicture> ModelTimeline(TGIFImage& image, TDecoderModel model) {
    QImage screen(std::max(1, image.Width()), std::max(1, image.Height()), QImage::Format_ARGB32);
    screen.fill(Qt::transparent);
    std::vector<TShownPicture> shown;
    if (image.Images.Count() == 0 || image.Images[0].Empty()) return shown;
    TGIFSubImage& first = image.Images[0];
    const bool firstTransparent = TransparentIndex(first) >= 0;
    // Pillow keeps a picture whose first frame has no transparency opaque.
    const bool opaqueForGood = model == TDecoderModel::Pillow && !firstTransparent;
    if (model == TDecoderModel::Pillow && !firstTransparent) screen.fill(ColourOf(first, 0));
    const TGIFColorMap& global = image.Header.ColorMap;
    const int background = image.Header.BackgroundColorIndex();
    if (model == TDecoderModel::ImageMagick && !firstTransparent) {
        const TPaletteEntry e = background < global.Count() ? global.Entry(background) : TPaletteEntry{};
        screen.fill(qRgb(e.Red, e.Green, e.Blue));
    }
    const bool skipsUndefined = model == TDecoderModel::Painter && PainterRestores(image);
    int previousDisposal = 1;
    for (int pass = 0; pass < 2; ++pass) {
        for (int i = 0; i < image.Images.Count() && !image.Images[i].Empty(); ++i) {
            TGIFSubImage& frame = image.Images[i];
            const int disposal = PainterDisposal(frame);
            const bool drawn = !skipsUndefined || (disposal <= 3 && previousDisposal <= 3);
            previousDisposal = disposal;
            if (!drawn) {
                Append(shown, screen, ShownDelay(frame));
                continue;
            }
            const QImage before = disposal == 3 ? screen.copy() : QImage();
            const int t = TransparentIndex(frame);
            const QRect area =
                QRect(frame.Left(), frame.Top(), frame.Width(), frame.Height()) & screen.rect();
            for (int y = area.top(); y <= area.bottom(); ++y)
                for (int x = area.left(); x <= area.right(); ++x) {
                    const int v = frame.Data()[(y - frame.Top()) * frame.Width() + (x - frame.Left())];
                    if (v != t) screen.setPixel(x, y, ColourOf(frame, v));
                }
            Append(shown, screen, ShownDelay(frame));
            QRgb cleared = 0;
            if (model == TDecoderModel::Pillow)
                cleared = t < 0 ? ColourOf(frame, background) : opaqueForGood ? ColourOf(frame, t) : 0;
            for (int y = area.top(); y <= area.bottom(); ++y)
                for (int x = area.left(); x <= area.right(); ++x) {
                    if (disposal == 2) screen.setPixel(x, y, cleared);
                    if (disposal == 3) screen.setPixel(x, y, before.pixel(x, y));
                }
        }
    }
    return shown;
}

std::vector<TShownPicture> PainterTimeline(TGIFImage& image, int hundredths) {
    std::vector<TShownPicture> shown;
    if (image.Images.Count() == 0) return shown;
    QImage screen(std::max(1, image.Width()), std::max(1, image.Height()),
                  QImage::Format_ARGB32_Premultiplied);
    screen.fill(Qt::transparent);
    TCanvas canvas(&screen);
    int elapsed = 0;
    image.PainterTimerFactory = [] { return std::make_unique<TGIFInstantTimer>(); };
    image.OnAfterPaint = [&](TGIFPainter& painter) {
        const int index = painter.CurrentFrame();
        const int delay = std::min(ShownDelay(image.Images[index]), hundredths - elapsed);
        Append(shown, screen.convertToFormat(QImage::Format_ARGB32), delay);
        elapsed += delay;
        if (elapsed >= hundredths) painter.Stop();
    };
    const uint16_t flags = (GIFDrawFlagsDefault | DrawLoop | DrawLoopForever) &
                           ~(DrawAsync | DrawDither | DrawAutoDither | DrawClearOnLoop);
    image.Paint(nullptr, canvas, flags, {0, 0, image.Width(), image.Height()});
    image.OnAfterPaint = nullptr;
    image.PainterTimerFactory = nullptr;
    return shown;
}

std::string TimelineDifference(const std::vector<TShownPicture>& a, const std::vector<TShownPicture>& b,
                               bool delays) {
    for (size_t i = 0; i < std::min(a.size(), b.size()); ++i) {
        if (a[i].Picture != b[i].Picture) return "picture " + std::to_string(i) + " differs";
        if (delays && a[i].Delay != b[i].Delay)
            return "picture " + std::to_string(i) + " stays " + std::to_string(a[i].Delay) + " against " +
                   std::to_string(b[i].Delay);
    }
    if (a.size() != b.size())
        return std::to_string(a.size()) + " pictures against " + std::to_string(b.size());
    return "";
}

std::string AnimationDifference(TGIFImage& original, TGIFImage& optimised) {
    const std::vector<TShownPicture> model = ModelTimeline(original, TDecoderModel::Painter);
    int twoPasses = 0;
    for (const TShownPicture& p : model) twoPasses += p.Delay;
    const int horizon = std::max(twoPasses, 1);
    // A picture of one frame stands still: how long it stays means nothing.
    const bool delays = original.Images.Count() > 1 && optimised.Images.Count() > 1;
    std::string difference =
        TimelineDifference(PainterTimeline(original, horizon), PainterTimeline(optimised, horizon), delays);
    if (!difference.empty()) return "painter: " + difference;
    difference = TimelineDifference(model, ModelTimeline(optimised, TDecoderModel::Painter), delays);
    if (!difference.empty()) return "format rules: " + difference;
    if (HasUndefinedDisposal(original) || HasUndefinedDisposal(optimised)) return "";
    for (TDecoderModel other : {TDecoderModel::Pillow, TDecoderModel::ImageMagick}) {
        if (!TimelineDifference(ModelTimeline(original, other), model, false).empty()) continue;
        difference = TimelineDifference(ModelTimeline(optimised, other),
                                        ModelTimeline(optimised, TDecoderModel::Painter), false);
        if (!difference.empty())
            return (other == TDecoderModel::Pillow ? "Pillow: " : "ImageMagick: ") + difference;
    }
    return "";
}
