#include "GIFFrameQueries.h"

#include "GIFDrawFlags.h"
#include "GIFGraphicControlExtension.h"
#include "GIFImage.h"

#include <algorithm>
#include <memory>
#include <vector>

namespace GIFFrame {

TGIFDisposal DisposalOf(const TGIFSubImage& frame) {
    const TGIFGraphicControlExtension* control = frame.GraphicControlExtension();
    return control ? control->Disposal() : TGIFDisposal::Unspecified;
}

int TransparentIndexOf(const TGIFSubImage& frame) {
    const TGIFGraphicControlExtension* control = frame.GraphicControlExtension();
    return control && control->Transparent() ? control->TransparentColorIndex() : NoTransparency;
}

int DelayOf(const TGIFSubImage& frame) {
    const TGIFGraphicControlExtension* control = frame.GraphicControlExtension();
    return control ? control->Delay() : 0;
}

int ShownDelayOf(const TGIFSubImage& frame) {
    const int delay = DelayOf(frame);
    return delay == 0 ? DelayDefault : std::max(delay, DelayMinimum);
}

TRect BoundsOf(const TGIFSubImage& frame) {
    return TRect::FromSize(frame.Left(), frame.Top(), frame.Width(), frame.Height());
}

TGIFGraphicControlExtension& GraphicControlFor(TGIFSubImage& frame) {
    if (TGIFGraphicControlExtension* control = frame.GraphicControlExtension()) return *control;
    auto& added = frame.Extensions.Add(std::make_unique<TGIFGraphicControlExtension>(frame));
    return static_cast<TGIFGraphicControlExtension&>(added);
}

void Crop(TGIFSubImage& frame, const TRect& area) {
    std::vector<uint8_t> kept(static_cast<size_t>(area.Width()) * static_cast<size_t>(area.Height()));
    std::vector<uint8_t> fillRow;
    for (int y = area.Top; y < area.Bottom; ++y)
        std::copy_n(frame.ReadRow(y, fillRow) + area.Left, area.Width(),
                    kept.begin() + static_cast<ptrdiff_t>(y - area.Top) * area.Width());
    frame.SetLeft(static_cast<uint16_t>(frame.Left() + area.Left));
    frame.SetTop(static_cast<uint16_t>(frame.Top() + area.Top));
    frame.SetWidth(static_cast<uint16_t>(area.Width()));
    frame.SetHeight(static_cast<uint16_t>(area.Height()));
    for (int y = 0; y < area.Height(); ++y)
        std::copy_n(kept.begin() + static_cast<ptrdiff_t>(y) * area.Width(), area.Width(), frame.ScanLine(y));
    frame.FreeBitmap();
}

} // namespace GIFFrame
