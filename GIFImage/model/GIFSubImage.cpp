#include "GIFSubImage.h"

#include "GIFColorMapPalette.h"
#include "GIFDecoder.h"
#include "GIFEncoder.h"
#include "GIFException.h"
#include "GIFGraphicControlExtension.h"
#include "GIFImage.h"
#include "GIFMessages.h"
#include "GIFPalettes.h"
#include "GIFSettings.h"
#include "GIFStreamIO.h"

#include <algorithm>
#include <cstring>

TGIFSubImage::TGIFSubImage(TGIFImage* image) : TGIFItem(image), ColorMap(image, this), Extensions(image) {}

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
    if (!ReadHead(stream)) return;
    const int64_t dataBytes = GIFIO::MeasureImageData(stream);
    BeginImageData(dataBytes);
    DecodeImageData(stream, dataBytes);
    if (RenderOnLoad) Bitmap();
}

bool TGIFSubImage::ReadHead(TStream& stream) {
    Clear();
    Extensions.LoadFromStream(stream, *this);
    uint8_t next = 0;
    if (!GIFIO::ReadByte(stream, next)) return false;
    GIFIO::StepBack(stream);
    if (next == bsTrailer || next == 0) return false;

    GIFIO::ReadExact(stream, Descriptor.data(), static_cast<int64_t>(Descriptor.size()));
    if (Width() == 0 || Height() == 0) {
        const uint16_t screenWidth = OwnerImage ? static_cast<uint16_t>(OwnerImage->Width()) : 0;
        const uint16_t screenHeight = OwnerImage ? static_cast<uint16_t>(OwnerImage->Height()) : 0;
        GIFIO::SetWord(&Descriptor[5], screenWidth);
        GIFIO::SetWord(&Descriptor[7], screenHeight);
        Warning(SeverityWarning, GIFMessages::ImageExceedsScreen);
    }
    if (Packed() & GIFWire::DescriptorLocalTable)
        ColorMap.LoadFromStream(stream, GIFWire::TableEntries(Packed()));
    return true;
}

void TGIFSubImage::BeginImageData(int64_t dataBytes) {
    if (OwnerImage) OwnerImage->CountImageData(dataBytes);
    FreePixels();
    // The buffer is made with the first pixel the data gives; until then the
    // frame only knows its size and fill value.
    PixelCount = int64_t{Width()} * Height();
    PendingFill = FillValue();
}

void TGIFSubImage::DecodeImageData(TStream& stream, int64_t dataBytes) {
    const int64_t count = PixelCount;
    TGIFDecodeTarget target;
    target.Width = Width();
    target.Height = Height();
    target.Interlaced = Interlaced();
    target.FillValue = PendingFill;
    target.Allocate = [&]() -> uint8_t* {
        if (OwnerImage) OwnerImage->ClaimPixels(count, dataBytes);
        // The decoder writes every pixel: no fill before it.
        AllocateUnfilledPixels();
        return Pixels.get();
    };
    ::DecodeImageData(stream, target,
                      [this](const std::string& message) { Warning(SeverityWarning, message); });
    CompactUniformPixels();
}

bool TGIFSubImage::ReadAhead(TStream& stream, TGIFDecodeJob& job) {
    if (!ReadHead(stream)) return false;
    const int64_t dataBytes = GIFIO::MeasureImageData(stream);
    BeginImageData(dataBytes);
    job.Width = Width();
    job.Height = Height();
    job.Interlaced = Interlaced();
    job.FillValue = PendingFill;
    job.Size = dataBytes;
    if (dataBytes > MaxDecodeAheadBytes) return true; // left in the stream
    // Exactly the bytes that decoding from the stream could read.
    job.Data = stream.Lend(job.Size);
    if (job.Data) return true;
    job.Copy.reset(new uint8_t[static_cast<size_t>(std::max<int64_t>(1, dataBytes))]);
    job.Size = std::max<int64_t>(0, stream.Read(job.Copy.get(), dataBytes));
    job.Data = job.Copy.get();
    return true;
}

void TGIFSubImage::DecodeReadAhead(TStream& stream, const TGIFDecodeJob& job) {
    if (job.Data) {
        TBorrowedMemoryStream data(job.Data, job.Size);
        DecodeImageData(data, job.Size);
    } else {
        DecodeImageData(stream, job.Size);
    }
    if (RenderOnLoad) Bitmap();
}

void TGIFSubImage::TakeDecoded(TGIFDecodedFrame decoded) {
    for (const auto& message : decoded.Warnings) Warning(SeverityWarning, message);
    if (OwnerImage) OwnerImage->SettleReservedPixels(PixelCount, decoded.Pixels != nullptr);
    if (decoded.Pixels) Pixels = std::move(decoded.Pixels);
    CompactUniformPixels();
    if (decoded.Error) std::rethrow_exception(decoded.Error);
    if (RenderOnLoad) Bitmap();
}

void TGIFSubImage::UpdatePacked() {
    if (ColorMap.Count() == 0) {
        // Keeps the interlace bit and the two reserved bits.
        SetPacked(Packed() & (GIFWire::DescriptorInterlaced | GIFWire::DescriptorReserved));
    } else {
        uint8_t packed = GIFWire::DescriptorLocalTable;
        if (ColorMap.Sorted()) packed |= GIFWire::DescriptorSorted;
        packed |= static_cast<uint8_t>(ColorMap.BitsPerPixel() - 1);
        SetPacked(packed);
    }
}

void TGIFSubImage::SaveToStream(TStream& stream) {
    Extensions.SaveToStream(stream);
    if (Empty()) return;
    UpdatePacked();
    WriteDescriptor(stream);
    Compress(stream);
}

void TGIFSubImage::SaveToStream(TStream& stream, const std::vector<uint8_t>& imageData) {
    Extensions.SaveToStream(stream);
    if (Empty()) return;
    UpdatePacked();
    WriteDescriptor(stream);
    stream.Write(imageData.data(), static_cast<int64_t>(imageData.size()));
}

void TGIFSubImage::WriteDescriptor(TStream& stream) {
    // The separator as the format has it, whatever byte was read in its place.
    std::array<uint8_t, 10> bytes = Descriptor;
    bytes[0] = bsImageSeparator;
    stream.Write(bytes.data(), static_cast<int64_t>(bytes.size()));
    ColorMap.SaveToStream(stream);
}

int TGIFSubImage::BitsForPixels() const {
    // The bits the highest pixel needs are those of all pixels or'd, eight
    // at a time.
    unsigned any = PendingFill;
    if (const uint8_t* p = Pixels.get()) {
        uint64_t words = 0;
        int64_t i = 0;
        for (; i + 8 <= PixelCount; i += 8) {
            uint64_t word;
            std::memcpy(&word, p + i, sizeof word);
            words |= word;
        }
        for (; i < PixelCount; ++i) words |= p[i];
        any = 0;
        for (int b = 0; b < 8; ++b) any |= static_cast<unsigned>(words >> (8 * b)) & 0xFF;
    }
    int bits = 1;
    while ((1u << bits) <= any) ++bits;
    return bits;
}

TGIFEncodeJob TGIFSubImage::EncodeJob() {
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
        else if (OwnerImage && OwnerImage->BitsPerPixel() > 0)
            bits = OwnerImage->BitsPerPixel();
        else
            bits = BitsForPixels(); // no colour table at all: the pixels decide
        colors = 1 << bits;
    }
    if (OwnerImage && OwnerImage->SmallestCodeSize) {
        const int needed = std::max(2, BitsForPixels());
        if (needed < bits) {
            bits = needed;
            colors = std::min(colors, 1 << bits);
        }
    }
    TGIFEncodeJob job;
    // A frame without a pixel buffer is compressed from one row of its fill.
    job.Pixels = Pixels.get();
    job.FillValue = Pixels ? -1 : PendingFill;
    job.Width = Width();
    job.Height = Height();
    job.Bits = bits;
    job.Colors = colors;
    job.Interlaced = Interlaced();
    job.KeepFullTable = KeepFullCodeTable;
    job.LookAhead = LookAhead;
    job.Compression = OwnerImage ? OwnerImage->Compression : DefaultCompression;
    job.Compressed = ChosenData.empty() ? nullptr : &ChosenData;
    return job;
}

void TGIFSubImage::Compress(TStream& stream) {
    CompressJob(stream, EncodeJob());
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
    return PixelCount == 0 || Width() == 0 || Height() == 0;
}

void TGIFSubImage::AllocatePixels(uint8_t fill) const {
    AllocateUnfilledPixels();
    if (Pixels) std::memset(Pixels.get(), fill, static_cast<size_t>(PixelCount));
}

void TGIFSubImage::AllocateUnfilledPixels() const {
    Pixels.reset();
    PixelCount = 0;
    const int64_t count = int64_t{Width()} * Height();
    if (count == 0) return;
    Pixels = std::shared_ptr<uint8_t[]>(new uint8_t[static_cast<size_t>(count)]);
    PixelCount = count;
}

uint8_t* TGIFSubImage::MakePixels() const {
    if (!Pixels && PixelCount > 0) AllocatePixels(PendingFill);
    return Pixels.get();
}

uint8_t* TGIFSubImage::OwnPixels() {
    if (Pixels && Pixels.use_count() > 1) {
        std::shared_ptr<uint8_t[]> own(new uint8_t[static_cast<size_t>(PixelCount)]);
        std::memcpy(own.get(), Pixels.get(), static_cast<size_t>(PixelCount));
        Pixels = std::move(own);
    }
    return MakePixels();
}

void TGIFSubImage::FreePixels() {
    Pixels.reset();
    PixelCount = 0;
    PendingFill = 0;
}

const uint8_t* TGIFSubImage::ReadRow(int y, std::vector<uint8_t>& fillRow) const {
    if (Pixels) return Pixels.get() + static_cast<int64_t>(y) * Width();
    fillRow.assign(Width(), PendingFill);
    return fillRow.data();
}

void TGIFSubImage::MapPixels(const std::array<uint8_t, 256>& map) {
    if (PixelCount == 0) return;
    if (!Pixels) {
        PendingFill = map[PendingFill];
        return;
    }
    uint8_t* p = OwnPixels();
    // The count read once: a store of a pixel could change it for the
    // compiler.
    const int64_t count = PixelCount;
    for (int64_t i = 0; i < count; ++i) p[i] = map[p[i]];
}

void TGIFSubImage::CompactUniformPixels() {
    if (!Pixels || PixelCount == 0) return;
    const uint8_t* p = Pixels.get();
    const uint8_t value = p[0];
    // A load asks this of every frame: 64 pixels at a time, in words the
    // compiler compares side by side, as most frames differ early on.
    const uint64_t all = value * 0x0101010101010101u;
    int64_t i = 0;
    for (; i + 64 <= PixelCount; i += 64) {
        uint64_t differ = 0;
        for (int k = 0; k < 64; k += 8) {
            uint64_t word;
            std::memcpy(&word, p + i + k, sizeof word);
            differ |= word ^ all;
        }
        if (differ) return;
    }
    for (; i < PixelCount; ++i)
        if (p[i] != value) return;
    Pixels.reset();
    PendingFill = value;
}

uint8_t* TGIFSubImage::ScanLine(int y) {
    if (y < 0 || y >= Height()) throw GIFException(GIFMessages::InvalidPixelCoordinates);
    if (!Pixels) AllocatePixels(PixelCount > 0 ? PendingFill : 0);
    if (PixelCount == 0) throw GIFException(GIFMessages::ImageIsEmpty);
    return OwnPixels() + static_cast<int64_t>(y) * Width();
}

uint8_t TGIFSubImage::Pixel(int x, int y) {
    if (x < 0 || x >= Width()) throw GIFException(GIFMessages::InvalidPixelCoordinates);
    if (y < 0 || y >= Height()) throw GIFException(GIFMessages::InvalidPixelCoordinates);
    if (!MakePixels()) AllocatePixels(0);
    if (PixelCount == 0) throw GIFException(GIFMessages::ImageIsEmpty);
    // Reading leaves shared pixels shared.
    return Pixels[static_cast<int64_t>(y) * Width() + x];
}

bool TGIFSubImage::Transparent() const {
    return GraphicControl && GraphicControl->Transparent();
}

uint8_t TGIFSubImage::FillValue() const {
    return Transparent() ? GraphicControl->TransparentColorIndex() : 0;
}

void TGIFSubImage::Assign(const TGIFSubImage* source) {
    if (source == this) return;
    Clear();
    if (!source || source->Empty()) return;
    SetLeft(source->Left());
    SetTop(source->Top());
    SetWidth(source->Width());
    SetHeight(source->Height());
    SetPacked(source->Packed());
    // The pixels are shared until either frame writes them.
    Pixels = source->Pixels;
    PixelCount = source->PixelCount;
    PendingFill = source->PendingFill;
    for (int i = 0; i < source->ColorMap.Count(); ++i) {
        const TPaletteEntry e = source->ColorMap.Entry(i);
        ColorMap.Add(RGBColor(e.Red, e.Green, e.Blue));
    }
    ColorMap.SetSorted(source->ColorMap.Sorted());
    // A copy stores as the frame does (the chosen data is written only
    // while it still decodes to the pixels).
    KeepFullCodeTable = source->KeepFullCodeTable;
    LookAhead = source->LookAhead;
    ChosenData = source->ChosenData;
    // The extensions travel through their stored form.
    TMemoryStream stream;
    for (const auto& extension : source->Extensions) extension->SaveToStream(stream);
    stream.SetPosition(0);
    Extensions.LoadFromStream(stream, *this);
}

// ---------------------------------------------------------------------------
// The palette, and dropping what drawing made.

TPalette TGIFSubImage::Palette() {
    if (FrameBitmap) return BitmapPalette;
    if (CachedPalette) return *CachedPalette;
    if (OwnerImage && OwnerImage->DitheringWanted()) {
        CachedPalette = WebPalette();
        return *CachedPalette;
    }
    if (ColorMap.Count() == 0) return OwnerImage ? OwnerImage->ImagePalette() : TPalette{};
    CachedPalette = GIFPaletteOf(ColorMap);
    return *CachedPalette;
}

void TGIFSubImage::SetPalette(const TPalette& palette) {
    if (CachedPalette && *CachedPalette == palette) return;
    CachedPalette = palette;
    if (FrameBitmap && BitmapPalette != palette) {
        FreeBitmap();
        if (OwnerImage) {
            OwnerImage->PaletteModified = true;
            OwnerImage->Changed();
        }
    }
}

void TGIFSubImage::FreeBitmap() {
    FrameBitmap.reset();
    BitmapPalette.clear();
    FrameMask.reset();
    // A bitmap built again derives its mask again.
    NeedMask = true;
    FreeDrawingImages();
}

void TGIFSubImage::FreeDrawingImages() {
    OpaqueImage.reset();
    MaskedImage.reset();
}
