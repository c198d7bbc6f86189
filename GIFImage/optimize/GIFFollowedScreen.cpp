#include "GIFFollowedScreen.h"

#include "GIFGraphicControlExtension.h"
#include "GIFImage.h"
#include "GIFParallelEncoder.h"
#include "GIFWorkerThreads.h"

#include <algorithm>
#include <atomic>

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

int64_t FramesPixels(const TGIFImage& image) {
    int64_t pixels = 0;
    for (const auto& frame : image.Images) pixels += int64_t{frame->Width()} * frame->Height();
    return pixels;
}

bool SmallEnoughToCopy(const TGIFImage& image, const TRect& bounds) {
    const int64_t held = FramesPixels(image) + int64_t{image.Images.Count()} * FrameObjectPixels;
    return held <= MinFollowedPixels && int64_t{bounds.Width()} * bounds.Height() <= MinFollowedPixels;
}

bool CanFollow(TGIFImage& image) {
    int64_t held = 0; // the pixels the frames hold in buffers
    // Frames whose indices may lie past their table, with its size.
    std::vector<std::pair<const TGIFSubImage*, int>> checked;
    for (const auto& frame : image.Images) {
        if (frame->Empty() || GIFFrame::IsUndefined(DisposalOf(*frame))) return false;
        if (frame->Left() + frame->Width() > image.Width() || frame->Top() + frame->Height() > image.Height())
            return false;
        const int count = frame->ActiveColorMap().Count();
        if (count == 0) return false;
        if (!frame->HasPixelBuffer()) {
            if (frame->OneValue() >= count) return false;
            continue;
        }
        held += frame->DataSize();
        // Every index names an entry of a full table.
        if (count < 256) checked.emplace_back(frame.get(), count);
    }
    // The frames' indices are checked side by side.
    std::atomic<bool> inTables{true};
    GIFWorkers::ForEach(checked.size(), EncodeThreadCount(), [&](size_t f) {
        const auto [frame, count] = checked[f];
        std::vector<uint8_t> fillRow;
        const int width = frame->Width();
        for (int y = 0; y < frame->Height() && inTables.load(std::memory_order_relaxed); ++y) {
            const uint8_t* row = frame->ReadRow(y, fillRow);
            // A plain loop the compiler runs many pixels at a time.
            uint8_t largest = 0;
            for (int x = 0; x < width; ++x) largest = std::max(largest, row[x]);
            if (largest >= count) inTables.store(false, std::memory_order_relaxed);
        }
    });
    if (!inTables.load()) return false;
    // Following the screens takes some 16 bytes a pixel of the frames'
    // union, and the steps that follow them up to 28 for a frame's pixels.
    // Frames whose data decoded nothing hold no pixels: where their union
    // is far larger than what the frames hold, it is a few bytes' claim on
    // gigabytes, not a picture. So is a large frame whose data decodes
    // thousands of pixels a byte (one value throughout, as no picture is):
    // 100 KB made 134 million pixels, which --lossy followed in 3.8 GB.
    const TRect bounds = image.FramesBounds();
    int64_t followed = held;
    if (const int64_t data = image.LoadedImageDataBytes(); data > 0)
        followed = std::min(followed, data * FollowedPixelsPerDataByte);
    return int64_t{bounds.Width()} * bounds.Height() <= std::max(MinFollowedPixels, followed);
}

namespace {

// A copy of the screen's pixels within area (inside its bounds).
TScreen ScreenPart(const TScreen& screen, const TRect& area) {
    TScreen part(TRect{}, Ground);
    part.Bounds = area;
    part.Pixels.reserve(static_cast<size_t>(area.Width()) * static_cast<size_t>(area.Height()));
    for (int y = area.Top; y < area.Bottom; ++y)
        part.Pixels.insert(part.Pixels.end(), screen.At(area.Left, y),
                           screen.At(area.Left, y) + area.Width());
    return part;
}

// Whether the two screens show the same over area.
bool SameOver(const TScreen& a, const TScreen& b, const TRect& area) {
    for (int y = area.Top; y < area.Bottom; ++y)
        if (!std::equal(a.At(area.Left, y), a.At(area.Left, y) + area.Width(), b.At(area.Left, y)))
            return false;
    return true;
}

} // namespace

std::vector<uint32_t> DrawFrame(TScreen& screen, TGIFSubImage& frame) {
    const std::array<uint32_t, 256> colours = ColoursOf(frame);
    const int t = TransparentIndexOf(frame);
    const bool keepUnder = DisposalOf(frame) == TGIFDisposal::RestorePrevious;
    const int width = frame.Width();
    std::vector<uint32_t> under;
    std::vector<uint8_t> fillRow;
    for (int y = 0; y < frame.Height(); ++y) {
        uint32_t* row = screen.At(frame.Left(), frame.Top() + y);
        const uint8_t* pixels = frame.ReadRow(y, fillRow);
        if (keepUnder) under.insert(under.end(), row, row + width);
        // Without a check where no index is transparent.
        if (t < 0 || t > 255) {
            for (int x = 0; x < width; ++x) row[x] = colours[pixels[x]];
        } else {
            for (int x = 0; x < width; ++x)
                if (pixels[x] != t) row[x] = colours[pixels[x]];
        }
    }
    return under;
}

void DisposeFrame(TScreen& screen, TGIFSubImage& frame, const std::vector<uint32_t>& under) {
    const TGIFDisposal disposal = DisposalOf(frame);
    if (!GIFFrame::Restores(disposal)) return;
    const int width = frame.Width();
    for (int y = 0; y < frame.Height(); ++y) {
        uint32_t* row = screen.At(frame.Left(), frame.Top() + y);
        if (disposal == TGIFDisposal::RestoreBackground)
            std::fill_n(row, width, Ground);
        else
            std::copy_n(under.begin() + static_cast<ptrdiff_t>(y) * width, width, row);
    }
}

void ShowFrame(TScreen& screen, TGIFSubImage& frame) {
    DisposeFrame(screen, frame, DrawFrame(screen, frame));
}

void TPassScreens::Show(TGIFSubImage& frame) {
    ShowFrame(First, frame);
    if (Later) ShowFrame(*Later, frame);
}

TPassScreens PassScreens(const TScreen& first, const TScreen& later, const TRect& area) {
    TPassScreens screens;
    screens.First = ScreenPart(first, area);
    if (!SameOver(first, later, area)) screens.Later = ScreenPart(later, area);
    return screens;
}

void FollowScreens(TGIFImage& image, TScreen& first, TScreen& later, int threads,
                   const std::function<bool(const TGIFSubImage&)>& wanted,
                   const std::function<void(size_t)>& beforeShowing,
                   const std::function<void(TGIFSubImage&, TScreen&, TScreen&)>& work) {
    const size_t count = static_cast<size_t>(image.Images.Count());
    std::vector<TPassScreens> parts(count);
    GIFWorkers::Pipeline(
        count, threads, 2 * static_cast<size_t>(std::max(threads, 1)),
        [&](size_t k) {
            TGIFSubImage& frame = image.Images[static_cast<int>(k)];
            if (beforeShowing) beforeShowing(k);
            if (wanted(frame)) {
                const TRect area = TRect::FromSize(frame.Left(), frame.Top(), frame.Width(), frame.Height());
                parts[k] = PassScreens(first, later, area);
            }
            ShowFrame(first, frame);
            ShowFrame(later, frame);
        },
        [&](size_t k) {
            work(image.Images[static_cast<int>(k)], parts[k].First, parts[k].LaterScreen());
            parts[k] = TPassScreens{};
        });
}

} // namespace GIFFollowedScreen
