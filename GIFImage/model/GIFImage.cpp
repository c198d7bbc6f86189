#include "GIFImage.h"

#include "Canvas.h"
#include "GIFDrawFlags.h"
#include "GIFException.h"
#include "GIFLimits.h"
#include "GIFMessages.h"
#include "GIFOptimizer.h"
#include "GIFPainter.h"
#include "GIFRegistration.h"
#include "GIFTrailer.h"
#include "Synchronize.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>
#include <QPainter>

#include <algorithm>
#include <thread>

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
}

std::unique_ptr<TGraphic> TGIFImage::Share() const {
    auto copy = std::make_unique<TGIFImage>();
    // Assign reads the frames without changing them.
    copy->Assign(const_cast<TGIFImage*>(this));
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
            bounds = TRect{std::min(bounds.Left, left), std::min(bounds.Top, top),
                           std::max(bounds.Right, right), std::max(bounds.Bottom, bottom)};
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

void TGIFImage::LoadFromClipboardFormat(const std::string& format, const std::vector<uint8_t>* data) {
    if (format == BitmapClipboardFormat) return AssignClipboardBitmap(data);
    if (format != GIFClipboardFormat) throw EInvalidGraphic("Unsupported clipboard format");
    if (data) {
        LoadFromClipboardData(*data);
        return;
    }
    const QMimeData* mime = qGuiApp ? QGuiApplication::clipboard()->mimeData() : nullptr;
    const QString name = QString::fromStdString(format);
    if (!mime || !mime->hasFormat(name)) throw EInvalidGraphic("Unsupported clipboard format");
    const QByteArray bytes = mime->data(name);
    LoadFromClipboardData(std::vector<uint8_t>(bytes.begin(), bytes.end()));
}

void TGIFImage::SaveToClipboardFormat() {
    if (Empty()) return;
    QClipboard* clipboard = qGuiApp ? QGuiApplication::clipboard() : nullptr;
    if (!clipboard) throw GIFException(GIFMessages::ClipboardStoreFailed);
    const std::vector<uint8_t> bytes = SaveToClipboardData();
    const QByteArray data(reinterpret_cast<const char*>(bytes.data()), static_cast<qsizetype>(bytes.size()));
    const QString format = QString::fromStdString(GIFClipboardFormat);
    const QImage picture = ScreenPicture().convertToFormat(QImage::Format_ARGB32);
    auto* mime = new QMimeData; // the clipboard owns it from here on
    mime->setImageData(picture);
    mime->setData(format, data);
    clipboard->setMimeData(mime);
    const QMimeData* kept = clipboard->mimeData();
    if (!kept || kept->data(format) != data) throw GIFException(GIFMessages::ClipboardStoreFailed);
}
