// tvgif render FILE OUTDIR [--force]: the picture as the painter shows it
// after each frame, as RGBA PNGs of the logical screen (frame-0000.png, ...),
// drawn on a fully transparent ground with the default draw flags but
// without web-palette dithering, one pass, without waiting out the delays.
// An OUTDIR that already holds frame-*.png files is refused unless --force
// is given, which removes them first: old frames left beside the new ones
// would read as part of this picture.
//
// Only the frames' union is drawn and held in memory; the rest of the screen
// is clear, and each PNG is written row by row, so a huge logical screen with
// small frames costs what the frames cost. A screen of more than
// MaxScreenPicturePixels is refused: no default reader would open its PNGs.

#include "Canvas.h"
#include "Command.h"
#include "Exceptions.h"
#include "GIFBytes.h"
#include "GIFDrawFlags.h"
#include "GIFException.h"
#include "GIFImage.h"
#include "GIFLimits.h"
#include "GIFMessages.h"
#include "GIFPainter.h"
#include "GIFSettings.h"
#include "InputFile.h"
#include "PictureCommands.h"

#include <png.h>

#include <algorithm>
#include <cerrno>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <memory>
#include <new>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

struct RenderOptions {
    std::string File;
    std::string OutDir;
    bool Force = false;
};

bool IsFrameName(const std::string& name) {
    return name.size() > 10 && name.compare(0, 6, "frame-") == 0 &&
           name.compare(name.size() - 4, 4, ".png") == 0;
}

// Makes the folder, and leaves in it no frames of an earlier render that
// could pass for this picture's: without force such a folder is refused,
// with it those files (or links, never what they point at) are removed.
void PrepareFolder(const std::string& dir, bool force) {
    namespace fs = std::filesystem;
    std::error_code error;
    fs::create_directories(dir, error);
    if (error) throw EFCreateError("cannot make the folder: " + error.message());
    std::vector<fs::path> earlier;
    for (fs::directory_iterator entry(dir, error), end; !error && entry != end; entry.increment(error))
        if (IsFrameName(entry->path().filename().string())) earlier.push_back(entry->path());
    if (error) throw EFOpenError("cannot read the folder: " + error.message());
    if (earlier.empty()) return;
    if (!force) throw EFCreateError("already holds frame-*.png files; give --force to replace them");
    for (const fs::path& path : earlier)
        if (!fs::remove(path, error) && error)
            throw EFCreateError("cannot remove " + path.filename().string() + ": " + error.message());
}

std::string FrameName(const std::string& dir, int index) {
    char name[32];
    std::snprintf(name, sizeof name, "frame-%04d.png", index);
    return (std::filesystem::path(dir) / name).string();
}

void KeepPngError(png_structp png, png_const_charp message) {
    *static_cast<std::string*>(png_get_error_ptr(png)) = message;
    png_longjmp(png, 1);
}

void IgnorePngWarning(png_structp, png_const_charp) {}

// Row y of picture (premultiplied ARGB32) as straight RGBA bytes into out,
// so that no converted copy of the whole picture is made.
void StraightRgbaRow(const QImage& picture, int y, png_byte* out) {
    const auto* in = reinterpret_cast<const QRgb*>(picture.constScanLine(y));
    for (int x = 0; x < picture.width(); ++x, out += 4) {
        const QRgb pixel = qUnpremultiply(in[x]);
        out[0] = static_cast<png_byte>(qRed(pixel));
        out[1] = static_cast<png_byte>(qGreen(pixel));
        out[2] = static_cast<png_byte>(qBlue(pixel));
        out[3] = static_cast<png_byte>(qAlpha(pixel));
    }
}

// Writes an RGBA PNG of width × height to file, clear except for picture
// (premultiplied ARGB32) at place, one row at a time. Returns libpng's error,
// "" on success.
std::string WriteScreenPng(FILE* file, int width, int height, const QImage& picture, const TRect& place) {
    std::vector<png_byte> row(static_cast<size_t>(width) * 4);
    std::string error;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, &error, KeepPngError, IgnorePngWarning);
    if (!png) return "out of memory";
    png_infop info = png_create_info_struct(png);
    // Everything with a destructor is made before this point: the jump back
    // skips none.
    if (!info || setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return error.empty() ? "out of memory" : error;
    }
    png_init_io(png, file);
    png_set_IHDR(png, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), 8,
                 PNG_COLOR_TYPE_RGB_ALPHA, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    for (int y = 0; y < height; ++y) {
        const bool inside = y >= place.Top && y < place.Bottom;
        if (inside) StraightRgbaRow(picture, y - place.Top, row.data() + size_t(place.Left) * 4);
        png_write_row(png, row.data());
        if (inside) std::fill(row.begin() + place.Left * 4, row.begin() + place.Right * 4, png_byte{0});
    }
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return "";
}

// Created exclusively, so that nothing planted under the frame's name (a
// link above all) is written through; a frame cut short is removed.
void WriteFrame(const std::string& name, int width, int height, const QImage& drawn, const TRect& place) {
    const int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
    FILE* file = fd >= 0 ? ::fdopen(fd, "wb") : nullptr;
    if (!file) {
        const int reason = errno;
        if (fd >= 0) {
            ::close(fd);
            ::unlink(name.c_str());
        }
        throw EFCreateError("cannot write " + name + ": " + std::strerror(reason));
    }
    std::string error = WriteScreenPng(file, width, height, drawn, place);
    if (std::fclose(file) != 0 && error.empty()) error = std::strerror(errno);
    if (!error.empty()) {
        ::unlink(name.c_str());
        throw EWriteError("cannot write " + name + ": " + error);
    }
}

int Render(const RenderOptions& options) {
    TGIFImage image;
    image.WarningHandler = [&](TGIFImage&, TGIFSeverity, const std::string& message) {
        std::fprintf(stderr, "%s: warning: %s\n", InputName(options.File).c_str(), message.c_str());
    };
    const int loaded = Tvgif::ForFile(InputName(options.File), [&] {
        Tvgif::LoadGIF(image, ReadInputFile(options.File));
        if (int64_t{image.Width()} * image.Height() > MaxScreenPicturePixels)
            throw GIFException(std::string(GIFMessages::ScreenTooLarge) + " (" +
                               std::to_string(image.Width()) + " x " + std::to_string(image.Height()) +
                               " pixels; at most " + std::to_string(MaxScreenPicturePixels) +
                               " are rendered)");
        return Tvgif::ExitOk;
    });
    if (loaded != Tvgif::ExitOk) return loaded;

    return Tvgif::ForFile(options.OutDir, [&] {
        PrepareFolder(options.OutDir, options.Force);
        if (image.Empty() || image.Width() == 0 || image.Height() == 0) return Tvgif::ExitOk;
        // Drawn: the frames' union only, placed on the screen at bounds.
        const TRect bounds = image.FramesBounds();
        QImage drawn(std::max(1, bounds.Width()), std::max(1, bounds.Height()),
                     QImage::Format_ARGB32_Premultiplied);
        if (drawn.isNull()) throw std::bad_alloc();
        drawn.fill(Qt::transparent);
        TCanvas canvas(&drawn);
        int written = 0;
        image.OnAfterPaint = [&](TGIFPainter& painter) {
            WriteFrame(FrameName(options.OutDir, written), image.Width(), image.Height(), drawn, bounds);
            ++written;
            // One pass: a drawn frame's bitmap is not needed again.
            const int index = painter.CurrentFrame();
            if (index >= 0 && index < image.Images.Count()) image.Images[index].FreeBitmap();
        };
        image.PainterTimerFactory = [] { return std::make_unique<TGIFInstantTimer>(); };
        // In this very call, one pass, exact colours.
        const uint16_t flags = GIFDrawFlagsDefault & ~(DrawAsync | DrawLoop | DrawDither | DrawAutoDither);
        image.Paint(nullptr, canvas, flags,
                    {-bounds.Left, -bounds.Top, image.Width() - bounds.Left, image.Height() - bounds.Top});
        return Tvgif::ExitOk;
    });
}

} // namespace

void AddRenderCommand(CLI::App& app) {
    auto* command = app.add_subcommand("render", Tvgif::RenderDescription);
    auto options = std::make_shared<RenderOptions>();
    command->add_option("FILE", options->File, "The GIF file to render (- for standard input)")->required();
    command->add_option("OUTDIR", options->OutDir, "The directory for the PNG files")
        ->required()
        ->check(CLI::Validator(
            [](const std::string& value) { return value.empty() ? std::string("must not be empty") : ""; },
            "", "not empty"));
    command->add_flag("--force", options->Force, "Remove the frame-*.png files that OUTDIR already holds");
    Tvgif::SetAction(
        *command, [options] { return Render(*options); }, &options->File);
}
