#include "GIFFollowedScreen.h"

#include "GIFGraphicControlExtension.h"
#include "GIFImage.h"

#include <algorithm>

namespace GIFFollowedScreen {

std::array<uint32_t, 256> ColoursOf(TGIFSubImage& frame) {
    std::array<uint32_t, 256> colours{};
    const TGIFColorMap& map = frame.ActiveColorMap();
    for (int i = 0; i < map.Count(); ++i) {
        const TPaletteEntry e = map.Entry(i);
        colours[static_cast<size_t>(i)] =
            0xFF000000u | (uint32_t{e.Red} << 16) | (uint32_t{e.Green} << 8) | e.Blue;
    }
    return colours;
}

bool CanFollow(TGIFImage& image) {
    for (const auto& frame : image.Images) {
        if (frame->Empty() || GIFFrame::IsUndefined(DisposalOf(*frame))) return false;
        if (frame->Left() + frame->Width() > image.Width() || frame->Top() + frame->Height() > image.Height())
            return false;
        const int count = frame->ActiveColorMap().Count();
        if (count == 0) return false;
        std::vector<uint8_t> fillRow;
        for (int y = 0; y < frame->Height(); ++y) {
            const uint8_t* row = frame->ReadRow(y, fillRow);
            if (*std::max_element(row, row + frame->Width()) >= count) return false;
        }
    }
    return true;
}

TScreen ScreenPart(const TScreen& screen, const TRect& area) {
    TScreen part(area, Ground);
    for (int y = area.Top; y < area.Bottom; ++y)
        std::copy_n(screen.At(area.Left, y), area.Width(), part.At(area.Left, y));
    return part;
}

void ShowFrame(TScreen& screen, TGIFSubImage& frame) {
    const std::array<uint32_t, 256> colours = ColoursOf(frame);
    const int t = TransparentIndexOf(frame);
    const TGIFDisposal disposal = DisposalOf(frame);
    const int width = frame.Width();
    std::vector<uint32_t> before;
    std::vector<uint8_t> fillRow;
    for (int y = 0; y < frame.Height(); ++y) {
        uint32_t* row = screen.At(frame.Left(), frame.Top() + y);
        const uint8_t* pixels = frame.ReadRow(y, fillRow);
        if (disposal == TGIFDisposal::RestorePrevious) before.insert(before.end(), row, row + width);
        // Without a check where no index is transparent.
        if (t < 0 || t > 255) {
            for (int x = 0; x < width; ++x) row[x] = colours[pixels[x]];
        } else {
            for (int x = 0; x < width; ++x)
                if (pixels[x] != t) row[x] = colours[pixels[x]];
        }
    }
    if (!GIFFrame::Restores(disposal)) return;
    for (int y = 0; y < frame.Height(); ++y) {
        uint32_t* row = screen.At(frame.Left(), frame.Top() + y);
        if (disposal == TGIFDisposal::RestoreBackground)
            std::fill_n(row, width, Ground);
        else
            std::copy_n(before.begin() + static_cast<ptrdiff_t>(y) * width, width, row);
    }
}

} // namespace GIFFollowedScreen
