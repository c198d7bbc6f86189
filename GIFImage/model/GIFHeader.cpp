#include "GIFHeader.h"

#include "GIFException.h"
#include "GIFImage.h"
#include "GIFMessages.h"
#include "GIFStreamIO.h"

#include <algorithm>
#include <cctype>

namespace {

bool HasGIFSignature(const uint8_t* bytes) {
    return std::toupper(bytes[0]) == 'G' && std::toupper(bytes[1]) == 'I' && std::toupper(bytes[2]) == 'F';
}

} // namespace

void TGIFHeader::LoadFromStream(TStream& stream) {
    const int64_t start = stream.Position();
    uint8_t signature[6];
    GIFIO::ReadExact(stream, signature, 6);
    if (!HasGIFSignature(signature)) {
        stream.SetPosition(start + 4);
        GIFIO::ReadExact(stream, signature, 6);
        if (!HasGIFSignature(signature)) throw GIFException(GIFMessages::InvalidSignature);
    }
    GIFIO::ReadExact(stream, Descriptor.data(), 7);
    if (Packed() & GIFWire::ScreenGlobalTable)
        ColorMap.LoadFromStream(stream, GIFWire::TableEntries(Packed()));
    else
        ColorMap.Clear();
}

void TGIFHeader::SaveToStream(TStream& stream) {
    int version = OwnerImage ? OwnerImage->Version() : 0;
    if (version == 0) throw GIFException(GIFMessages::UnsupportedVersion);
    // A sorted global table or an aspect ratio are GIF89a fields too.
    version = std::max(version, Version());
    stream.Write(version >= 2 ? "GIF89a" : "GIF87a", 6);
    UpdatePacked(OwnerImage->ColorResolution());
    stream.Write(Descriptor.data(), static_cast<int64_t>(Descriptor.size()));
    if (Packed() & GIFWire::ScreenGlobalTable) ColorMap.SaveToStream(stream);
}

int TGIFHeader::Version() const {
    return (ColorMap.Sorted() || AspectRatio() != 0) ? 2 : 1;
}

void TGIFHeader::Clear() {
    ColorMap.Clear();
    Descriptor.fill(0);
    UpdatePacked(1);
}

uint16_t TGIFHeader::Width() const {
    return GIFIO::Word(&Descriptor[0]);
}
uint16_t TGIFHeader::Height() const {
    return GIFIO::Word(&Descriptor[2]);
}
void TGIFHeader::SetWidth(uint16_t value) {
    GIFIO::SetWord(&Descriptor[0], value);
}
void TGIFHeader::SetHeight(uint16_t value) {
    GIFIO::SetWord(&Descriptor[2], value);
}

TColor TGIFHeader::BackgroundColor() {
    return ColorMap.Color(BackgroundColorIndex());
}

void TGIFHeader::UpdatePacked(int colorResolution) {
    uint8_t packed = 0;
    if (ColorMap.Count() > 0) {
        packed |= GIFWire::ScreenGlobalTable;
        if (ColorMap.Sorted()) packed |= GIFWire::ScreenSorted;
        packed |= static_cast<uint8_t>((ColorMap.BitsPerPixel() - 1) & GIFWire::ScreenTableSizeMask);
    }
    if (colorResolution < 1) colorResolution = 1;
    packed |= static_cast<uint8_t>(((colorResolution - 1) << GIFWire::ScreenResolutionShift) &
                                   GIFWire::ScreenResolutionMask);
    SetPacked(packed);
}
