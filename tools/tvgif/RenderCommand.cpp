// tvgif render FILE OUTDIR: the picture as the painter shows it after each
// frame, as RGBA PNGs of the logical screen (frame-0000.png, ...), drawn on
// a fully transparent ground with the default draw flags but without
// web-palette dithering, one pass, without waiting out the delays.

#include "Canvas.h"
#include "Command.h"
#include "Exceptions.h"
#include "GIFDrawFlags.h"
#include "GIFImage.h"
#include "GIFPainter.h"
#include "GIFSettings.h"

#include <QImageWriter>

#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>

namespace {

struct RenderOptions {
    std::string File;
    std::string OutDir;
};

// Keeps time without waiting: each wait only moves the clock on.
class InstantTimer : public TGIFPainterTimer {
public:
    int64_t NowMs() override { return Now; }
    bool WaitFor(int64_t ms) override {
        if (ms > 0) Now += ms;
        return false;
    }
    void Wake() override {}

private:
    int64_t Now = 0;
};

// The screens tvgif renders are held whole in memory.
constexpr int64_t MaxRenderPixels = int64_t{1} << 28;

std::string FrameName(const std::string& dir, int index) {
    char name[32];
    std::snprintf(name, sizeof name, "frame-%04d.png", index);
    return (std::filesystem::path(dir) / name).string();
}

int Render(const RenderOptions& options) {
    TGIFImage image;
    image.WarningHandler = [&](TGIFImage&, TGIFSeverity, const std::string& message) {
        std::fprintf(stderr, "%s: warning: %s\n", options.File.c_str(), message.c_str());
    };
    const int loaded = Tvgif::ForFile(options.File, [&] {
        image.LoadFromFile(options.File);
        if (int64_t{image.Width()} * image.Height() > MaxRenderPixels)
            throw EInvalidGraphic("Logical screen too large to render");
        return Tvgif::ExitOk;
    });
    if (loaded != Tvgif::ExitOk) return loaded;

    return Tvgif::ForFile(options.OutDir, [&] {
        std::error_code error;
        std::filesystem::create_directories(options.OutDir, error);
        if (image.Empty() || image.Width() == 0 || image.Height() == 0) return Tvgif::ExitOk;
        QImage screen(image.Width(), image.Height(), QImage::Format_ARGB32_Premultiplied);
        if (screen.isNull()) throw EOutOfResources("Not enough memory for the logical screen");
        screen.fill(Qt::transparent);
        TCanvas canvas(&screen);
        int written = 0;
        image.OnAfterPaint = [&](TGIFPainter&) {
            const std::string name = FrameName(options.OutDir, written);
            QImageWriter writer(QString::fromStdString(name), "png");
            if (!writer.write(screen.convertToFormat(QImage::Format_ARGB32)))
                throw EFCreateError("Cannot write file \"" + name +
                                    "\": " + writer.errorString().toStdString());
            ++written;
        };
        image.PainterTimerFactory = [] { return std::make_unique<InstantTimer>(); };
        // In this very call, one pass, exact colours.
        const uint16_t flags = GIFDrawFlagsDefault & ~(DrawAsync | DrawLoop | DrawDither | DrawAutoDither);
        image.Paint(nullptr, canvas, flags, {0, 0, image.Width(), image.Height()});
        return Tvgif::ExitOk;
    });
}

} // namespace

void AddRenderCommand(CLI::App& app) {
    auto* command = app.add_subcommand(
        "render", "Write each frame as the painter shows it: OUTDIR/frame-0000.png, ... (RGBA PNGs)");
    auto options = std::make_shared<RenderOptions>();
    command->add_option("FILE", options->File, "The GIF file to render")->required();
    command->add_option("OUTDIR", options->OutDir, "The directory for the PNG files")->required();
    Tvgif::SetAction(*command, [options] { return Render(*options); });
}
