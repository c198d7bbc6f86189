#include "GIFLossyOptimizer.h"

#include "GIFGraphicControlExtension.h"
#include "GIFImage.h"
#include "GIFLossyLZWEncoder.h"

#include <algorithm>
#include <vector>

namespace {

// What one pixel of the logical screen shows: the ground under the picture
// (0), or an opaque colour 0xFFRRGGBB.
using TScreen = std::vector<uint32_t>;
constexpr uint32_t Ground = TLossyPixel::NoColour;

int DisposalOf(const TGIFSubImage& frame) {
    const TGIFGraphicControlExtension* control = frame.GraphicControlExtension();
    return control ? static_cast<int>(control->Disposal()) : 0;
}

int TransparentIndexOf(const TGIFSubImage& frame) {
    const TGIFGraphicControlExtension* control = frame.GraphicControlExtension();
    return frame.Transparent() && control ? control->TransparentColorIndex() : -1;
}

std::vector<uint32_t> ColoursOf(TGIFSubImage& frame) {
    const TGIFColorMap& map = frame.ActiveColorMap();
    std::vector<uint32_t> colours(static_cast<size_t>(map.Count()));
    for (int i = 0; i < map.Count(); ++i) {
        const TPaletteEntry e = map.Entry(i);
        colours[static_cast<size_t>(i)] =
            0xFF000000u | (uint32_t{e.Red} << 16) | (uint32_t{e.Green} << 8) | e.Blue;
    }
    return colours;
}

bool CanFollow(TGIFImage& image) {
    for (const auto& frame : image.Images) {
        if (frame->Empty() || DisposalOf(*frame) > 3) return false;
        if (frame->Left() + frame->Width() > image.Width() || frame->Top() + frame->Height() > image.Height())
            return false;
        const int count = frame->ActiveColorMap().Count();
        const uint8_t* pixels = frame->Data();
        if (count == 0 || *std::max_element(pixels, pixels + frame->DataSize()) >= count) return false;
    }
    return true;
}

// Shows the frame on screen and disposes of it as the painter does.
void ShowFrame(TScreen& screen, int screenWidth, TGIFSubImage& frame) {
    const std::vector<uint32_t> colours = ColoursOf(frame);
    const int t = TransparentIndexOf(frame);
    const int disposal = DisposalOf(frame);
    const int width = frame.Width();
    std::vector<uint32_t> before;
    for (int y = 0; y < frame.Height(); ++y) {
        uint32_t* row = screen.data() + static_cast<int64_t>(frame.Top() + y) * screenWidth + frame.Left();
        const uint8_t* pixels = frame.Data() + static_cast<int64_t>(y) * width;
        if (disposal == 3) before.insert(before.end(), row, row + width);
        for (int x = 0; x < width; ++x)
            if (pixels[x] != t) row[x] = colours[pixels[x]];
    }
    if (disposal != 2 && disposal != 3) return;
    for (int y = 0; y < frame.Height(); ++y) {
        uint32_t* row = screen.data() + static_cast<int64_t>(frame.Top() + y) * screenWidth + frame.Left();
        if (disposal == 2)
            std::fill_n(row, width, Ground);
        else
            std::copy_n(before.begin() + static_cast<ptrdiff_t>(y) * width, width, row);
    }
}

} // namespace

void OptimizeGIFLossy(TGIFImage& image, int maxError) {
    if (maxError <= 0 || image.Empty() || !CanFollow(image)) return;
    image.StopPainters();
    const int screenWidth = image.Width();
    const size_t area = static_cast<size_t>(screenWidth) * static_cast<size_t>(image.Height());
    // The lossless screens before each frame, in the first pass and in the
    // later ones (which start from what the first left); and the screen
    // the chosen frames make. Where the two passes differ, a pixel keeps
    // its exact index.
    TScreen exactLater(area, Ground);
    for (const auto& frame : image.Images) ShowFrame(exactLater, screenWidth, *frame);
    TScreen exactFirst(area, Ground);
    TScreen actual(area, Ground);
    TLossyLZWEncoder encoder;
    std::vector<TLossyPixel> pixels;
    for (const auto& framePointer : image.Images) {
        TGIFSubImage& frame = *framePointer;
        const std::vector<uint32_t> colours = ColoursOf(frame);
        const int t = TransparentIndexOf(frame);
        const int width = frame.Width();
        const int height = frame.Height();
        pixels.assign(static_cast<size_t>(width) * static_cast<size_t>(height), {});
        for (int y = 0; y < height; ++y) {
            const uint8_t* row = frame.Data() + static_cast<int64_t>(y) * width;
            const size_t screenRow = static_cast<size_t>(frame.Top() + y) * screenWidth + frame.Left();
            for (int x = 0; x < width; ++x) {
                TLossyPixel& p = pixels[static_cast<size_t>(y) * width + x];
                const size_t s = screenRow + static_cast<size_t>(x);
                const bool settled = exactFirst[s] == exactLater[s];
                p.Exact = row[x];
                p.Wanted = p.Exact != t ? colours[static_cast<size_t>(p.Exact)]
                           : settled    ? exactFirst[s]
                                        : Ground;
                p.Beneath = t >= 0 && settled ? actual[s] : Ground;
            }
        }
        ShowFrame(exactFirst, screenWidth, frame);
        ShowFrame(exactLater, screenWidth, frame);
        // The encoder walks the chosen pixels row after row.
        frame.SetPacked(frame.Packed() & ~0x40);
        const std::vector<uint8_t> chosen =
            encoder.Choose(pixels, colours, t, frame.EncodeJob().Bits, maxError);
        std::copy(chosen.begin(), chosen.end(), frame.Data());
        frame.FreeBitmap();
        ShowFrame(actual, screenWidth, frame);
    }
    image.Changed();
}
