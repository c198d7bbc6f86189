#include "GIFFrameCompression.h"

#include "GIFEncoder.h"
#include "Stream.h"

#include <algorithm>

std::vector<uint8_t> CompressIndices(const std::vector<uint8_t>& indices, int width, int height, int bits,
                                     int colors, bool keepFullTable, TLZWLookAhead lookAhead,
                                     bool interlaced) {
    TMemoryStream out;
    CompressImageData(out, TGIFCompression::LZW, bits, colors, indices.data(), interlaced, height, width, -1,
                      keepFullTable, lookAhead);
    return out.Memory();
}

namespace {

// Whether the compressor's exact choices (see CompressFrame) may store a
// frame smaller than its lossy choices did. They show what the forms show,
// and moving the transparent index stored no less than 0.85 of the smallest
// form as it is, in twenty kinds of sequence: where the loss saved more,
// or where few pixels show what the screen beneath them shows, they never
// won, and took a fifth of the time of a scrolling page.
bool ExactChoicesMayPay(const std::vector<uint8_t>& indices, const TLossyFrame& lossy, size_t lossless,
                        size_t lossySize) {
    if (lossySize * 100 < lossless * 85) return false;
    std::vector<uint32_t> colours(lossy.Colours.begin(), lossy.Colours.begin() + lossy.Transparent);
    std::sort(colours.begin(), colours.end());
    size_t movable = 0;
    for (size_t i = 0; i < indices.size() && movable * 20 < indices.size(); ++i) {
        const uint32_t beneath = lossy.Pixels[i].Beneath;
        if (beneath == TLossyPixel::NoColour) continue;
        movable += indices[i] == lossy.Transparent
                       ? std::binary_search(colours.begin(), colours.end(), beneath)
                       : lossy.Colours[indices[i]] == beneath;
    }
    return movable * 20 >= indices.size();
}

} // namespace

TCompressedFrame CompressFrame(const std::vector<TFrameForm>& forms, int width, int height, int bits,
                               TLossyFrame* lossy) {
    const int colors = 1 << bits;
    std::vector<uint8_t> data;
    // The indices of the smallest, and whether its table was kept when full.
    std::vector<uint8_t> drawing;
    bool drawingKeeps = false;
    const auto keepSmaller = [&](std::vector<uint8_t> smaller, const std::vector<uint8_t>& indices,
                                 bool keep = false) {
        if (!data.empty() && smaller.size() >= data.size()) return;
        data.swap(smaller);
        drawing = indices;
        drawingKeeps = keep;
    };
    // Last, the smallest drawing's codes chosen by looking ahead (for
    // strings a pixel shorter than the longest, and several), where its
    // strings run long: on photographs (over a bit a pixel) it found
    // nothing in any sequence measured, and took a sixth of the time. Then
    // its rows in interlaced order: a frame that changes some rows and not
    // those between them (scan lines, sprites over a tiled ground) brings
    // its unchanged rows together into long transparent runs.
    const auto lookingAhead = [&]() -> TCompressedFrame {
        if (data.size() * 8 > static_cast<size_t>(width) * height) return {std::move(data), false};
        bool interlaced = false;
        const auto trySmaller = [&](bool inInterlacedOrder, int lookAhead) {
            std::vector<uint8_t> tried = CompressIndices(drawing, width, height, bits, colors, drawingKeeps,
                                                         lookAhead, inInterlacedOrder);
            if (tried.size() >= data.size()) return false;
            data.swap(tried);
            interlaced = inInterlacedOrder;
            return true;
        };
        for (const int shorterBy : {1, TLZWLookAhead::MaxShorterBy}) trySmaller(false, shorterBy);
        if (height > 1 && trySmaller(true, 0))
            for (const int shorterBy : {1, TLZWLookAhead::MaxShorterBy}) trySmaller(true, shorterBy);
        return {std::move(data), interlaced};
    };
    // A form made again (where the frame leaves no choice, say) stores
    // the same: it is not tried twice.
    const auto startOf = [&](size_t k) -> const std::vector<uint8_t>& {
        return forms[k].LossyStart.empty() ? forms[k].Indices : forms[k].LossyStart;
    };
    const auto repeated = [&](size_t k, const auto& of) {
        for (size_t j = 0; j < k; ++j)
            if (of(j) == of(k)) return true;
        return false;
    };
    const auto indicesOf = [&](size_t k) -> const std::vector<uint8_t>& { return forms[k].Indices; };
    size_t firstSize = 0;
    for (size_t k = 0; k < forms.size(); ++k) {
        if (repeated(k, indicesOf)) continue;
        std::vector<uint8_t> compressed = CompressIndices(forms[k].Indices, width, height, bits, colors);
        if (k == 0) firstSize = compressed.size();
        keepSmaller(std::move(compressed), forms[k].Indices);
    }
    if (!lossy) return lookingAhead();
    const size_t lossless = data.size();
    // The lossy choices keep the code table when full where that stores
    // the first form as it is smaller: in 232 of 233 frames of nine kinds
    // of sequence, the table that did better for them too, at a compression
    // rather than a lossy search the more.
    std::vector<uint8_t> firstKept = CompressIndices(forms[0].Indices, width, height, bits, colors, true);
    const bool keep = firstKept.size() < firstSize;
    keepSmaller(std::move(firstKept), forms[0].Indices, true);
    TLossyLZWEncoder& encoder = TLossyLZWEncoder::OfThisThread();
    encoder.KeepFullTable = keep;
    for (size_t k = 0; k < forms.size(); ++k) {
        if (repeated(k, startOf)) continue;
        const std::vector<uint8_t>& start = startOf(k);
        for (size_t i = 0; i < start.size(); ++i) lossy->Pixels[i].Exact = start[i];
        const std::vector<uint8_t> chosen =
            encoder.Choose(lossy->Pixels, lossy->Colours, lossy->Transparent, bits, lossy->MaxError);
        keepSmaller(CompressIndices(chosen, width, height, bits, colors, keep), chosen, keep);
    }
    if (lossy->Transparent < 0) return lookingAhead();
    const size_t lossySize = data.size();
    encoder.KeepFullTable = false;
    // Without loss a string may still start transparent where the screen
    // shows its colour, or in that colour where it could be transparent.
    encoder.OtherFirstPixels = true;
    for (const TFrameForm& form : forms) {
        if (!form.ExactChoices || !ExactChoicesMayPay(form.Indices, *lossy, lossless, lossySize)) continue;
        for (size_t i = 0; i < form.Indices.size(); ++i) {
            TLossyPixel& pixel = lossy->Pixels[i];
            const uint8_t index = form.Indices[i];
            pixel.Exact = index;
            pixel.Wanted = index == lossy->Transparent ? pixel.Beneath : lossy->Colours[index];
            pixel.FreeError = 0;
        }
        const std::vector<uint8_t> chosen =
            encoder.Choose(lossy->Pixels, lossy->Colours, lossy->Transparent, bits, 0);
        keepSmaller(CompressIndices(chosen, width, height, bits, colors), chosen);
    }
    return lookingAhead();
}
