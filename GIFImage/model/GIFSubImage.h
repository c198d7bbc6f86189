#pragma once
// One frame of a GIF picture: its extensions, image descriptor, local colour
// table and pixels (one colour index per byte, rows top to bottom).

#include "GIFColorMap.h"
#include "GIFExtensionList.h"
#include "GIFItem.h"
#include "GIFMask.h"
#include "GIFParallelDecoder.h"
#include "GIFParallelEncoder.h"
#include "Graphic.h"

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

class QImage;
class TBitmap;
class TGIFDIB;
class TCanvas;
class TGIFGraphicControlExtension;
class TGraphic;
class TPicture;

class TGIFSubImage : public TGIFItem {
public:
    explicit TGIFSubImage(TGIFImage* image);
    ~TGIFSubImage() override;

    // Reads the frame's extensions, then (unless the trailer or the end of
    // the stream comes first) its image descriptor, local colour table and
    // image data.
    void LoadFromStream(TStream& stream) override;
    // Loading with the decoding done elsewhere (GIFImageList.cpp): reads as
    // LoadFromStream does, but takes the image data into job undecoded, or
    // leaves it in the stream when it is larger than MaxDecodeAheadBytes
    // (job then holds no bytes); false when the frame has none (the trailer
    // or the end came first).
    bool ReadAhead(TStream& stream, TGIFDecodeJob& job);
    // Decodes job's data here, from its bytes or from the stream where it
    // was left, as LoadFromStream would.
    void DecodeReadAhead(TStream& stream, const TGIFDecodeJob& job);
    // Takes what decoding job elsewhere gave, as LoadFromStream would have
    // met it: the warnings, the pixels, then the error. The pixels were
    // reserved in the load's budget (see TGIFImage::ReservePixels).
    void TakeDecoded(TGIFDecodedFrame decoded);
    // Writes the extensions and, unless the frame is empty, the image
    // descriptor with its packed byte recomputed, the local table and the
    // compressed pixels. A frame with a local table is written not
    // interlaced; its pixels are kept in row order anyway.
    void SaveToStream(TStream& stream) override;
    // The same with the image data already compressed (by CompressFrames).
    void SaveToStream(TStream& stream, const std::vector<uint8_t>& imageData);
    // Recomputes the packed byte as it is written: without local entries
    // only the interlace bit and the two reserved bits stay; with them, the
    // table's flags, and the frame is no longer marked interlaced.
    void UpdatePacked();
    // What the compressor gets for this frame as it is written.
    TGIFEncodeJob EncodeJob();
    // Writes the table-based image data with the image's compressor: the
    // local table's bits and count when it has entries, else those of the
    // global table (padded to a power of two).
    void Compress(TStream& stream);
    // 2 when the local table is marked sorted or an extension needs GIF89a.
    int Version() const override;
    // Drops extensions, local table, pixels, size, transparency and bitmap.
    void Clear();

    uint16_t Left() const;
    uint16_t Top() const;
    uint16_t Width() const;
    uint16_t Height() const;
    void SetLeft(uint16_t value);
    void SetTop(uint16_t value);
    // Changing the size drops the pixels.
    void SetWidth(uint16_t value);
    void SetHeight(uint16_t value);
    // 1 left, 2 top, 3 width, 4 height; 0 for any other index.
    int Bounds(int index) const;
    uint8_t Packed() const { return Descriptor[9]; }
    void SetPacked(uint8_t value) { Descriptor[9] = value; }
    bool Interlaced() const { return Descriptor[9] & GIFWire::DescriptorInterlaced; }
    // The 10 bytes of the image descriptor as stored.
    const std::array<uint8_t, 10>& DescriptorBytes() const { return Descriptor; }

    // The local table when it has entries, else the global one when that
    // has entries, else the (empty) local table.
    TGIFColorMap& ActiveColorMap();
    TGIFLocalColorMap ColorMap;
    TGIFExtensionList Extensions;
    // The frame's LZW code table, once full, is kept for the rest of the
    // frame instead of being cleared: strings chosen to match it (lossy
    // compression) then keep matching. Every reader takes it.
    bool KeepFullCodeTable = false;
    // Where used, the frame's codes are chosen looking ahead
    // (TLZWLookaheadEncoder), where that stores it smaller.
    TLZWLookAhead LookAhead;
    // The image data an optimiser chose for the frame, kept so that the
    // writer need not compress it again; written only while it still
    // decodes to the frame's pixels (see CompressJob).
    std::vector<uint8_t> ChosenData;

    // No pixels, or zero width or height.
    bool Empty() const;
    // The pixel buffer. A frame whose image data decoded no pixel holds none
    // after loading; it is made here, pre-filled, on first need. Frames copied
    // from one another share one buffer until either is written: the
    // writable forms (Data, ScanLine) give the frame a buffer of its own.
    const uint8_t* Data() const { return MakePixels(); }
    uint8_t* Data() { return OwnPixels(); }
    int64_t DataSize() const { return PixelCount; }
    // Whether the pixel buffer exists yet (see Data); without it every pixel
    // has the value FillValue() had when the frame was read.
    bool HasPixelBuffer() const { return Pixels != nullptr; }
    // The value every pixel has while the frame has no pixel buffer.
    uint8_t OneValue() const { return PendingFill; }
    // Row y for reading, without making the pixel buffer: the stored row, or
    // fillRow (resized to the width) holding the value every pixel of a frame
    // without a buffer has. Walking the frame row by row this way costs one
    // row, not the frame. y must lie within the frame.
    const uint8_t* ReadRow(int y, std::vector<uint8_t>& fillRow) const;
    // Puts every pixel through map: the buffer's, or the one value of a frame
    // without a buffer, which then still has none.
    void MapPixels(const std::array<uint8_t, 256>& map);
    // Drops a buffer whose pixels all have one value: the frame then reads
    // as before, costing no buffer (as one whose data decoded nothing).
    void CompactUniformPixels();
    // The start of row y; creates the pixel buffer when absent. Fails with
    // "Invalid pixel coordinates" or "Image is empty".
    uint8_t* ScanLine(int y);
    uint8_t Pixel(int x, int y);

    // Transparent when the frame's graphic control says so.
    bool Transparent() const;
    // The first graphic control extension made for this frame (not owned).
    TGIFGraphicControlExtension* GraphicControlExtension() const { return GraphicControl; }
    void SetGraphicControlExtension(TGIFGraphicControlExtension* extension) { GraphicControl = extension; }
    // The transparent colour index when the frame is transparent, else 0:
    // the value of pixels that the image data does not reach.
    uint8_t FillValue() const;

    // The palette (GIFSubImage.cpp): that of the bitmap, else the cached
    // one, else the web palette when dithering is wanted, else (without a
    // local table) the image's, else one made from the local table.
    TPalette Palette();
    // A different palette replaces the cached one and drops a bitmap that
    // has another palette.
    void SetPalette(const TPalette& palette);
    // Drops the bitmap, its mask and the drawing images. Callers that change
    // pixels through ScanLine drop them with it.
    void FreeBitmap();
    // Drops the 32-bit copies of the bitmap that drawing made (four bytes a
    // pixel), keeping the bitmap; the next draw makes them again.
    void FreeDrawingImages();
    bool HasBitmap() const { return FrameBitmap != nullptr; }
    const TGIFMask* Mask() const { return FrameMask.get(); }

    // Rendering (GIFFrameBitmap.cpp; in a program without a display,
    // GIFNoDisplay.cpp, where no bitmap is made).
    // The frame's pixels as an 8-bit bitmap whose colour table is the frame
    // palette, built on first need together with the mask, reporting
    // "Rendering..."; null for an empty frame and after a silent abort.
    TBitmap* Bitmap();
    // Builds the bitmap again when the mask has not been derived yet;
    // whether the frame has a mask.
    bool HasMask();
    // The frame's rectangle scaled from the logical screen into rect.
    TRect ScaleRect(const TRect& rect) const;
    // Draws the frame in its scaled place within rect, or tiled at natural
    // size, through its mask when transparent is asked for.
    void Draw(TCanvas& canvas, const TRect& rect, bool tiled, bool transparent);
    // As Draw, but the frame fills rect.
    void StretchDraw(TCanvas& canvas, const TRect& rect, bool tiled, bool transparent);

    // Whether this frame's pixels are the very buffer of other's.
    bool SharesPixelsWith(const TGIFSubImage& other) const { return Pixels && Pixels == other.Pixels; }

    // Another frame: a copy of its descriptor, pixels (shared until
    // written), local table, transparency and extensions; the frame itself:
    // nothing; null: clear.
    void Assign(const TGIFSubImage* source);
    // Conversion into this frame (GIFConvert.cpp). A graphic: bitmaps of 1,
    // 4 and 8 bits keep their palette and pixels, others are reduced by the
    // image's colour reduction, dither mode and reduction bits; icons and
    // metafiles bring their transparency; the logical screen grows to hold
    // the frame.
    void Assign(TGraphic* source);
    void Assign(TPicture& source);
    // A Qt image; pixels below half opacity become transparent.
    void AssignImage(const QImage& image);

private:
    void AllocatePixels(uint8_t fill) const;
    void AllocateUnfilledPixels() const;
    uint8_t* MakePixels() const;
    uint8_t* OwnPixels();
    void FreePixels();
    // Reads the extensions, descriptor and local table; false when no image
    // data follows.
    bool ReadHead(TStream& stream);
    // Counts the image data towards the load's budget and leaves the frame
    // with its size and fill value only.
    void BeginImageData(int64_t dataBytes);
    void DecodeImageData(TStream& stream, int64_t dataBytes);
    void WriteDescriptor(TStream& stream);
    // The fewest bits (at least 1) that hold every pixel value.
    int BitsForPixels() const;

    void BuildBitmap(bool dither);
    // Fills dib with the pixels dithered to the web palette (serpentine
    // Floyd-Steinberg); returns whether a mask bit was set.
    bool DitherRows(TGIFDIB& dib, TGIFMask* mask, int transparentIndex,
                    const std::function<void(TProgressStage, int, bool)>& progress);
    void DrawAreas(TCanvas& canvas, const std::vector<TRect>& areas, bool transparent);

    // What drawing made: the bitmap, and the bitmap as 32-bit images for
    // drawing, opaque and with the mask's pixels clear. Shared pointers
    // carry the deleter of the rendering layer that made them, so that the
    // model drops them without picture code of its own.
    std::shared_ptr<TBitmap> FrameBitmap;
    TPalette BitmapPalette;
    std::unique_ptr<TGIFMask> FrameMask;
    bool NeedMask = true;
    std::optional<TPalette> CachedPalette;
    std::shared_ptr<QImage> OpaqueImage;
    std::shared_ptr<QImage> MaskedImage;
    // Made on first need when PixelCount is above 0 and they are absent.
    mutable std::shared_ptr<uint8_t[]> Pixels;
    mutable int64_t PixelCount = 0;
    uint8_t PendingFill = 0;
    std::array<uint8_t, 10> Descriptor{bsImageSeparator};
    TGIFGraphicControlExtension* GraphicControl = nullptr;
};
