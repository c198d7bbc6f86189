#include "GIFTestImages.h"

#include "GIFGraphicControlExtension.h"

#include <cstring>

void AddColors(TGIFColorMap& map, int count) {
    for (int i = 0; i < count; ++i)
        map.Add(
            RGBColor(static_cast<uint8_t>(i), static_cast<uint8_t>(255 - i), static_cast<uint8_t>(i * 7)));
}

TGIFSubImage& AddFrame(TGIFImage& image, int left, int top, int width, int height, const Bytes& pixels) {
    auto frame = std::make_unique<TGIFSubImage>(&image);
    frame->SetLeft(static_cast<uint16_t>(left));
    frame->SetTop(static_cast<uint16_t>(top));
    frame->SetWidth(static_cast<uint16_t>(width));
    frame->SetHeight(static_cast<uint16_t>(height));
    if (width > 0 && height > 0)
        std::memcpy(frame->ScanLine(0), pixels.data(), static_cast<size_t>(width) * height);
    return image.Add(std::move(frame));
}

void AddControl(TGIFSubImage& frame, int delay, TGIFDisposal disposal, int transparent) {
    auto& control = static_cast<TGIFGraphicControlExtension&>(
        frame.Extensions.Add(std::make_unique<TGIFGraphicControlExtension>(frame)));
    control.SetDelay(static_cast<uint16_t>(delay));
    control.SetDisposal(disposal);
    if (transparent >= 0) {
        control.SetTransparent(true);
        control.SetTransparentColorIndex(transparent);
    }
}

Bytes Save(TGIFImage& image) {
    TMemoryStream stream;
    image.SaveToStream(stream);
    return stream.Memory();
}

void Load(TGIFImage& image, const Bytes& bytes, std::vector<std::string>* warnings) {
    image.WarningHandler = [warnings](TGIFImage&, TGIFSeverity, const std::string& m) {
        if (warnings) warnings->push_back(m);
    };
    TBorrowedMemoryStream stream(bytes.data(), static_cast<int64_t>(bytes.size()));
    image.LoadFromStream(stream);
}

std::vector<int> UnpackCodes(const Bytes& imageData) {
    const int minCodeSize = imageData.at(0);
    Bytes data;
    size_t i = 1;
    while (i < imageData.size() && imageData[i] != 0) {
        const size_t n = imageData[i];
        data.insert(data.end(), imageData.begin() + static_cast<long>(i + 1),
                    imageData.begin() + static_cast<long>(i + 1 + n));
        i += n + 1;
    }
    const int clear = 1 << minCodeSize;
    TCodeWidth width(minCodeSize);
    std::vector<int> codes;
    size_t bit = 0;
    while (bit + static_cast<size_t>(width.Width()) <= data.size() * 8) {
        int code = 0;
        for (int b = 0; b < width.Width(); ++b, ++bit)
            if (data[bit / 8] & (1 << (bit % 8))) code |= 1 << b;
        codes.push_back(code);
        if (code == clear + 1) break;
        width.After(code);
    }
    return codes;
}

Bytes InterlaceRows(const Bytes& pixels, int width, int height) {
    Bytes out;
    for (const int row : InterlacedRows(height))
        out.insert(out.end(), pixels.begin() + static_cast<long>(row) * width,
                   pixels.begin() + static_cast<long>(row + 1) * width);
    return out;
}
