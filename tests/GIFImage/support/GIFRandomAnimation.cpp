#include "GIFRandomAnimation.h"

#include "GIFGraphicControlExtension.h"
#include "GIFTestImages.h"

namespace {

// Shades one step apart, as a capture tool's table holds them: a lossy
// optimisation may merge them.
void AddShades(TGIFColorMap& map, int count) {
    for (int i = 0; i < count; ++i)
        map.Add(
            RGBColor(static_cast<uint8_t>(40 + i), static_cast<uint8_t>(200 - i), static_cast<uint8_t>(90)));
}

} // namespace

Bytes RandomAnimation(const std::function<int(int)>& pick) {
    TGIFImage image;
    const auto addColours = pick(3) == 0 ? AddShades : AddColors;
    const int screenWidth = 3 + pick(8);
    const int screenHeight = 3 + pick(6);
    image.Header.SetWidth(static_cast<uint16_t>(screenWidth));
    image.Header.SetHeight(static_cast<uint16_t>(screenHeight));
    const bool global = pick(6) > 0;
    if (global) {
        addColours(image.Header.ColorMap, 5);
        image.Header.ColorMap.Add(image.Header.ColorMap.Color(1)); // entry 5 repeats entry 1
        image.Header.SetBackgroundColorIndex(static_cast<uint8_t>(pick(6)));
    }
    const int frames = 1 + pick(6);
    for (int f = 0; f < frames; ++f) {
        // Mostly inside the screen; now and then reaching past its edges.
        const bool past = pick(6) == 0;
        const int left = pick(past ? screenWidth + 2 : screenWidth);
        const int top = pick(past ? screenHeight + 2 : screenHeight);
        const int width = 1 + pick(past ? screenWidth : screenWidth - left);
        const int height = 1 + pick(past ? screenHeight : screenHeight - top);
        const bool local = !global || pick(4) == 0;
        const int colours = local ? 2 + pick(4) : 6;
        Bytes pixels(static_cast<size_t>(width) * static_cast<size_t>(height));
        int value = pick(colours);
        for (auto& p : pixels) {
            if (pick(3) == 0) value = pick(colours);
            p = static_cast<uint8_t>(value);
        }
        TGIFSubImage& frame = AddFrame(image, left, top, width, height, pixels);
        if (local) addColours(frame.ColorMap, colours);
        if (pick(4) == 0) frame.SetPacked(static_cast<uint8_t>(frame.Packed() | 0x40));
        if (pick(6) == 0) continue;
        auto& control = static_cast<TGIFGraphicControlExtension&>(
            frame.Extensions.Add(std::make_unique<TGIFGraphicControlExtension>(frame)));
        // Mostly the defined disposals, now and then a reserved one.
        control.SetDisposal(static_cast<TGIFDisposal>(pick(5) == 0 ? 4 + pick(4) : pick(4)));
        control.SetDelay(static_cast<uint16_t>(pick(3) * 4));
        if (pick(2)) {
            control.SetTransparentColorIndex(pick(colours));
            control.SetTransparent(true);
        }
    }
    TMemoryStream stream;
    image.SaveToStream(stream);
    return stream.Memory();
}
