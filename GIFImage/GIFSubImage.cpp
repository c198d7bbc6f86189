#include "GIFSubImage.h"

#include "Bitmap.h"
#include "Canvas.h"
#include "GIFDecoder.h"
#include "GIFEncoder.h"
#include "GIFException.h"
#include "GIFGraphicControlExtension.h"
#include "GIFImage.h"
#include "GIFMessages.h"
#include "GIFSettings.h"
#include "GIFStreamIO.h"

#include <cstring>

TGIFSubImage::TGIFSubImage(TGIFImage* image) : TGIFItem(image), ColorMap(image), Extensions(image) {}

TGIFSubImage::~TGIFSubImage() {
    // Extensions look at the frame while they go.
    Extensions.Clear();
}

void TGIFSubImage::Clear() {
    Extensions.Clear();
    ColorMap.Clear();
    FreePixels();
    SetWidth(0);
    SetHeight(0);
    GraphicControl = nullptr;
    FreeBitmap();
}

void TGIFSubImage::LoadFromStream(TStream& stream) {
    Clear();
    Extensions.LoadFromStream(stream, *this);
    uint8_t next = 0;
    if (!GIFIO::ReadByte(stream, next)) return;
    GIFIO::StepBack(stream);
    if (next == bsTrailer || next == 0) return;

    GIFIO::ReadExact(stream, Descriptor.data(), static_cast<int64_t>(Descriptor.size()));
    if (Width() == 0 || Height() == 0) {
        const uint16_t screenWidth = OwnerImage ? static_cast<uint16_t>(OwnerImage->Width()) : 0;
        const uint16_t screenHeight = OwnerImage ? static_cast<uint16_t>(OwnerImage->Height()) : 0;
        GIFIO::SetWord(&Descriptor[5], screenWidth);
        GIFIO::SetWord(&Descriptor[7], screenHeight);
        Warning(SeverityWarning, GIFMessages::ImageExceedsScreen);
    }
    if (Packed() & 0x80) ColorMap.LoadFromStream(stream, 2 << (Packed() & 7));
    DecodeImageData(stream);
    if (RenderOnLoad) Bitmap();
}

void TGIFSubImage::DecodeImageData(TStream& stream) {
    const int64_t count = int64_t{Width()} * Height();
    if (OwnerImage) OwnerImage->ClaimPixels(count, stream);
    const uint8_t fill = FillValue();
    AllocatePixels(fill);
    TGIFDecodeTarget target;
    target.Pixels = Pixels.get();
    target.Width = Pixels ? Width() : 0;
    target.Height = Pixels ? Height() : 0;
    target.Interlaced = Interlaced();
    target.FillValue = fill;
    ::DecodeImageData(stream, target,
                      [this](const std::string& message) { Warning(SeverityWarning, message); });
}

void TGIFSubImage::SaveToStream(TStream& stream) {
    Extensions.SaveToStream(stream);
    if (Empty()) return;
    if (ColorMap.Count() == 0) {
        // Keeps the interlace bit and the two reserved bits.
        SetPacked(Packed() & 0x58);
    } else {
        uint8_t packed = 0x80;
        if (ColorMap.Sorted()) packed |= 0x20;
        packed |= static_cast<uint8_t>(ColorMap.BitsPerPixel() - 1);
        SetPacked(packed);
    }
    stream.Write(Descriptor.data(), static_cast<int64_t>(Descriptor.size()));
    ColorMap.SaveToStream(stream);
    Compress(stream);
}

void TGIFSubImage::Compress(TStream& stream) {
    int bits = 8;
    int colors = 0;
    if (ColorMap.Count() > 0) {
        bits = ColorMap.BitsPerPixel();
        colors = ColorMap.Count();
    } else {
        // The global table as written, padded to 2^bits entries; without one,
        // the widest table of the image.
        if (OwnerImage && OwnerImage->Header.ColorMap.Count() > 0)
            bits = OwnerImage->Header.ColorMap.BitsPerPixel();
        else if (OwnerImage)
            bits = OwnerImage->BitsPerPixel();
        colors = 1 << bits;
    }
    const uint8_t compression = OwnerImage ? OwnerImage->Compression : DefaultCompression;
    CompressImageData(stream, compression, bits, colors, Pixels.get(), Interlaced(), Height(), Width());
}

int TGIFSubImage::Version() const {
    if (ColorMap.Sorted()) return 2;
    for (const auto& extension : Extensions)
        if (extension->Version() >= 2) return 2;
    return 1;
}

uint16_t TGIFSubImage::Left() const {
    return GIFIO::Word(&Descriptor[1]);
}
uint16_t TGIFSubImage::Top() const {
    return GIFIO::Word(&Descriptor[3]);
}
uint16_t TGIFSubImage::Width() const {
    return GIFIO::Word(&Descriptor[5]);
}
uint16_t TGIFSubImage::Height() const {
    return GIFIO::Word(&Descriptor[7]);
}
void TGIFSubImage::SetLeft(uint16_t value) {
    GIFIO::SetWord(&Descriptor[1], value);
}
void TGIFSubImage::SetTop(uint16_t value) {
    GIFIO::SetWord(&Descriptor[3], value);
}

void TGIFSubImage::SetWidth(uint16_t value) {
    if (value == Width()) return;
    FreePixels();
    FreeBitmap();
    GIFIO::SetWord(&Descriptor[5], value);
}

void TGIFSubImage::SetHeight(uint16_t value) {
    if (value == Height()) return;
    FreePixels();
    FreeBitmap();
    GIFIO::SetWord(&Descriptor[7], value);
}

int TGIFSubImage::Bounds(int index) const {
    switch (index) {
    case 1:
        return Left();
    case 2:
        return Top();
    case 3:
        return Width();
    case 4:
        return Height();
    default:
        return 0;
    }
}

TGIFColorMap& TGIFSubImage::ActiveColorMap() {
    if (ColorMap.Count() > 0) return ColorMap;
    if (OwnerImage && OwnerImage->Header.ColorMap.Count() > 0) return OwnerImage->Header.ColorMap;
    return ColorMap;
}

bool TGIFSubImage::Empty() const {
    return !Pixels || PixelCount == 0 || Width() == 0 || Height() == 0;
}

void TGIFSubImage::AllocatePixels(uint8_t fill) {
    FreePixels();
    const int64_t count = int64_t{Width()} * Height();
    if (count == 0) return;
    Pixels.reset(new uint8_t[static_cast<size_t>(count)]);
    std::memset(Pixels.get(), fill, static_cast<size_t>(count));
    PixelCount = count;
}

void TGIFSubImage::FreePixels() {
    Pixels.reset();
    PixelCount = 0;
}

uint8_t* TGIFSubImage::ScanLine(int y) {
    if (y < 0 || y >= Height()) throw GIFException(GIFMessages::InvalidPixelCoordinates);
    if (!Pixels) AllocatePixels(0);
    if (PixelCount == 0) throw GIFException(GIFMessages::ImageIsEmpty);
    return Pixels.get() + static_cast<int64_t>(y) * Width();
}

uint8_t TGIFSubImage::Pixel(int x, int y) {
    if (x < 0 || x >= Width()) throw GIFException(GIFMessages::InvalidPixelCoordinates);
    return ScanLine(y)[x];
}

bool TGIFSubImage::Transparent() const {
    return GraphicControl && GraphicControl->Transparent();
}

uint8_t TGIFSubImage::FillValue() const {
    return Transparent() ? GraphicControl->TransparentColorIndex() : 0;
}
