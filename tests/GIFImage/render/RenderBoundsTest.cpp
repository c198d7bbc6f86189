// Rendering allocates for the frames, not for the logical screen a file
// claims: a 5000 × 5000 or 65535 × 65535 screen with 4 × 4 frames is drawn as a
// still frame, as the composed bitmap, by a painter and by the image's draw
// operation, each checked by what it shows and, in a child whose address
// space is limited, by what it may allocate; tvgif render writes such a
// screen row by row or refuses it. Also the frame bitmap's out-of-memory
// error.

#include "AddressSpaceLimit.h"
#include "Bitmap.h"
#include "Canvas.h"
#include "Exceptions.h"
#include "FakePainterTimer.h"
#include "GIFDIB.h"
#include "GIFDrawFlags.h"
#include "GIFException.h"
#include "GIFImage.h"
#include "GIFLimits.h"
#include "GIFMessages.h"
#include "GIFPainter.h"
#include "GIFTestImages.h"
#include "GIFTestStreams.h"
#include "Synchronize.h"
#include "TempFolderTest.h"

#include <QImage>
#include <QImageReader>

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>

namespace {

namespace fs = std::filesystem;

constexpr QRgb Ground = 0xFF102030u;

QRgb ColourOf(int i) {
    return qRgb(i, 255 - i, i * 7);
}

// A side × side screen with a frame of colour 3 at (10, 20); animated, a
// second one of colour 1 at (12, 22), both restored to the background.
Bytes HugeScreen(int side, bool animated) {
    const Bytes restore = animated ? GraphicControl(2 << 2, 10, 0) : Bytes{};
    Bytes bytes = Header(side, side, 0x81) + ColorTable(4) + restore + Descriptor(10, 20, 4, 4) +
                  ImageData(2, EncodeCodes(2, Bytes(16, 3)));
    if (animated)
        bytes = bytes + restore + Descriptor(12, 22, 4, 4) + ImageData(2, EncodeCodes(2, Bytes(16, 1)));
    return bytes + Bytes{0x3B};
}

// Draws the picture at its natural size onto a 64 × 64 canvas every way
// there is; what came out wrong, or "".
std::string DrawnWrong(const Bytes& bytes) {
    TGIFImage image;
    TBorrowedMemoryStream stream(bytes.data(), static_cast<int64_t>(bytes.size()));
    image.LoadFromStream(stream);
    QImage target(64, 64, QImage::Format_ARGB32_Premultiplied);
    target.fill(Ground);
    TCanvas canvas(&target);
    const TRect screen{0, 0, image.Width(), image.Height()};
    if (image.Images.Count() == 1) {
        image.Draw(canvas, screen);
        if (target.pixel(11, 21) != ColourOf(3) || target.pixel(9, 21) != Ground) return "still frame";
        const QImage* composed = image.ComposedBitmap();
        if (!composed || composed->size() != QSize(4, 4) || image.ComposedBounds() != TRect{10, 20, 14, 24})
            return "composed bitmap";
        return "";
    }
    // A painter in this very call: the second frame over the first, whose
    // area shows the ground again.
    TimerLog log;
    image.PainterTimerFactory = [&log] { return std::make_unique<FakeTimer>(log); };
    image.Paint(nullptr, canvas, GIFDrawFlagsDefault & ~(DrawAsync | DrawLoop), screen);
    if (target.pixel(10, 20) != Ground || target.pixel(13, 23) != ColourOf(1)) return "painter";
    // The draw operation: a painter on its thread plays into the composed
    // bitmap, which covers the frames' union.
    target.fill(Ground);
    image.PainterTimerFactory = nullptr;
    image.AnimationSpeed = 0; // the first frame holds until stopped
    image.Draw(canvas, screen);
    const bool shown = target.pixel(11, 21) == ColourOf(3) && target.pixel(9, 21) == Ground;
    const bool bounded = image.ComposedBounds() == TRect{10, 20, 16, 26};
    image.StopAnimation();
    if (!shown || !bounded) return "draw operation";
    // Without DrawAsync the draw plays the whole picture, then shows it.
    target.fill(Ground);
    image.PainterTimerFactory = [&log] { return std::make_unique<FakeTimer>(log); };
    image.DrawOptions = GIFDrawFlagsDefault & ~(DrawAsync | DrawLoop);
    image.Draw(canvas, screen);
    if (target.pixel(10, 20) != Ground || target.pixel(13, 23) != ColourOf(1)) return "draw without a thread";
    image.StopAnimation();
    return "";
}

struct TToolRun {
    int Exit = -1;
    std::string Errors;
};

// tvgif maps about 70 MB of libraries and heap at its start; one 5000 × 5000
// picture held in memory would take 100 MB more.
constexpr int ToolMegabytes = 150;

// Runs tvgif with arguments in an address space of at most ToolMegabytes;
// its exit code and standard error.
TToolRun RunTvgif(const std::vector<std::string>& arguments, const fs::path& errors) {
    const pid_t pid = fork();
    if (pid == 0) {
        if (AddressSpaceCanBeLimited) {
            const rlim_t limit = rlim_t{ToolMegabytes} * 1024 * 1024;
            const rlimit rl{limit, limit};
            setrlimit(RLIMIT_AS, &rl);
        }
        const int err = open(errors.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        const int out = open("/dev/null", O_WRONLY);
        dup2(err, 2);
        dup2(out, 1);
        std::vector<char*> argv{const_cast<char*>(TV_TVGIF)};
        for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
        argv.push_back(nullptr);
        execv(TV_TVGIF, argv.data());
        _exit(127);
    }
    TToolRun run;
    int status = 0;
    waitpid(pid, &status, 0);
    run.Exit = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    std::ifstream in(errors);
    run.Errors.assign(std::istreambuf_iterator<char>(in), {});
    return run;
}

class RenderTool : public TempFolderTest {
protected:
    RenderTool() : TempFolderTest("tvgif-render-bounds") {}
    std::string Write(const std::string& name, const Bytes& bytes) {
        const fs::path path = Folder / name;
        std::ofstream(path, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        return path.string();
    }
};

} // namespace

TEST(GIFRenderBounds, AHugeScreenWithSmallFramesIsDrawnInTheMemoryOfItsFrames) {
    for (const int side : {5000, 65535})
        for (const bool animated : {false, true}) {
            const Bytes bytes = HugeScreen(side, animated);
            const std::string name = std::to_string(side) + (animated ? " animated" : " still");
            if (AddressSpaceCanBeLimited) {
                // The child says what came out wrong, or that memory ran out.
                auto child = [&] {
                    LimitAddressSpace(96);
                    const std::string wrong = DrawnWrong(bytes);
                    std::fprintf(stderr, "%s", wrong.c_str());
                    std::_Exit(wrong.empty() ? 0 : 1);
                };
                EXPECT_EXIT(child(), ::testing::ExitedWithCode(0), "") << name;
            } else if (side == 5000) {
                // Under the sanitizer only what the pictures show is checked,
                // and only where a fault would cost 100 MB, not 17 GB.
                EXPECT_EQ(DrawnWrong(bytes), "") << name;
            }
        }
    // Painters that left are destroyed by the UI thread.
    CheckSynchronize();
}

TEST(GIFRenderBounds, AWholeScreenPictureIsLimited) {
    TGIFImage image;
    image.Header.SetWidth(3);
    image.Header.SetHeight(1);
    AddColors(image.Header.ColorMap, 3);
    AddFrame(image, 1, 0, 1, 1, {2});
    EXPECT_EQ(image.ComposedBitmap()->size(), QSize(1, 1));
    const QImage picture = image.ScreenPicture();
    EXPECT_EQ(picture.size(), QSize(3, 1));
    EXPECT_EQ(qAlpha(picture.pixel(0, 0)), 0) << "clear around the frames";
    TBitmap bitmap;
    image.AssignTo(bitmap);
    EXPECT_EQ(bitmap.Image().size(), QSize(3, 1));
    EXPECT_EQ(bitmap.Image().pixel(1, 0), ColourOf(2));
    const int64_t saved = MaxScreenPicturePixels;
    MaxScreenPicturePixels = 2;
    std::string error;
    try {
        image.AssignTo(bitmap);
    } catch (const GIFException& e) {
        error = e.what();
    }
    MaxScreenPicturePixels = saved;
    EXPECT_EQ(error, GIFMessages::ScreenTooLarge);
}

TEST(GIFDIB, MemoryThatCannotBeHadFailsWithItsError) {
    auto failure = [](auto&& make) -> std::string {
        try {
            make();
        } catch (const EOutOfMemory& e) {
            return e.what();
        }
        return "";
    };
    // Past the ceiling: refused before any memory is asked for; the frame
    // keeps no half-built bitmap and builds one once memory is there.
    TGIFImage image;
    image.Header.SetWidth(100);
    image.Header.SetHeight(100);
    AddColors(image.Header.ColorMap, 4);
    TGIFSubImage& frame = AddFrame(image, 0, 0, 100, 100, Bytes(100 * 100, 1));
    QImage target(100, 100, QImage::Format_ARGB32_Premultiplied);
    target.fill(Ground);
    TCanvas canvas(&target);
    const int64_t saved = MaxDIBBytes;
    MaxDIBBytes = 100 * 100 - 1;
    EXPECT_EQ(failure([&] { frame.Bitmap(); }), GIFMessages::DIBAllocationFailed);
    EXPECT_EQ(failure([&] { image.Draw(canvas, {0, 0, 100, 100}); }), GIFMessages::DIBAllocationFailed);
    EXPECT_EQ(target.pixel(50, 50), Ground);
    MaxDIBBytes = 100 * 100;
    ASSERT_NE(frame.Bitmap(), nullptr);
    MaxDIBBytes = saved;
    image.Draw(canvas, {0, 0, 100, 100});
    EXPECT_EQ(target.pixel(50, 50), ColourOf(1));

    // Memory the system does not give (900 MB with 64 MB of room): the same.
    if (AddressSpaceCanBeLimited) {
        auto child = [&] {
            LimitAddressSpace(64);
            std::_Exit(failure([] { TGIFDIB dib(30000, 30000, 8, {}); }) == GIFMessages::DIBAllocationFailed
                           ? 0
                           : 1);
        };
        EXPECT_EXIT(child(), ::testing::ExitedWithCode(0), "");
    }
}

TEST_F(RenderTool, AHugeScreenIsWrittenInTheMemoryOfItsFramesOrRefused) {
    const std::string file = Write("huge.gif", HugeScreen(5000, false));
    const fs::path out = Folder / "out";
    const TToolRun run = RunTvgif({"render", file, out.string()}, Folder / "errors.txt");
    ASSERT_EQ(run.Exit, 0) << run.Errors;
    QImageReader reader(QString::fromStdString((out / "frame-0000.png").string()));
    EXPECT_EQ(reader.size(), QSize(5000, 5000));
    const QImage frame = reader.read().convertToFormat(QImage::Format_ARGB32);
    EXPECT_EQ(frame.pixel(13, 23), ColourOf(3));
    EXPECT_EQ(qAlpha(frame.pixel(9, 20)), 0) << "the clear ground";
    EXPECT_EQ(qAlpha(frame.pixel(4999, 4999)), 0);

    // 65535 × 65535 is past what is rendered: refused, naming the file.
    const std::string larger = Write("larger.gif", HugeScreen(65535, true));
    const fs::path none = Folder / "none";
    const TToolRun refused = RunTvgif({"render", larger, none.string()}, Folder / "errors.txt");
    EXPECT_EQ(refused.Exit, 1);
    EXPECT_NE(refused.Errors.find(larger + ": " + GIFMessages::ScreenTooLarge), std::string::npos)
        << refused.Errors;
    EXPECT_FALSE(fs::exists(none / "frame-0000.png"));
}
