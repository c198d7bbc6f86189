// tvgif convert, run as a program: a PNG, a JPEG and a transparent PNG
// become GIFs that giflib opens; usage and file errors give their exit codes.

#ifdef TV_HAVE_GIFLIB

#include "TempFolderTest.h"

#include <QImage>
#include <gif_lib.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <sys/wait.h>

namespace {

namespace fs = std::filesystem;

int RunTool(const std::string& arguments) {
    const std::string command = std::string(TV_TVGIF) + " " + arguments + " >/dev/null 2>&1";
    const int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

class ConvertTool : public TempFolderTest {
protected:
    ConvertTool() : TempFolderTest("tvgif-convert") {}
    std::string PathOf(const std::string& name) const { return (Folder / name).string(); }
};

// A gradient of far more than 256 colours.
QImage Gradient(QImage::Format format) {
    QImage image(120, 80, format);
    for (int y = 0; y < 80; ++y)
        for (int x = 0; x < 120; ++x) image.setPixel(x, y, qRgba(x * 2, y * 3, 255 - x, 255));
    return image;
}

struct TOpened {
    int Width = 0;
    int Height = 0;
    int Colors = 0;
    int Transparent = NO_TRANSPARENT_COLOR;
    std::vector<uint8_t> Pixels;
    std::vector<GifColorType> Table;
};

// Opens a GIF with giflib.
TOpened OpenWithGiflib(const std::string& path) {
    TOpened opened;
    int error = 0;
    GifFileType* gif = DGifOpenFileName(path.c_str(), &error);
    if (!gif) return opened;
    if (DGifSlurp(gif) == GIF_OK && gif->ImageCount == 1) {
        const SavedImage& frame = gif->SavedImages[0];
        opened.Width = frame.ImageDesc.Width;
        opened.Height = frame.ImageDesc.Height;
        const ColorMapObject* map = frame.ImageDesc.ColorMap ? frame.ImageDesc.ColorMap : gif->SColorMap;
        opened.Colors = map ? map->ColorCount : 0;
        if (map) opened.Table.assign(map->Colors, map->Colors + map->ColorCount);
        opened.Pixels.assign(frame.RasterBits, frame.RasterBits + opened.Width * opened.Height);
        GraphicsControlBlock control;
        if (DGifSavedExtensionToGCB(gif, 0, &control) == GIF_OK)
            opened.Transparent = control.TransparentColor;
    }
    DGifCloseFile(gif, &error);
    return opened;
}

} // namespace

TEST_F(ConvertTool, PngAndJpegBecomeGIFsThatGiflibOpens) {
    ASSERT_TRUE(Gradient(QImage::Format_RGB32).save(QString::fromStdString(PathOf("in.png"))));
    ASSERT_TRUE(Gradient(QImage::Format_RGB32).save(QString::fromStdString(PathOf("in.jpg")), "JPEG", 90));
    struct {
        std::string In;
        std::string Options;
    } cases[] = {{"in.png", ""}, {"in.png", "--method best --dither 1"}, {"in.jpg", "--dither 2 --method 7"}};
    for (const auto& c : cases) {
        ASSERT_EQ(RunTool("convert " + PathOf(c.In) + " " + PathOf("out.gif") + " " + c.Options), 0)
            << c.Options;
        const TOpened gif = OpenWithGiflib(PathOf("out.gif"));
        EXPECT_EQ(gif.Width, 120) << c.Options;
        EXPECT_EQ(gif.Height, 80);
        EXPECT_GT(gif.Colors, 16);
        EXPECT_LE(gif.Colors, 256);
        EXPECT_EQ(gif.Transparent, NO_TRANSPARENT_COLOR);
        // The top-left pixel stays near its colour (0, 0, 255).
        const GifColorType corner = gif.Table.at(gif.Pixels.at(0));
        EXPECT_LT(corner.Red + corner.Green, 60) << c.Options;
        EXPECT_GT(corner.Blue, 200) << c.Options;
    }
}

TEST_F(ConvertTool, TransparentPngBecomesATransparentGIF) {
    QImage image = Gradient(QImage::Format_ARGB32);
    for (int y = 0; y < 80; ++y)
        for (int x = 0; x < 30; ++x) image.setPixel(x, y, qRgba(0, 0, 0, 0));
    ASSERT_TRUE(image.save(QString::fromStdString(PathOf("clear.png"))));
    for (const std::string method : {"6", "7", "best"}) {
        ASSERT_EQ(
            RunTool("convert " + PathOf("clear.png") + " " + PathOf("clear.gif") + " --method " + method), 0);
        const TOpened gif = OpenWithGiflib(PathOf("clear.gif"));
        ASSERT_NE(gif.Transparent, NO_TRANSPARENT_COLOR) << method;
        EXPECT_EQ(gif.Pixels.at(0), gif.Transparent);
        EXPECT_EQ(gif.Pixels.at(79 * 120 + 29), gif.Transparent);
        EXPECT_NE(gif.Pixels.at(79 * 120 + 30), gif.Transparent);
    }
}

TEST_F(ConvertTool, UsageErrorsGiveTwoAndFileErrorsOne) {
    EXPECT_EQ(RunTool("convert --help"), 0);
    EXPECT_EQ(RunTool("convert " + PathOf("only.png")), 2);
    EXPECT_EQ(RunTool("convert a.png b.gif --method 11"), 2);
    EXPECT_EQ(RunTool("convert a.png b.gif --dither 7"), 2);
    EXPECT_EQ(RunTool("convert a.png b.gif --bits 9"), 2);
    EXPECT_EQ(RunTool("convert " + PathOf("missing.png") + " " + PathOf("out.gif")), 1);
    EXPECT_FALSE(fs::exists(PathOf("out.gif")));
    // A 24-bit picture of more than 256 colours cannot go without reduction.
    ASSERT_TRUE(Gradient(QImage::Format_RGB32).save(QString::fromStdString(PathOf("in.png"))));
    EXPECT_EQ(RunTool("convert " + PathOf("in.png") + " " + PathOf("out.gif") + " --method 0"), 1);
    EXPECT_FALSE(fs::exists(PathOf("out.gif")));
}

#endif
