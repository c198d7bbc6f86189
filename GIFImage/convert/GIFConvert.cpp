// Conversion of other pictures into GIF frames and images: frames, bitmaps
// of any depth (reduced to 256 colours when deeper than 8 bits), icons,
// metafiles, Qt images, any other graphic, and whole GIF pictures.

#include "GIFConvert.h"

#include "Bitmap.h"
#include "GIFException.h"
#include "GIFGraphicControlExtension.h"
#include "GIFImage.h"
#include "GIFMessages.h"
#include "GIFPictureReduction.h"
#include "GIFSubImage.h"
#include "Icon.h"
#include "Metafile.h"
#include "Picture.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>
#include <QPainter>

#include <cstring>

namespace {

// One set bit per transparent pixel, row by row.
using TMask = std::vector<uint8_t>;

void Report(TGIFImage* image, TProgressStage stage, int percent, bool redraw, const char* message) {
    if (image) image->Progress(stage, percent, redraw, TRect{}, message);
}

// Reports every 32nd row of an import.
void ReportRow(TGIFImage* image, int y, int height) {
    if ((y & 31) == 0)
        Report(image, TProgressStage::Running, static_cast<int>(int64_t{y} * 100 / height), false,
               GIFMessages::Converting);
}

// The frame takes width × height; the logical screen grows to hold it, with
// warnings when it already had a size.
void SizeFrame(TGIFSubImage& frame, int width, int height) {
    frame.SetWidth(static_cast<uint16_t>(width));
    frame.SetHeight(static_cast<uint16_t>(height));
    TGIFImage* image = frame.Image();
    if (!image) return;
    const bool hadSize = image->Width() > 0 || image->Height() > 0;
    bool warned = false;
    if (frame.Left() + width > image->Width()) {
        if (hadSize) {
            image->Warning(SeverityWarning, GIFMessages::WidthTooSmall);
            warned = true;
        }
        image->SetWidth(frame.Left() + width);
    }
    if (frame.Top() + height > image->Height()) {
        if (hadSize) {
            image->Warning(SeverityWarning, GIFMessages::HeightTooSmall);
            warned = true;
        }
        image->SetHeight(frame.Top() + height);
    }
    if (warned) image->Warning(SeverityWarning, GIFMessages::ImageExceedsScreen);
}

// An indexed picture: its colour table and its indices, row by row.
void ImportIndexed(TGIFSubImage& frame, const QImage& indexed) {
    TGIFImage* image = frame.Image();
    frame.ColorMap.Clear();
    const QList<QRgb> table = indexed.colorTable();
    for (qsizetype i = 0; i < table.size() && i < TGIFColorMap::MaxColors; ++i)
        frame.ColorMap.Add(
            RGBColor(uint8_t(qRed(table[i])), uint8_t(qGreen(table[i])), uint8_t(qBlue(table[i]))));
    for (int y = 0; y < indexed.height(); ++y) {
        ReportRow(image, y, indexed.height());
        std::memcpy(frame.ScanLine(y), indexed.constScanLine(y), static_cast<size_t>(indexed.width()));
    }
}

// A 24-bit picture: the table is built from the colours met. The last 8
// colours are kept in a small cache, searched from the newest backwards, so
// that runs of a colour need no table search. Fails with "Color table
// overflow" at the 257th colour.
void ImportTrueColor(TGIFSubImage& frame, const QImage& picture) {
    TGIFImage* image = frame.Image();
    const QImage rgb = picture.convertToFormat(QImage::Format_RGB888);
    frame.ColorMap.Clear();
    constexpr int CacheSize = 8;
    uint32_t cacheColor[CacheSize];
    uint8_t cacheIndex[CacheSize];
    int cached = 0;
    int last = CacheSize - 1;
    std::vector<uint32_t> table;
    for (int y = 0; y < rgb.height(); ++y) {
        ReportRow(image, y, rgb.height());
        const uint8_t* in = rgb.constScanLine(y);
        uint8_t* out = frame.ScanLine(y);
        for (int x = 0; x < rgb.width(); ++x, in += 3) {
            const uint32_t color = RGBColor(in[0], in[1], in[2]);
            int found = -1;
            for (int n = 0, slot = last; n < cached; ++n, slot = (slot + CacheSize - 1) % CacheSize)
                if (cacheColor[slot] == color) {
                    found = cacheIndex[slot];
                    break;
                }
            if (found < 0) {
                const auto it = std::find(table.begin(), table.end(), color);
                if (it != table.end()) {
                    found = static_cast<int>(it - table.begin());
                } else {
                    found = frame.ColorMap.Add(color); // fails on a full table
                    table.push_back(color);
                }
                last = (last + 1) % CacheSize;
                cacheColor[last] = color;
                cacheIndex[last] = static_cast<uint8_t>(found);
                cached = std::min(cached + 1, CacheSize);
            }
            out[x] = static_cast<uint8_t>(found);
        }
    }
}

bool Indexed(const QImage& picture) {
    return picture.format() == QImage::Format_Indexed8 || picture.depth() == 1;
}

void ImportByDepth(TGIFSubImage& frame, const QImage& picture) {
    if (Indexed(picture))
        ImportIndexed(frame, picture.convertToFormat(QImage::Format_Indexed8));
    else
        ImportTrueColor(frame, picture);
}

// Transparency from a mask: the table is optimised, then a black entry is
// added for the masked pixels, when there is room and some pixel is masked.
void ApplyMask(TGIFSubImage& frame, const TMask& mask) {
    frame.ColorMap.Optimize();
    const int count = frame.ColorMap.Count();
    if (count < 1 || count > 255) return;
    if (std::find(mask.begin(), mask.end(), uint8_t{1}) == mask.end()) return;
    const int transparent = frame.ColorMap.Add(clBlack);
    const int width = frame.Width();
    for (int y = 0; y < frame.Height(); ++y) {
        uint8_t* row = frame.ScanLine(y);
        for (int x = 0; x < width; ++x)
            if (mask[static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)])
                row[x] = static_cast<uint8_t>(transparent);
    }
    auto control = std::make_unique<TGIFGraphicControlExtension>(frame);
    control->SetTransparent(true);
    control->SetTransparentColorIndex(transparent);
    frame.Extensions.Add(std::move(control));
    frame.FreeBitmap();
}

// The settings of the frame's image, or the process-wide defaults.
struct TReduction {
    int Method;
    int Dither;
    int Bits;
};
TReduction ReductionOf(TGIFSubImage& frame) {
    if (TGIFImage* image = frame.Image())
        return {image->ColorReduction, image->DitherMode, static_cast<int>(image->ReductionBits)};
    return {DefaultColorReduction, DefaultDitherMode, static_cast<int>(DefaultReductionBits)};
}

// The shared course of every picture import: size, progress, reduce when
// deeper than 8 bits, import, transparency. Masked pixels take no part in
// choosing the palette.
void ImportPicture(TGIFSubImage& frame, const QImage& picture, const TMask* mask) {
    frame.Clear();
    if (picture.isNull() || picture.width() == 0 || picture.height() == 0) return;
    if (picture.width() > 0xFFFF || picture.height() > 0xFFFF)
        throw GIFException(GIFMessages::PictureTooLarge);
    SizeFrame(frame, picture.width(), picture.height());
    TGIFImage* image = frame.Image();
    Report(image, TProgressStage::Starting, 0, false, GIFMessages::Converting);
    try {
        if (Indexed(picture)) {
            ImportByDepth(frame, picture);
        } else {
            const TReduction r = ReductionOf(frame);
            const QImage reduced =
                ReduceColors(picture, r.Method, r.Dither, {}, r.Bits, mask, [&](int percent) {
                    Report(image, TProgressStage::Running, percent, false, GIFMessages::Converting);
                });
            if (reduced.isNull()) throw GIFException(GIFMessages::UnsupportedReduction);
            ImportByDepth(frame, reduced);
        }
        if (mask) ApplyMask(frame, *mask);
    } catch (...) {
        Report(image, TProgressStage::Ending, 0, false, GIFMessages::Converting);
        throw;
    }
    Report(image, TProgressStage::Ending, 100, false, GIFMessages::Converting);
}

// A transparent bitmap's mask: the pixels of the colour of its bottom-left
// pixel.
TMask BitmapMask(const TBitmap& bitmap) {
    const QImage rgb = bitmap.Image().convertToFormat(QImage::Format_RGB32);
    TMask mask(static_cast<size_t>(rgb.width()) * static_cast<size_t>(rgb.height()), 0);
    const QRgb key = rgb.pixel(0, rgb.height() - 1);
    for (int y = 0; y < rgb.height(); ++y) {
        const QRgb* row = reinterpret_cast<const QRgb*>(rgb.constScanLine(y));
        for (int x = 0; x < rgb.width(); ++x)
            mask[static_cast<size_t>(y) * static_cast<size_t>(rgb.width()) + static_cast<size_t>(x)] =
                row[x] == key;
    }
    return mask;
}

void AssignBitmap(TGIFSubImage& frame, const TBitmap& bitmap) {
    if (bitmap.Empty()) {
        frame.Clear();
        return;
    }
    TMask mask;
    if (bitmap.Transparent()) mask = BitmapMask(bitmap);
    ImportPicture(frame, bitmap.Image(), bitmap.Transparent() ? &mask : nullptr);
}

void AssignIcon(TGIFSubImage& frame, const TIcon& icon) {
    TMask mask(static_cast<size_t>(icon.Width()) * static_cast<size_t>(icon.Height()), 0);
    for (int y = 0; y < icon.Height(); ++y)
        for (int x = 0; x < icon.Width(); ++x)
            mask[static_cast<size_t>(y) * static_cast<size_t>(icon.Width()) + static_cast<size_t>(x)] =
                icon.MaskAt(x, y);
    ImportPicture(frame, icon.ColorBitmap().convertToFormat(QImage::Format_RGB888), &mask);
}

// A metafile is played on white and on black: the pixels that differ are
// the ones it does not cover.
void AssignMetafile(TGIFSubImage& frame, const TMetafile& metafile) {
    if (metafile.Empty()) {
        frame.Clear();
        return;
    }
    QImage onWhite(metafile.Width(), metafile.Height(), QImage::Format_RGB32);
    QImage onBlack(onWhite.size(), QImage::Format_RGB32);
    onWhite.fill(Qt::white);
    onBlack.fill(Qt::black);
    metafile.PlayInto(onWhite);
    metafile.PlayInto(onBlack);
    TMask mask(static_cast<size_t>(onWhite.width()) * static_cast<size_t>(onWhite.height()), 0);
    for (int y = 0; y < onWhite.height(); ++y) {
        const QRgb* w = reinterpret_cast<const QRgb*>(onWhite.constScanLine(y));
        const QRgb* b = reinterpret_cast<const QRgb*>(onBlack.constScanLine(y));
        for (int x = 0; x < onWhite.width(); ++x)
            mask[static_cast<size_t>(y) * static_cast<size_t>(onWhite.width()) + static_cast<size_t>(x)] =
                ((w[x] ^ b[x]) & 0xFFFFFF) != 0;
    }
    ImportPicture(frame, onWhite.convertToFormat(QImage::Format_RGB888), &mask);
}

// Any other graphic is drawn onto a 24-bit picture of its size.
QImage DrawnPicture(TGraphic& graphic) {
    QImage picture(std::max(0, graphic.Width()), std::max(0, graphic.Height()), QImage::Format_RGB32);
    if (picture.isNull()) return picture;
    picture.fill(Qt::white);
    TCanvas canvas(&picture);
    graphic.Draw(canvas, TRect::FromSize(0, 0, picture.width(), picture.height()));
    return picture.convertToFormat(QImage::Format_RGB888);
}

TMask AlphaMask(const QImage& argb, bool& any) {
    TMask mask(static_cast<size_t>(argb.width()) * static_cast<size_t>(argb.height()), 0);
    any = false;
    for (int y = 0; y < argb.height(); ++y) {
        const QRgb* row = reinterpret_cast<const QRgb*>(argb.constScanLine(y));
        for (int x = 0; x < argb.width(); ++x)
            if (qAlpha(row[x]) < 128) {
                mask[static_cast<size_t>(y) * static_cast<size_t>(argb.width()) + static_cast<size_t>(x)] = 1;
                any = true;
            }
    }
    return mask;
}

} // namespace

void TGIFSubImage::Assign(TGraphic* source) {
    if (!source) {
        Clear();
        return;
    }
    if (auto* bitmap = dynamic_cast<TBitmap*>(source)) return AssignBitmap(*this, *bitmap);
    if (auto* icon = dynamic_cast<TIcon*>(source)) return AssignIcon(*this, *icon);
    if (auto* metafile = dynamic_cast<TMetafile*>(source)) return AssignMetafile(*this, *metafile);
    if (auto* jpeg = dynamic_cast<TJPEGImage*>(source)) return AssignImage(jpeg->Image());
    const QImage drawn = DrawnPicture(*source);
    if (drawn.isNull()) {
        Clear();
        return;
    }
    ImportPicture(*this, drawn, nullptr);
}

void TGIFSubImage::Assign(TPicture& source) {
    Assign(source.Graphic());
}

void TGIFSubImage::AssignImage(const QImage& image) {
    if (image.isNull()) {
        Clear();
        return;
    }
    if (image.hasAlphaChannel()) {
        const QImage argb = image.convertToFormat(QImage::Format_ARGB32);
        bool any = false;
        TMask mask = AlphaMask(argb, any);
        if (any) return ImportPicture(*this, argb.convertToFormat(QImage::Format_RGB888), &mask);
        return ImportPicture(*this, argb.convertToFormat(QImage::Format_RGB888), nullptr);
    }
    ImportPicture(*this, Indexed(image) ? image : image.convertToFormat(QImage::Format_RGB888), nullptr);
}

TGIFSubImage& AddPictureFrame(TGIFImage& gif, const QImage& picture) {
    auto frame = std::make_unique<TGIFSubImage>(&gif);
    frame->AssignImage(picture);
    TGIFSubImage& added = gif.Add(std::move(frame));
    // A frame with a transparent colour had its table shrunk when that
    // entry was added.
    if (!added.Transparent()) added.ColorMap.Optimize();
    return added;
}

TGIFSubImage& TGIFImage::Add(TGraphic& graphic) {
    auto frame = std::make_unique<TGIFSubImage>(this);
    frame->Assign(&graphic); // a failure drops the frame on the way out
    return Add(std::move(frame));
}

void TGIFImage::Assign(TGraphic* source) {
    if (source == this) return;
    auto* gif = dynamic_cast<TGIFImage*>(source);
    if (!gif) {
        Clear();
        if (!source) return;
        Add(*source);
        return;
    }
    Assign(*gif);
}

void TGIFImage::AssignClipboardBitmap(const std::vector<uint8_t>* data) {
    TBitmap bitmap;
    if (data) {
        TBorrowedMemoryStream stream(data->data(), static_cast<int64_t>(data->size()));
        bitmap.LoadFromStream(stream);
    } else {
        const QMimeData* mime = qGuiApp ? QGuiApplication::clipboard()->mimeData() : nullptr;
        if (!mime || !mime->hasImage()) throw EInvalidGraphic("Unsupported clipboard format");
        bitmap.Assign(qvariant_cast<QImage>(mime->imageData()));
    }
    Assign(&bitmap);
}
