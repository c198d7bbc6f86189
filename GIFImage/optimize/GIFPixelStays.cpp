#include "GIFPixelStays.h"

#include "GIFFrameQueries.h"
#include "GIFImage.h"

#include <cstdint>

std::vector<std::vector<float>> PixelStays(TGIFImage& image, const TRect& bounds) {
    const size_t count = image.Images.Count();
    std::vector<int64_t> start(count + 1, 0);
    for (size_t k = 0; k < count; ++k) start[k + 1] = start[k] + GIFFrame::ShownDelayOf(image.Images[k]);
    const size_t width = static_cast<size_t>(bounds.Width());
    // Per screen pixel: the frame whose pixel shows there (-1: none) and
    // that pixel's place in the frame.
    std::vector<int32_t> drawnBy(width * static_cast<size_t>(bounds.Height()), -1);
    std::vector<int32_t> drawnAt(drawnBy.size(), 0);
    std::vector<std::vector<float>> stays(count);
    const auto end = [&](size_t p, size_t k) {
        const int32_t by = drawnBy[p];
        if (by < 0) return;
        stays[static_cast<size_t>(by)][static_cast<size_t>(drawnAt[p])] =
            static_cast<float>(start[k] - start[static_cast<size_t>(by)]);
        drawnBy[p] = -1;
    };
    const auto at = [&](int x, int y) {
        return static_cast<size_t>(y - bounds.Top) * width + static_cast<size_t>(x - bounds.Left);
    };
    std::vector<uint8_t> fillRow;
    for (size_t k = 0; k < count; ++k) {
        if (k > 0 && GIFFrame::Restores(GIFFrame::DisposalOf(image.Images[k - 1]))) {
            const TRect area = GIFFrame::BoundsOf(image.Images[k - 1]).Intersect(bounds);
            for (int y = area.Top; y < area.Bottom; ++y)
                for (int x = area.Left; x < area.Right; ++x)
                    if (drawnBy[at(x, y)] == static_cast<int32_t>(k - 1)) end(at(x, y), k);
        }
        TGIFSubImage& frame = image.Images[k];
        if (!frame.HasPixelBuffer()) continue;
        stays[k].assign(static_cast<size_t>(frame.Width()) * static_cast<size_t>(frame.Height()), 0);
        const int t = GIFFrame::TransparentIndexOf(frame);
        const TRect area = GIFFrame::BoundsOf(frame).Intersect(bounds);
        for (int y = area.Top; y < area.Bottom; ++y) {
            const uint8_t* row = frame.ReadRow(y - frame.Top(), fillRow);
            for (int x = area.Left; x < area.Right; ++x) {
                if (row[x - frame.Left()] == t) continue;
                end(at(x, y), k);
                drawnBy[at(x, y)] = static_cast<int32_t>(k);
                drawnAt[at(x, y)] = (y - frame.Top()) * frame.Width() + (x - frame.Left());
            }
        }
    }
    for (size_t p = 0; p < drawnBy.size(); ++p) end(p, count);
    return stays;
}
