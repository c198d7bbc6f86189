#include "GIFImage.h"

#include "GIFAppExtNSLoop.h"
#include "GIFColorMapPalette.h"
#include "GIFDrawFlags.h"
#include "GIFException.h"
#include "GIFLimits.h"
#include "GIFMessages.h"
#include "GIFOptimizer.h"
#include "GIFPainter.h"
#include "GIFPalettes.h"
#include "GIFTrailer.h"

#include <algorithm>

TGIFImage::TGIFImage() : Images(this), Header(this) {
    Header.Clear();
}

TGIFImage::~TGIFImage() {
    StopPainters();
    {
        // Painters without DrawAsync that run further up this thread forget
        // the image.
        std::lock_guard guard(PainterLock);
        for (TGIFPainter* painter : Painters) painter->Owner = nullptr;
        Painters.clear();
    }
    Images.Clear();
}

void TGIFImage::Clear() {
    StopPainters();
    Images.Clear();
    Header.Clear();
    SetImagePalette({});
    LoadedDataBytes = 0;
}

std::unique_ptr<TGraphic> TGIFImage::Share() const {
    auto copy = std::make_unique<TGIFImage>();
    copy->Assign(*this);
    copy->ReductionBits = ReductionBits;
    copy->Compression = Compression;
    copy->AnimationSpeed = AnimationSpeed;
    copy->PainterTimerFactory = PainterTimerFactory;
    copy->SetTransparent(Transparent());
    return copy;
}

void TGIFImage::LoadFromStream(TStream& stream) {
    Progress(TProgressStage::Starting, 0, false, TRect{}, GIFMessages::Loading);
    Clear();
    const int64_t start = stream.Position();
    try {
        // The logical screen allocates nothing here: only frames count.
        Budget = TLoadBudget{true, 0, 0};
        Header.LoadFromStream(stream);
        Images.LoadFromStream(stream);
        TGIFTrailer trailer(this);
        trailer.LoadFromStream(stream);
    } catch (...) {
        Budget = TLoadBudget{};
        stream.SetPosition(start);
        Progress(TProgressStage::Ending, 0, true, TRect{}, GIFMessages::Loading);
        throw;
    }
    LoadedDataBytes = Budget.DataBytes;
    Budget = TLoadBudget{};
    Progress(TProgressStage::Ending, 100, true, TRect{}, GIFMessages::Loading);
}

void TGIFImage::SaveToStream(TStream& stream) {
    Progress(TProgressStage::Starting, 0, false, TRect{}, GIFMessages::Saving);
    try {
        Header.SaveToStream(stream);
        Images.SaveToStream(stream);
        TGIFTrailer trailer(this);
        trailer.SaveToStream(stream);
    } catch (...) {
        Progress(TProgressStage::Ending, 0, true, TRect{}, GIFMessages::Saving);
        throw;
    }
    Progress(TProgressStage::Ending, 100, true, TRect{}, GIFMessages::Saving);
}

void TGIFImage::WriteData(TStream& stream) {
    if (OptimizeOnWrite) OptimizeGIF(*this, OptimizeAll, 0, 8, 0);
    SaveToStream(stream);
}

void TGIFImage::CountImageData(int64_t bytes) {
    if (Budget.Active) Budget.DataBytes += bytes;
}

void TGIFImage::ClaimPixels(int64_t count, int64_t frameDataBytes) {
    // A frame read on its own is measured against its own data.
    const int64_t data = Budget.Active ? Budget.DataBytes : frameDataBytes;
    const int64_t total = (Budget.Active ? Budget.Allocated : 0) + count;
    if (total > PixelBudget(data)) throw GIFException(GIFMessages::ImageTooLarge);
    if (total > MaxLoadPixels) throw GIFException(GIFMessages::ImageOverLimit);
    if (Budget.Active) Budget.Allocated = total;
}

bool TGIFImage::ReservePixels(int64_t count) {
    if (!Budget.Active) return false;
    const int64_t total = Budget.Allocated + Budget.Reserved + count;
    if (total > PixelBudget(Budget.DataBytes) || total > MaxLoadPixels) return false;
    Budget.Reserved += count;
    return true;
}

void TGIFImage::SettleReservedPixels(int64_t count, bool allocated) {
    if (!Budget.Active) return;
    Budget.Reserved -= count;
    if (allocated) Budget.Allocated += count;
}

TRect TGIFImage::FramesBounds() const {
    TRect bounds{0, 0, 0, 0};
    bool any = false;
    for (const auto& frame : Images) {
        const int left = std::min<int>(frame->Left(), Width());
        const int top = std::min<int>(frame->Top(), Height());
        const int right = std::min(frame->Left() + frame->Width(), Width());
        const int bottom = std::min(frame->Top() + frame->Height(), Height());
        if (right <= left || bottom <= top) continue;
        if (!any) {
            bounds = TRect{left, top, right, bottom};
            any = true;
        } else {
            bounds = bounds.Unite(TRect{left, top, right, bottom});
        }
    }
    return bounds;
}

void TGIFImage::SetWidth(int value) {
    value = std::clamp(value, 0, 0xFFFF);
    for (const auto& frame : Images)
        if (frame->Left() + frame->Width() > value) throw GIFException(GIFMessages::WidthTooSmall);
    if (value == Header.Width()) return;
    FreeComposedBitmap();
    Header.SetWidth(static_cast<uint16_t>(value));
    Changed();
}

void TGIFImage::SetHeight(int value) {
    value = std::clamp(value, 0, 0xFFFF);
    for (const auto& frame : Images)
        if (frame->Top() + frame->Height() > value) throw GIFException(GIFMessages::HeightTooSmall);
    if (value == Header.Height()) return;
    FreeComposedBitmap();
    Header.SetHeight(static_cast<uint16_t>(value));
    Changed();
}

TGIFSubImage& TGIFImage::Add(std::unique_ptr<TGIFSubImage> frame) {
    StopPainters();
    TGIFSubImage& added = Images.Add(std::move(frame));
    Changed();
    return added;
}

void TGIFImage::Assign(const TGIFImage& source) {
    if (&source == this) return;
    Clear();
    Progress(TProgressStage::Starting, 0, false, TRect{}, GIFMessages::Copying);
    try {
        Header.SetWidth(source.Header.Width());
        Header.SetHeight(source.Header.Height());
        Header.SetPacked(source.Header.Packed());
        Header.SetBackgroundColorIndex(source.Header.BackgroundColorIndex());
        Header.SetAspectRatio(source.Header.AspectRatio());
        for (int i = 0; i < source.Header.ColorMap.Count(); ++i) {
            const TPaletteEntry e = source.Header.ColorMap.Entry(i);
            Header.ColorMap.Add(RGBColor(e.Red, e.Green, e.Blue));
        }
        Header.ColorMap.SetSorted(source.Header.ColorMap.Sorted());
        ThreadPriority = source.ThreadPriority;
        DrawBackgroundColor = source.DrawBackgroundColor;
        DrawOptions = source.DrawOptions;
        ColorReduction = source.ColorReduction;
        DitherMode = source.DitherMode;
        DrawFrameIndex = source.DrawFrameIndex;
        WarningHandler = source.WarningHandler;
        OnStartPaint = source.OnStartPaint;
        OnPaint = source.OnPaint;
        OnAfterPaint = source.OnAfterPaint;
        OnLoop = source.OnLoop;
        OnEndPaint = source.OnEndPaint;
        SmallestCodeSize = source.SmallestCodeSize;
        LoadedDataBytes = source.LoadedDataBytes;
        const int count = source.Images.Count();
        for (int i = 0; i < count; ++i) {
            auto frame = std::make_unique<TGIFSubImage>(this);
            frame->Assign(&source.Images[i]);
            Images.Add(std::move(frame));
            Progress(TProgressStage::Running, (i + 1) * 100 / count, false, TRect{}, GIFMessages::Copying);
        }
    } catch (...) {
        Progress(TProgressStage::Ending, 0, false, TRect{}, GIFMessages::Copying);
        throw;
    }
    Progress(TProgressStage::Ending, 100, false, TRect{}, GIFMessages::Copying);
    Changed();
}

int TGIFImage::Version() const {
    int version = 0;
    for (const auto& frame : Images) {
        version = std::max(version, frame->Version());
        if (version >= 2) break;
    }
    return version;
}

int TGIFImage::BitsPerPixel() const {
    int bits = Header.ColorMap.BitsPerPixel();
    for (const auto& frame : Images) bits = std::max(bits, frame->ColorMap.BitsPerPixel());
    return bits;
}

int TGIFImage::ColorResolution() const {
    return BitsPerPixel();
}

void TGIFImage::Warning(TGIFSeverity severity, const std::string& message) {
    if (FinishFramesAhead) FinishFramesAhead();
    if (WarningHandler) WarningHandler(*this, severity, message);
}

// ---------------------------------------------------------------------------
// The palette.

bool TGIFImage::DitheringWanted() const {
    return (DrawOptions & DrawDither) && (!(DrawOptions & DrawAutoDither) || PalettedDisplay);
}

TPalette TGIFImage::ImagePalette() {
    // Without a global table the first frame asks the image, which asks the
    // first frame: that circle means there is no table at all.
    if (PaletteBusy) throw GIFException(GIFMessages::NoColorTable);
    PaletteBusy = true;
    struct Release {
        bool& Flag;
        ~Release() { Flag = false; }
    } release{PaletteBusy};
    if (Composed && !ComposedPalette.empty()) return ComposedPalette;
    if (CachedPalette) return *CachedPalette;
    if (DitheringWanted()) {
        CachedPalette = WebPalette();
        return *CachedPalette;
    }
    if (Header.ColorMap.Count() > 0) {
        CachedPalette = GIFPaletteOf(Header.ColorMap);
        return *CachedPalette;
    }
    if (Images.Count() > 0) return Images[0].Palette();
    return {};
}

void TGIFImage::SetImagePalette(const TPalette& palette) {
    const TPalette old = CachedPalette.value_or(TPalette{});
    if (palette.empty())
        CachedPalette.reset();
    else
        CachedPalette = palette;
    if (old == palette) return;
    if (Composed && ComposedPalette != palette) {
        FreeComposedBitmap();
        PaletteModified = true;
        Changed();
    }
}

// ---------------------------------------------------------------------------
// Looping.

int TGIFImage::LoopStartFrame() const {
    for (int i = 0; i < Images.Count(); ++i)
        for (const auto& extension : Images[i].Extensions)
            if (dynamic_cast<const TGIFAppExtNSLoop*>(extension.get())) return i;
    return -1;
}

int TGIFImage::LoopCount() const {
    for (const auto& frame : Images)
        for (const auto& extension : frame->Extensions)
            if (const auto* loop = dynamic_cast<const TGIFAppExtNSLoop*>(extension.get())) return loop->Loops;
    return -1;
}
