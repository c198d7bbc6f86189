#pragma once
// A GIF picture as a graphic of the picture framework: the logical screen
// with its global colour table, the frames, and the settings that drawing,
// animating and converting use.

#include "GIFHeader.h"
#include "GIFImageList.h"
#include "GIFPainterTimer.h"
#include "GIFSettings.h"
#include "GIFTypes.h"
#include "Graphic.h"

#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

class QImage;
class TBitmap;
class TCanvas;
class TGIFPainter;

using TGIFPainterNotify = std::function<void(TGIFPainter&)>;
// The clipboard format of bitmaps, which pasting converts into a frame.
inline constexpr const char* BitmapClipboardFormat = "Bitmap";

class TGIFImage : public TGraphic {
public:
    static constexpr const char* GraphicClassName = "TGIFImage";

    TGIFImage();
    ~TGIFImage() override;

    std::string ClassName() const override { return GraphicClassName; }
    // A copy of the model (screen, tables, frames, settings) whose frames
    // share this image's decoded pixels until either is written; the copy
    // has its own painters, composed bitmap and frame bitmaps, so that each
    // holder animates on its own.
    std::unique_ptr<TGraphic> Share() const override;

    // Reads one GIF stream, replacing the content. On failure the stream is
    // set back to where it was and the error passes on; the image keeps what
    // was read before the failure.
    void LoadFromStream(TStream& stream) override;
    // Writes the header, the frames and the trailer, reporting progress with
    // "Saving...". An image without frames fails with "Unsupported GIF
    // version". On failure what was written stays in the stream.
    void SaveToStream(TStream& stream) override;
    // The picture's part of a window description: the GIF stream, optimised
    // first with every option while OptimizeOnWrite is on.
    void WriteData(TStream& stream) override;

    // The palette the picture shows with (GIFImage.cpp).
    // DrawDither is set, and DrawAutoDither is clear or the display is
    // paletted.
    bool DitheringWanted() const;
    // The composed bitmap's palette, else the cached one, else the web
    // palette when dithering is wanted, else one from the global table,
    // else the first frame's. Asked again while it is being computed (no
    // table anywhere) it fails with "No global or local color table defined".
    TPalette ImagePalette();
    void SetImagePalette(const TPalette& palette);
    TPalette Palette() const override { return const_cast<TGIFImage*>(this)->ImagePalette(); }
    // Set when a palette change dropped a bitmap: the next frame bitmap
    // built asks for a redraw.
    bool PaletteModified = false;

    // Rendering (GIFImageDraw.cpp). A program without a display links
    // GIFNoDisplay.cpp instead for what the model itself calls (Draw,
    // StopPainters, FreeComposedBitmap): there nothing is drawn and no
    // painter runs.
    // Draws the picture into rect: a still frame (the one DrawFrameIndex
    // chooses), or for several frames with DrawAnimate a painter that plays
    // into the composed bitmap (or with DrawDirect onto canvas itself), or
    // the composed bitmap while that painter plays. Does nothing when called
    // again from inside itself. UI thread only.
    void Draw(TCanvas& canvas, const TRect& rect) override;
    void StopAnimation() override { StopPainters(); }
    // The picture as last drawn, over the part of the logical screen that
    // ComposedBounds gives (the frames' union: nothing outside it is ever
    // drawn, so a huge screen with small frames costs what the frames do);
    // built from the first frame when there is none. Null for an empty image.
    const QImage* ComposedBitmap();
    bool HasComposedBitmap() const { return Composed != nullptr; }
    // Where the composed bitmap lies on the logical screen.
    TRect ComposedBounds() const { return ComposedArea; }
    // The composed bitmap on the whole logical screen, clear around it. A
    // screen of more than MaxScreenPicturePixels fails with "Logical screen
    // too large for one picture". Null for an empty image.
    QImage ScreenPicture();
    // Stops the painter that draws for Draw, then drops the composed bitmap.
    void FreeComposedBitmap();
    // The bitmap takes the screen picture.
    void AssignTo(TBitmap& bitmap);

    // Painters (GIFPainter.cpp).
    // Makes a painter of this image for rect of canvas, none for an empty
    // image or rect. With DrawAsync it is returned unstarted; without, it
    // plays to its end at once and none is returned (a failure it met is
    // raised here). reference, when given, names the painter while it lives.
    TGIFPainter* Paint(TGIFPainter** reference, TCanvas& canvas, uint16_t drawFlags, const TRect& rect);
    // Stops every painter of the image and waits for those with DrawAsync
    // to leave, then drops the composed bitmap.
    void StopPainters();
    // The same for the painter that draws for Draw only.
    void StopFramePainter();
    // The painter that plays for Draw, or null.
    TGIFPainter* FramePainter() const { return Painter; }
    int PainterCount();

    int Width() const override { return Header.Width(); }
    int Height() const override { return Header.Height(); }
    // Fail with "Image width (height) too small for contained frames" when a
    // frame would stick out.
    void SetWidth(int value);
    void SetHeight(int value);
    bool Empty() const override { return Images.Count() == 0; }

    // Drops all frames, the global table and the logical screen size.
    void Clear();
    // The bytes of image data the frames were read from (LoadFromStream,
    // kept by Assign), or 0 for an image made in memory: what the pixels
    // weigh in the file, for steps whose memory grows with them.
    int64_t LoadedImageDataBytes() const { return LoadedDataBytes; }
    // Appends a frame as it is.
    TGIFSubImage& Add(std::unique_ptr<TGIFSubImage> frame);
    // A copy of another image's header, settings and frames (the frames
    // sharing its pixels until either is written), with "Copying..."
    // progress.
    void Assign(const TGIFImage& source);
    // Conversion (GIFConvert.cpp).
    // Appends a new frame made from graphic; on failure the frame is dropped
    // and the error passes on.
    TGIFSubImage& Add(TGraphic& graphic);
    // Another TGIFImage: as Assign above. Any other graphic: one frame made
    // from it.
    void Assign(TGraphic* source);
    // The clipboard's bitmap (or the BMP in data) converted into one frame.
    void AssignClipboardBitmap(const std::vector<uint8_t>* data);

    // The loop count of the first looping extension, -1 without one; and
    // the frame that holds it (-1).
    int LoopCount() const;
    int LoopStartFrame() const;
    // The highest version among the frames, 0 without frames.
    int Version() const;
    // The largest bit count among the global and local tables.
    int BitsPerPixel() const;
    int ColorResolution() const;
    TColor BackgroundColor() { return Header.BackgroundColor(); }

    // Passes a warning to WarningHandler, when one is set.
    void Warning(TGIFSeverity severity, const std::string& message);

    // Clipboard (GIFImageClipboard.cpp): data in the "GIF Image" format is
    // read as a GIF stream; data in the "Bitmap" format (a BMP, or the
    // clipboard's image) is converted into a frame. Without data the
    // clipboard's data for the format is taken.
    void LoadFromClipboardFormat(const std::string& format, const std::vector<uint8_t>* data = nullptr);
    // Puts the drawn picture as a bitmap and the GIF stream under "GIF Image"
    // on the clipboard; does nothing for an empty image. Fails with "Failed
    // to store GIF on clipboard" when there is no clipboard or it does not
    // keep the data.
    void SaveToClipboardFormat();

    // The union of the frames' rectangles clipped to the logical screen:
    // all that rendering needs to allocate for, however large the screen a
    // file claims. Empty without frames.
    TRect FramesBounds() const;

    // Loading: counts bytes of a frame's image data towards the pixel budget
    // of GIFLimits.h.
    void CountImageData(int64_t bytes);
    // Accounts for count pixels that a frame is about to allocate while it is
    // read (frameDataBytes: its own image data). Fails with "Image too large
    // for its data" past the budget and "Image exceeds the pixel limit of a
    // load" past MaxLoadPixels.
    void ClaimPixels(int64_t count, int64_t frameDataBytes);
    // Frames decoded after the load has read on: reserves count pixels for
    // a frame while they fit the budget as it stands however many of the
    // pixels reserved before get allocated, so that its claim could not fail
    // where the frame stands in the stream. False (nothing reserved) when
    // they may not fit, or no load is under way.
    bool ReservePixels(int64_t count);
    // The reserved pixels of a finished frame: claimed when its data
    // allocated them, else given back.
    void SettleReservedPixels(int64_t count, bool allocated);
    // Set while a load reads frames ahead of their decoding: finishes the
    // frames read before, so that whatever the reader reports next comes
    // after all they report, as when frames are read one by one.
    std::function<void()> FinishFramesAhead;

    TGIFImageList Images;
    TGIFHeader Header;

    uint16_t DrawOptions = DefaultDrawFlags;
    uint8_t ColorReduction = DefaultColorReduction;
    uint32_t ReductionBits = DefaultReductionBits;
    uint8_t DitherMode = DefaultDitherMode;
    TGIFCompression Compression = DefaultCompression;
    // Each frame's LZW codes start from the fewest bits its pixels need (at
    // least 2) rather than from its table's bits: smaller for frames that
    // use only the first entries of a large table; every reader takes it.
    bool SmallestCodeSize = false;
    TGIFWarning WarningHandler;
    TGIFThreadPriority ThreadPriority = DefaultThreadPriority;
    int32_t AnimationSpeed = DefaultAnimationSpeed;
    // The frame drawn when the picture is not animated; -1 (or any index
    // outside the list) means the first frame.
    int32_t DrawFrameIndex = -1;
    uint32_t DrawBackgroundColor = clNoneColor;

    // Painter notifications: start of painting, each painted frame, after each
    // frame, each loop, end of painting.
    // Each is called with the painter, which it may steer (its current
    // frame) or stop.
    TGIFPainterNotify OnStartPaint;
    TGIFPainterNotify OnPaint;
    TGIFPainterNotify OnAfterPaint;
    TGIFPainterNotify OnLoop;
    TGIFPainterNotify OnEndPaint;

    // Makes the clock and wait of each new painter; the steady clock when
    // unset. Tests put in a timer that steps frames without waiting.
    TGIFPainterTimerFactory PainterTimerFactory;

private:
    friend class TGIFPainter;
    void WaitForPainters(const std::function<bool()>& stopSome);
    // An empty (clear) composed bitmap over the frames' union with a copy of
    // the image palette.
    void NewComposedBitmap();
    // Where the composed bitmap goes when the image is drawn into rect.
    TRect ComposedPlace(const TRect& rect, bool tiled) const;
    void DropComposedBitmap();

    // The composed bitmap with the canvas that painters draw on. Shared
    // pointers carry the deleter of the rendering layer that made them, so
    // that the model itself needs no picture code to drop them.
    std::shared_ptr<QImage> Composed;
    std::shared_ptr<TCanvas> ComposedCanvas;
    TRect ComposedArea;
    TPalette ComposedPalette;
    std::optional<TPalette> CachedPalette;
    bool PaletteBusy = false;
    bool Drawing = false;
    // The painters of the image, guarded by PainterLock; Painter is the one
    // that draws for Draw.
    std::mutex PainterLock;
    std::vector<TGIFPainter*> Painters;
    TGIFPainter* Painter = nullptr;
    // What the load under way has read and allocated.
    struct TLoadBudget {
        bool Active = false;
        int64_t DataBytes = 0;
        int64_t Allocated = 0;
        int64_t Reserved = 0;
    };
    TLoadBudget Budget;
    int64_t LoadedDataBytes = 0;
};
