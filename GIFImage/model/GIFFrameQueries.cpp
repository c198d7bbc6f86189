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

std::array<int64_t, 256> IndexUses(const TGIFSubImage& frame) {
    std::array<int64_t, 256> uses{};
    if (frame.Empty()) return uses;
    if (!frame.HasPixelBuffer()) {
        uses[frame.OneValue()] = frame.DataSize();
        return uses;
    }
    // Four counts a value, taken in turn: a run of one value would
    // otherwise wait on its own count at every pixel. A frame has at most
    // 65535 x 65535 pixels, so a quarter of them fits 32 bits.
    std::array<std::array<uint32_t, 256>, 4> counts{};
    std::vector<uint8_t> fillRow;
    const int width = frame.Width();
    for (int y = 0; y < frame.Height(); ++y) {
        const uint8_t* row = frame.ReadRow(y, fillRow);
        int x = 0;
        for (; x + 4 <= width; x += 4) {
            ++counts[0][row[x]];
            ++counts[1][row[x + 1]];
            ++counts[2][row[x + 2]];
            ++counts[3][row[x + 3]];
        }
        for (; x < width; ++x) ++counts[0][row[x]];
    }
    for (size_t v = 0; v < 256; ++v)
        uses[v] = int64_t{counts[0][v]} + counts[1][v] + counts[2][v] + counts[3][v];
    return uses;
}

int TransparentIndexOf(const TGIFSubImage& frame) {
    const TGIFGraphicControlExtension* control = frame.GraphicControlExtension();
    return control && control->Transparent() ? control->TransparentColorIndex() : NoTransparency;
}

bool WrittenInterlaced(const TGIFSubImage& frame) {
    return frame.Interlaced() && frame.ColorMap.Count() == 0;
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
