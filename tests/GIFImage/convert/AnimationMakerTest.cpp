// Animations made from picture files: frame order and timing, frames of
// another size, a frame that cannot be read, still areas that stay still,
// and the quality of what shows.

#include "GIFAnimationMaker.h"
#include "GIFAnimationTimeline.h"
#include "GIFAppExtNSLoop.h"
#include "GIFGraphicControlExtension.h"
#include "GIFImage.h"
#include "GIFSubImage.h"
#include "Stream.h"
#include "TempFolderTest.h"

#include <QImage>
#include <QImageReader>

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

namespace fs = std::filesystem;

class AnimationMaker : public TempFolderTest {
protected:
    AnimationMaker() : TempFolderTest("tvgif-make") {}

    // Saves the pictures as PNG files and returns their names.
    std::vector<std::string> Save(const std::vector<QImage>& pictures) {
        std::vector<std::string> names;
        for (const QImage& picture : pictures) {
            names.push_back((Folder / ("f" + std::to_string(names.size()) + ".png")).string());
            EXPECT_TRUE(picture.save(QString::fromStdString(names.back())));
        }
        return names;
    }

    // Makes the animation and reads it back.
    void Make(const std::vector<std::string>& files, const TGIFMakeOptions& options = {}) {
        TMemoryStream out;
        MakeGIFAnimation(files, options, out, [&](const std::string& w) { Warnings.push_back(w); });
        Size = out.Size();
        out.SetPosition(0);
        Gif.LoadFromStream(out);
    }

    // What the screen shows after each frame (a frame stays in place or is
    // restored to what showed before it), as RGB32.
    std::vector<QImage> Shown() {
        std::vector<QImage> shown;
        QImage screen(Gif.Width(), Gif.Height(), QImage::Format_RGB32);
        screen.fill(Qt::black);
        for (int i = 0; i < Gif.Images.Count(); ++i) {
            TGIFSubImage& frame = Gif.Images[i];
            const TGIFGraphicControlExtension* control = frame.GraphicControlExtension();
            EXPECT_TRUE(control && (control->Disposal() <= TGIFDisposal::DoNotDispose ||
                                    control->Disposal() == TGIFDisposal::RestorePrevious));
            const QImage before = screen.copy();
            const int transparent = frame.Transparent() ? control->TransparentColorIndex() : -1;
            for (int y = 0; y < frame.Height(); ++y)
                for (int x = 0; x < frame.Width(); ++x) {
                    const int index = frame.ScanLine(y)[x];
                    if (index == transparent) continue;
                    const TPaletteEntry e = frame.ActiveColorMap().Entry(index);
                    screen.setPixel(frame.Left() + x, frame.Top() + y, qRgb(e.Red, e.Green, e.Blue));
                }
            shown.push_back(screen.copy());
            if (control && control->Disposal() == TGIFDisposal::RestorePrevious) screen = before;
        }
        return shown;
    }

    TGIFImage Gif;
    int64_t Size = 0;
    std::vector<std::string> Warnings;
};

QImage Filled(int width, int height, QRgb color) {
    QImage picture(width, height, QImage::Format_RGB32);
    picture.fill(color);
    return picture;
}

// count pictures of width x height, pixel (x, y) of picture i in colourAt(i, x, y).
std::vector<QImage> Drawn(int count, int width, int height,
                          const std::function<QRgb(int, int, int)>& colourAt) {
    std::vector<QImage> pictures;
    for (int i = 0; i < count; ++i) {
        QImage picture(width, height, QImage::Format_RGB32);
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x) picture.setPixel(x, y, colourAt(i, x, y));
        pictures.push_back(picture);
    }
    return pictures;
}

double Psnr(const QImage& a, const QImage& b) {
    double sum = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = a.pixel(x, y), q = b.pixel(x, y);
            const int d[3] = {qRed(p) - qRed(q), qGreen(p) - qGreen(q), qBlue(p) - qBlue(q)};
            sum += d[0] * d[0] + d[1] * d[1] + d[2] * d[2];
        }
    if (sum == 0) return 99;
    return 10 * std::log10(255.0 * 255.0 * 3 * a.width() * a.height() / sum);
}

TEST_F(AnimationMaker, FramesKeepTheirOrderAndTimeAndTheLoopIsStored) {
    // At 30 per second the delays run 3, 3, 4; a repeated frame joins the
    // one before it.
    const QRgb colors[] = {qRgb(200, 0, 0), qRgb(0, 200, 0), qRgb(0, 200, 0), qRgb(0, 0, 200),
                           qRgb(90, 90, 0)};
    std::vector<QImage> pictures;
    for (QRgb c : colors) pictures.push_back(Filled(8, 6, c));
    TGIFMakeOptions options;
    options.Fps = 30;
    options.Loop = 5;
    Make(Save(pictures), options);
    ASSERT_EQ(Gif.Images.Count(), 4);
    const std::vector<int> delays = {3, 3 + 4, 3, 3};
    const QRgb shownColors[] = {colors[0], colors[1], colors[3], colors[4]};
    const std::vector<QImage> shown = Shown();
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(Gif.Images[i].GraphicControlExtension()->Delay(), delays[size_t(i)]) << i;
        EXPECT_EQ(shown[size_t(i)].pixel(4, 3), shownColors[i]) << i;
    }
    int loops = -1;
    for (const auto& extension : Gif.Images[0].Extensions)
        if (auto* loop = dynamic_cast<TGIFAppExtNSLoop*>(extension.get())) loops = loop->Loops;
    EXPECT_EQ(loops, 5);
    EXPECT_EQ(GIFFrameDelay(30, 29), 4);
    EXPECT_EQ(GIFFrameDelay(7, 0) + GIFFrameDelay(7, 1) + GIFFrameDelay(7, 2) + GIFFrameDelay(7, 3) +
                  GIFFrameDelay(7, 4) + GIFFrameDelay(7, 5) + GIFFrameDelay(7, 6),
              100);
}

TEST_F(AnimationMaker, AFrameOfAnotherSizeIsScaledToFitAndCentredWithAWarning) {
    const std::vector<std::string> files =
        Save({Filled(40, 20, qRgb(0, 0, 255)), Filled(10, 10, qRgb(255, 0, 0))});
    Make(files);
    ASSERT_EQ(Warnings.size(), 1u);
    EXPECT_NE(Warnings[0].find(files[1]), std::string::npos);
    EXPECT_EQ(Gif.Width(), 40);
    EXPECT_EQ(Gif.Height(), 20);
    const QImage last = Shown().back();
    // Scaled to 20 × 20, centred; around it the first frame shows through.
    EXPECT_EQ(last.pixel(10, 0), qRgb(255, 0, 0));
    EXPECT_EQ(last.pixel(29, 19), qRgb(255, 0, 0));
    EXPECT_EQ(last.pixel(9, 10), qRgb(0, 0, 255));
    EXPECT_EQ(last.pixel(30, 10), qRgb(0, 0, 255));
}

TEST_F(AnimationMaker, AFrameThatCannotBeReadIsNamedBeforeAnythingIsWritten) {
    std::vector<std::string> files = Save({Filled(8, 8, qRgb(1, 2, 3)), Filled(8, 8, qRgb(4, 5, 6))});
    const std::string broken = (Folder / "broken.png").string();
    FILE* file = std::fopen(broken.c_str(), "wb");
    std::fputs("\x89PNG not really", file);
    std::fclose(file);
    files.push_back(broken);
    TMemoryStream out;
    try {
        MakeGIFAnimation(files, {}, out);
        FAIL() << "a broken frame was taken";
    } catch (const EGIFFrameError& e) {
        EXPECT_EQ(e.FileName(), broken);
    }
    EXPECT_EQ(out.Size(), 0);

    // A picture Qt would not decode says so before it is read.
    const int limit = QImageReader::allocationLimit();
    QImageReader::setAllocationLimit(1); // 1 MB: 262,144 pixels at 4 bytes
    const std::vector<std::string> large = Save({Filled(600, 600, qRgb(1, 2, 3))});
    try {
        MakeGIFAnimation(large, {}, out);
        ADD_FAILURE() << "a picture past the limit was taken";
    } catch (const EGIFFrameError& e) {
        EXPECT_STREQ(e.what(), "picture too large");
    }
    QImageReader::setAllocationLimit(limit);
    EXPECT_EQ(out.Size(), 0);

    try {
        MakeGIFAnimation({files[0], Folder.string()}, {}, out);
        ADD_FAILURE() << "a folder was taken for a picture";
    } catch (const EGIFFrameError& e) {
        EXPECT_EQ(e.FileName(), Folder.string());
        EXPECT_STREQ(e.what(), "is a folder, not a file");
    }
    EXPECT_EQ(out.Size(), 0);
}

// Frames that Qt cannot open by their names make what their files make: a
// pipe (a process's output, as <(...) gives it), read once though each pass
// reads every frame, and a name that is not UTF-8.
TEST_F(AnimationMaker, FramesQtCannotOpenByNameMakeWhatTheirFilesMake) {
    const std::vector<std::string> files =
        Save({Filled(16, 8, qRgb(10, 20, 30)), Filled(16, 8, qRgb(200, 0, 0))});
    std::vector<std::string> others;
    std::vector<int> ends;
    int fds[2];
    ASSERT_EQ(::pipe(fds), 0);
    std::ifstream in(files[0], std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    ASSERT_LT(bytes.size(), 4096u); // fits the pipe's buffer
    ASSERT_EQ(::write(fds[1], bytes.data(), bytes.size()), ssize_t(bytes.size()));
    ::close(fds[1]);
    others.push_back("/dev/fd/" + std::to_string(fds[0]));
    others.push_back((Folder / "lat\xe9.png").string()); // Latin-1
    fs::copy_file(files[1], others.back());
    TMemoryStream fromFiles, fromOthers;
    MakeGIFAnimation(files, {}, fromFiles);
    MakeGIFAnimation(others, {}, fromOthers);
    ::close(fds[0]);
    EXPECT_EQ(fromOthers.Memory(), fromFiles.Memory());
}

// A dithered gradient with sensor noise on the right and a square moving on
// the left: the right half must not change at all after the first frame.
TEST_F(AnimationMaker, AStillAreaStaysExactlyAsItWasThroughSmallNoise) {
    std::vector<QImage> pictures;
    uint32_t seed = 7;
    for (int i = 0; i < 6; ++i) {
        QImage picture(96, 48, QImage::Format_RGB32);
        for (int y = 0; y < 48; ++y)
            for (int x = 0; x < 96; ++x) {
                seed = seed * 1664525u + 1013904223u;
                const int noise = int(seed >> 30) % 3 - 1; // -1..1
                picture.setPixel(x, y,
                                 qRgb(std::clamp(x * 2 + y + noise, 0, 255),
                                      std::clamp(y * 5 + noise, 0, 255),
                                      std::clamp(255 - x - y + noise, 0, 255)));
            }
        for (int y = 10; y < 30; ++y)
            for (int x = 4 + 3 * i; x < 20 + 3 * i; ++x) picture.setPixel(x, y, qRgb(250, 250, 40));
        pictures.push_back(picture);
    }
    Make(Save(pictures));
    const std::vector<QImage> shown = Shown();
    ASSERT_EQ(shown.size(), pictures.size());
    for (size_t i = 1; i < shown.size(); ++i) {
        EXPECT_EQ(shown[i].copy(48, 0, 48, 48), shown[0].copy(48, 0, 48, 48)) << i;
        EXPECT_EQ(shown[i].pixel(5 + 3 * int(i), 20), qRgb(250, 250, 40)) << i;
        EXPECT_LE(Gif.Images[int(i)].Left() + Gif.Images[int(i)].Width(), 48) << i;
    }
}

// One eye turns red and the other closes over a body that stays: the body
// pixels between them are stored in their colour, so that the row runs on
// into the closed eye, while the long still stretch of ground up to the
// next change stays transparent.
TEST_F(AnimationMaker, AShortStillGapBetweenChangesIsStoredInItsColour) {
    const QRgb ground = qRgb(40, 120, 40), body = qRgb(200, 60, 60), white = qRgb(255, 255, 255),
               red = qRgb(255, 0, 0);
    std::vector<QImage> pictures;
    for (const bool later : {false, true}) {
        QImage picture = Filled(40, 4, ground);
        for (int y = 0; y < 4; ++y) {
            for (int x = 10; x < 18; ++x)
                picture.setPixel(x, y, x < 12 ? (later ? red : white) : x >= 16 && !later ? white : body);
            if (later) picture.setPixel(30, y, body);
        }
        pictures.push_back(picture);
    }
    TGIFMakeOptions options;
    options.Quality = 100;
    Make(Save(pictures), options);
    const std::vector<QImage> shown = Shown();
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_EQ(shown[1], pictures[1].convertToFormat(QImage::Format_RGB32));
    TGIFSubImage& frame = Gif.Images[1];
    ASSERT_EQ(frame.Left(), 10);
    ASSERT_EQ(frame.Width(), 21);
    ASSERT_TRUE(frame.Transparent());
    const int transparent = frame.GraphicControlExtension()->TransparentColorIndex();
    for (int y = 0; y < frame.Height(); ++y) {
        for (int x = 2; x < 6; ++x) {
            const int index = frame.ScanLine(y)[x];
            ASSERT_NE(index, transparent) << x << "," << y;
            const TPaletteEntry e = frame.ActiveColorMap().Entry(index);
            EXPECT_EQ(qRgb(e.Red, e.Green, e.Blue), body) << x << "," << y;
        }
        for (int x = 8; x < 20; ++x) EXPECT_EQ(frame.ScanLine(y)[x], transparent) << x << "," << y;
    }
}

// A patterned mark that comes and goes over a still patterned ground (a
// blinking cursor, a sprite jumping in and out): each frame with the mark is
// restored to the bare ground once shown, so that the frames after it store
// nothing instead of painting the ground again, and the painter and the
// other decoders' rules show every picture as it was made.
TEST_F(AnimationMaker, AMarkThatComesAndGoesIsRestoredAwayRatherThanPaintedOver) {
    const std::vector<QImage> pictures = Drawn(7, 96, 32, [](int i, int x, int y) {
        const bool mark = i % 2 == 1 && x >= 4 + 15 * i && x < 16 + 15 * i && y >= 10 && y < 22;
        return mark ? ((x + y) % 3 ? qRgb(230, 40, 40) : qRgb(250, 250, 250))
                    : ((x / 4 + y / 4) % 2 ? qRgb(60, 120, 60) : qRgb(70, 140, 70));
    });
    Make(Save(pictures));
    ASSERT_EQ(Gif.Images.Count(), 7);
    for (int i = 1; i < 6; i += 2) {
        EXPECT_EQ(Gif.Images[i].GraphicControlExtension()->Disposal(), TGIFDisposal::RestorePrevious) << i;
        EXPECT_EQ(Gif.Images[i + 1].Width() * Gif.Images[i + 1].Height(), 1) << i + 1;
    }
    std::vector<TShownPicture> made;
    for (const QImage& picture : pictures)
        made.push_back({picture.convertToFormat(QImage::Format_ARGB32), 10});
    EXPECT_EQ(TimelineDifference(PainterTimeline(Gif, 70), made), "");
    // The decoder models show two passes, the ground of the last frame
    // running on into the first.
    const std::vector<TShownPicture> again(made.begin() + 1, made.end());
    made.back().Delay += 10;
    made.insert(made.end(), again.begin(), again.end());
    for (TDecoderModel model : {TDecoderModel::Pillow, TDecoderModel::ImageMagick})
        EXPECT_EQ(TimelineDifference(ModelTimeline(Gif, model), made), "") << int(model);
}

// A smooth scene of many colours with a ball crossing it.
std::vector<QImage> BallOverAScene() {
    std::vector<QImage> pictures;
    for (int i = 0; i < 8; ++i) {
        QImage picture(80, 60, QImage::Format_RGB32);
        for (int y = 0; y < 60; ++y)
            for (int x = 0; x < 80; ++x) {
                const int dx = x - 10 - 8 * i, dy = y - 30;
                const bool ball = dx * dx + dy * dy < 64;
                picture.setPixel(
                    x, y,
                    ball ? qRgb(240, 240 - 4 * dx * dx, 30)
                         : qRgb(x * 3, int(128 + 100 * std::sin(y / 9.0 + x / 17.0)), 200 - y * 2));
            }
        pictures.push_back(picture);
    }
    return pictures;
}

// A noisy gradient with a bar crossing it: the default quality spends some
// likeness on size, clearly smaller than with no loss, every frame still
// close.
TEST_F(AnimationMaker, TheDefaultQualityKeepsEveryFrameCloseInFewerBytes) {
    std::vector<QImage> pictures;
    uint32_t seed = 11;
    for (int i = 0; i < 6; ++i) {
        QImage picture(96, 64, QImage::Format_RGB32);
        for (int y = 0; y < 64; ++y)
            for (int x = 0; x < 96; ++x) {
                seed = seed * 1664525u + 1013904223u;
                const int noise = int(seed >> 29) - 4; // -4..3
                const bool bar = x >= 10 + 12 * i && x < 22 + 12 * i && y >= 16 && y < 48;
                picture.setPixel(x, y,
                                 bar ? qRgb(240, 200, 40)
                                     : qRgb(std::clamp(x * 2 + noise, 0, 255),
                                            std::clamp(90 + y + noise, 0, 255),
                                            std::clamp(200 - x + noise, 0, 255)));
            }
        pictures.push_back(picture);
    }
    const std::vector<std::string> files = Save(pictures);
    TGIFMakeOptions exact;
    exact.Lossy = 0;
    Make(files, exact);
    const int64_t fullSize = Size;
    Make(files);
    EXPECT_LT(Size, fullSize * 87 / 100);
    const std::vector<QImage> shown = Shown();
    ASSERT_EQ(shown.size(), pictures.size());
    for (size_t i = 0; i < shown.size(); ++i) {
        EXPECT_GE(Psnr(shown[i], pictures[i].convertToFormat(QImage::Format_RGB32)), 37.0) << i;
    }
}

// A frame that changes every other row (scan lines passing over a picture)
// stores smaller with its rows in interlaced order, where the unchanged
// rows come together as one transparent run; it must still show exactly
// what its picture shows.
TEST_F(AnimationMaker, ScanLineChangesAreStoredInInterlacedRowsAndShowExactly) {
    const std::vector<QImage> pictures = Drawn(4, 160, 96, [](int i, int x, int y) {
        const bool lit = i > 0 && y % 2 == 0 && (x / 5 + y / 2 + i) % 3 == 0;
        return lit ? qRgb(250, 230, 60) : (x / 20 + y / 24) % 2 ? qRgb(30, 60, 120) : qRgb(40, 80, 40);
    });
    Make(Save(pictures));
    int interlaced = 0;
    for (int i = 0; i < Gif.Images.Count(); ++i) interlaced += Gif.Images[i].Interlaced();
    EXPECT_GT(interlaced, 0);
    const std::vector<QImage> shown = Shown();
    ASSERT_EQ(shown.size(), pictures.size());
    for (size_t i = 0; i < shown.size(); ++i) EXPECT_EQ(Psnr(shown[i], pictures[i]), 99) << i;
}

TEST_F(AnimationMaker, LossyCompressionStoresLessAndKeepsEveryFrameClose) {
    const std::vector<QImage> pictures = BallOverAScene();
    const std::vector<std::string> files = Save(pictures);
    TGIFMakeOptions options;
    options.Lossy = 0;
    Make(files, options);
    const int64_t exact = Size;
    options.Lossy = 80;
    Make(files, options);
    EXPECT_LT(Size, exact * 9 / 10);
    const std::vector<QImage> shown = Shown();
    ASSERT_EQ(shown.size(), pictures.size());
    for (size_t i = 0; i < shown.size(); ++i)
        EXPECT_GE(Psnr(shown[i], pictures[i].convertToFormat(QImage::Format_RGB32)), 30.0) << i;
}

// Antialiased discs with shaded fills moving over a still ground: each
// frame changes a small part of the screen in more blends than a table
// holds. A table of its own
// would cost each frame 768 bytes for an error too slight to see; the
// global table serves them, and every frame stays close.
TEST_F(AnimationMaker, ASmallChangeInManyBlendsTakesTheGlobalTable) {
    const auto blend = [](QRgb from, QRgb to, double share) {
        const auto mix = [&](int a, int b) { return int(std::lround(a + (b - a) * share)); };
        return qRgb(mix(qRed(from), qRed(to)), mix(qGreen(from), qGreen(to)), mix(qBlue(from), qBlue(to)));
    };
    const QRgb ground = qRgb(250, 240, 220);
    const std::vector<QImage> pictures = Drawn(6, 240, 160, [&](int i, int x, int y) {
        QRgb colour = ground;
        const struct {
            double X, Y, Radius;
            QRgb Fill;
        } discs[] = {{40 + 2.6 * i, 50, 16, qRgb(240, 100 + y / 2, 40)},
                     {150 - 2.3 * i, 100, 20, qRgb(60, 140, 160 + y / 2)}};
        for (const auto& disc : discs) {
            const double distance = std::hypot(x + 0.5 - disc.X, y + 0.5 - disc.Y);
            // A dark rim three pixels wide, both of its edges soft.
            const double rim = std::clamp(disc.Radius + 0.5 - distance, 0.0, 1.0);
            const double inside = std::clamp(disc.Radius - 2.5 - distance, 0.0, 1.0);
            colour = blend(colour, qRgb(40, 40, 40), rim);
            colour = blend(colour, disc.Fill, inside);
        }
        return colour;
    });
    Make(Save(pictures));
    ASSERT_EQ(Gif.Images.Count(), 6);
    // (A frame whose blends happen to fit a table of its own is shown
    // exactly by one, and may take it.)
    int global = 0;
    for (int i = 1; i < Gif.Images.Count(); ++i) global += Gif.Images[i].ColorMap.Count() == 0;
    EXPECT_GE(global, 3);
    const std::vector<QImage> shown = Shown();
    for (size_t i = 0; i < shown.size(); ++i) EXPECT_GE(Psnr(shown[i], pictures[i]), 45.0) << i;
}

// A square of shades near the ground's colour moving over the ground: the
// ground it uncovers is drawn again in every frame, and where the picture
// is flat it shows exactly, so that no band of the loss stays behind.
TEST_F(AnimationMaker, TheFlatGroundAMovingShapeUncoversShowsExactly) {
    const QRgb ground = qRgb(250, 240, 220);
    const std::vector<QImage> pictures = Drawn(6, 120, 60, [&](int i, int x, int y) {
        const int left = 10 + 14 * i;
        if (x < left || x >= left + 24 || y < 18 || y >= 42) return ground;
        // Shades 4.5 off the ground: past the still tolerance, within the
        // loss.
        const int shade = (x * 37 + y * 91 + (x * y) % 13) % 2 * 2 - 1;
        return qRgb(250, 240 + 4 * shade, 220 + 2 * shade);
    });
    Make(Save(pictures));
    const std::vector<QImage> shown = Shown();
    ASSERT_EQ(shown.size(), pictures.size());
    for (size_t i = 0; i < shown.size(); ++i) {
        int wrong = 0;
        for (int y = 0; y < 60; ++y)
            for (int x = 1; x + 1 < 120; ++x) {
                const QImage& p = pictures[i];
                const bool flat =
                    p.pixel(x - 1, y) == ground && p.pixel(x, y) == ground && p.pixel(x + 1, y) == ground;
                wrong += flat && (shown[i].pixel(x, y) & 0xFFFFFF) != (ground & 0xFFFFFF);
            }
        EXPECT_EQ(wrong, 0) << i;
    }
}

// Grain over a still picture: a pixel that alone among its neighbours
// moves a little (past the tolerance, within twice its distance) is not
// drawn again, while two neighbours that move together are.
TEST_F(AnimationMaker, ALonePixelsSmallFlickerIsGrainButTwoTogetherAreAChange) {
    const auto flicker = [](int pixels) {
        return Drawn(4, 60, 40, [pixels](int i, int x, int y) {
            const bool moved = i > 0 && y == 20 && x >= 10 + 12 * i && x < 10 + 12 * i + pixels;
            const int r = 60 + x * 2, g = 90 + y * 3, b = 140;
            return moved ? qRgb(r + 4, g + 4, b + 3) : qRgb(r, g, b);
        });
    };
    Make(Save(flicker(1)));
    EXPECT_EQ(Gif.Images.Count(), 1);
    Make(Save(flicker(2)));
    ASSERT_EQ(Gif.Images.Count(), 4);
    const std::vector<QImage> shown = Shown();
    for (int i = 1; i < 4; ++i)
        EXPECT_NE(shown[i].pixel(10 + 12 * i, 20), shown[0].pixel(10 + 12 * i, 20)) << i;
}

// Grain over a still scene settles before the frames are compared: the
// film keeps its first picture, which lies closer to the scene than to the
// grainy frame it came from.
TEST_F(AnimationMaker, GrainOverAStillSceneSettlesIntoOnePicture) {
    const auto scene = [](int x, int y) { return qRgb(60 + x * 2, 80 + y * 3, 140); };
    const auto grain = [](int i, int x, int y) {
        return int((uint32_t(i * 7919 + x * 104729 + y * 1299709) * 2654435761u) >> 30) - 2;
    };
    const std::vector<QImage> pictures = Drawn(8, 60, 40, [&](int i, int x, int y) {
        const QRgb s = scene(x, y);
        return qRgb(qRed(s) + grain(i, x, y), qGreen(s) + grain(i + 3, x, y), qBlue(s) + grain(i + 5, x, y));
    });
    Make(Save(pictures));
    EXPECT_EQ(Gif.Images.Count(), 1);
    const std::vector<QImage> shown = Shown();
    ASSERT_FALSE(shown.empty());
    const QImage still = Drawn(1, 60, 40, [&](int, int x, int y) { return scene(x, y); })[0];
    EXPECT_GT(Psnr(shown[0], still), Psnr(shown[0], pictures[0]));
}

// A grey film with grain: its two hundred tones take a table of far fewer
// entries, each pixel shown near its tone, and the grain draws nothing
// after the first frame.
TEST_F(AnimationMaker, AGreyFilmWithGrainMergesItsTones) {
    const auto tone = [](int x, int y) { return 30 + x + y; };
    Make(Save(Drawn(6, 140, 60, [&](int i, int x, int y) {
        const int v = tone(x, y) + int((uint32_t(i * 7919 + x * 104729 + y * 1299709) * 2654435761u) >> 31);
        return qRgb(v, v, v);
    })));
    EXPECT_EQ(Gif.Images.Count(), 1);
    EXPECT_LT(Gif.Header.ColorMap.Count(), 100);
    const QImage still =
        Drawn(1, 140, 60, [&](int, int x, int y) { return qRgb(tone(x, y), tone(x, y), tone(x, y)); })[0];
    EXPECT_GT(Psnr(Shown()[0], still), 40);
}

// In a grey film with grain, pairs of pixels lit a little for good are
// taken for grain: nothing is drawn again. A block lit as much is drawn.
TEST_F(AnimationMaker, InAGrainyFilmPairsThatMoveALittleKeepWhatShows) {
    const auto film = [&](int width, int height) {
        return Drawn(6, 140, 60, [&, width, height](int i, int x, int y) {
            // Patch k, lit from frame k on, is one of ten along row 4 k + 5.
            int patch = 0;
            for (int k = 1; k <= 5; ++k)
                for (int at = 10; at < 130; at += 12)
                    if (x >= at + k && x < at + k + width && y >= 4 * k + 5 && y < 4 * k + 5 + height)
                        patch = k;
            const int grain = int(uint32_t(i * 7919 + x * 104729 + y * 1299709) * 2654435761u % 3) - 1;
            const int v = 30 + x + y + (patch == 0 ? grain : i >= patch ? 3 : 0);
            return qRgb(v, v, v);
        });
    };
    Make(Save(film(2, 1)));
    EXPECT_EQ(Gif.Images.Count(), 1);
    Make(Save(film(4, 4)));
    EXPECT_EQ(Gif.Images.Count(), 6);
}

} // namespace

// A panel slides in over a soft ground, its shadow a band of blends that
// moves with it: each step is a small change of many colours and takes
// the global table. At quality 100 the picture, once still, is drawn
// again in colours of its own; at the default quality the hold stores
// nothing.
TEST_F(AnimationMaker, AtQuality100AStillPictureIsShownMoreClosely) {
    const int width = 320, height = 120, moving = 9, held = 6;
    const std::vector<QImage> pictures = Drawn(moving + held, width, height, [&](int i, int x, int y) {
        const int edge = width - 6 - 8 * std::min(i, moving - 1);
        if (x >= edge) return qRgb(248, 248, 250);
        const double shadow = std::max(0.0, 0.5 * (1 - (edge - x) / 14.0));
        const auto shade = [&](int v) { return int(std::lround(v * (1 - shadow))); };
        return qRgb(shade(200 - y / 2), shade(210 - y / 3), shade(235 - y / 4));
    });
    const std::vector<std::string> files = Save(pictures);
    Make(files);
    EXPECT_EQ(Gif.Images.Count(), moving);

    TGIFMakeOptions exact;
    exact.Quality = 100;
    Make(files, exact);
    ASSERT_EQ(Gif.Images.Count(), moving + 1);
    EXPECT_EQ(Gif.Images[moving - 1].ColorMap.Count(), 0); // the last step, in the global table
    const std::vector<QImage> shown = Shown();
    EXPECT_GT(Psnr(shown[moving], pictures.back()), Psnr(shown[moving - 1], pictures[moving - 1]) + 3);
}

// At quality 100 grain that covers a still scene settles to each pixel's
// mean over the frames, nearer the scene than any one frame, and the film
// stores little more than its first picture.
TEST_F(AnimationMaker, AtQuality100GrainOverAStillSceneSettlesToItsMean) {
    const int frames = 12, width = 80, height = 50;
    // Seventy colours, and with the grain two hundred: a table holds them.
    const auto scene = [](int x, int y) { return qRgb(70 + 3 * (x / 8), 90 + 3 * (y / 8), 150); };
    const auto grain = [](int i, int x, int y) {
        return int((uint32_t(i * 7919 + x * 104729 + y * 1299709) * 2654435761u) >> 30) % 3 - 1;
    };
    const std::vector<QImage> film = Drawn(frames, width, height, [&](int i, int x, int y) {
        const QRgb s = scene(x, y);
        const int g = grain(i, x, y);
        return qRgb(qRed(s) + g, qGreen(s) + g, qBlue(s) + g);
    });
    TGIFMakeOptions exact;
    exact.Quality = 100;
    Make(Save({film[0]}), exact);
    const int64_t onePicture = Size;
    Make(Save(film), exact);
    EXPECT_LT(Size, 2 * onePicture);
    const QImage still = Drawn(1, width, height, [&](int, int x, int y) { return scene(x, y); })[0];
    const std::vector<QImage> shown = Shown();
    EXPECT_GT(Psnr(shown.back(), still), Psnr(film.back(), still) + 3);
}

// Bars of many shades grow, each shade stretched over its bar's height:
// every row changes a little in every frame, and a table of 255 entries
// shows it off by a little too. At quality 100 no run of eight pixels is
// drawn in colours farther from the frame than what showed before.
TEST_F(AnimationMaker, AtQuality100ARunThatShowsNearerIsLeftAsItShows) {
    const int frames = 10, width = 120, height = 90;
    const std::vector<QImage> pictures = Drawn(frames, width, height, [&](int i, int x, int y) {
        const int bar = x / 30, top = height - 8 * (i + 1) + 2 * bar;
        if (x % 30 >= 24 || y < top) return qRgb(255, 255, 255);
        const double t = double(height - y) / (height - top);
        return qRgb(40 + int(180 * t) + x % 30 / 6, 100 + int(60 * t), 220 - 30 * bar);
    });
    TGIFMakeOptions exact;
    exact.Quality = 100;
    Make(Save(pictures), exact);
    const std::vector<QImage> shown = Shown();
    ASSERT_EQ(shown.size(), pictures.size());
    const auto off = [](QRgb a, QRgb b) {
        const int d[3] = {qRed(a) - qRed(b), qGreen(a) - qGreen(b), qBlue(a) - qBlue(b)};
        return d[0] * d[0] + d[1] * d[1] + d[2] * d[2];
    };
    int worseRuns = 0;
    for (int i = 1; i < frames; ++i)
        for (int y = 0; y < height; ++y) {
            int run = 0;
            for (int x = 0; x <= width; ++x) {
                const bool worse = x < width && shown[i].pixel(x, y) != shown[i - 1].pixel(x, y) &&
                                   off(shown[i - 1].pixel(x, y), pictures[i].pixel(x, y)) <=
                                       off(shown[i].pixel(x, y), pictures[i].pixel(x, y));
                run = worse ? run + 1 : 0;
                worseRuns += run == 8;
            }
        }
    EXPECT_EQ(worseRuns, 0);
}
