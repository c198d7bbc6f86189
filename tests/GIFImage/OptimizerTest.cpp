// Image optimisation: each step's edge cases, and that every optimised
// picture, written and read back, animates exactly as before (compared
// through the composed frames of two passes and how long each stays).

#include "GIFAppExtNSLoop.h"
#include "GIFBestOptimizer.h"
#include "GIFCommentExtension.h"
#include "GIFDrawFlags.h"
#include "GIFGraphicControlExtension.h"
#include "GIFOptimizer.h"
#include "GIFSettings.h"
#include "GIFTestImages.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <random>

namespace {

struct Shown {
    QImage Picture;
    int Delay = 0;
};

int PainterDisposal(const TGIFSubImage& frame) {
    int disposal = 1;
    for (const auto& extension : frame.Extensions)
        if (const auto* control = dynamic_cast<const TGIFGraphicControlExtension*>(extension.get()))
            disposal = static_cast<int>(control->Disposal());
    return disposal;
}

int ShownDelay(const TGIFSubImage& frame) {
    const TGIFGraphicControlExtension* control = frame.GraphicControlExtension();
    const int delay = control ? control->Delay() : 0;
    return delay == 0 ? DelayDefault : std::max(delay, DelayMinimum);
}

// What the painter shows in two passes over a clear ground: each composed
// picture and how long it stays (equal pictures in a row join). Composed
// here by the rules of the format, apart from the renderer, so that the
// check does not share the optimiser's or the renderer's faults.
std::vector<Shown> Timeline(TGIFImage& image) {
    QImage screen(std::max(1, image.Width()), std::max(1, image.Height()), QImage::Format_ARGB32);
    screen.fill(Qt::transparent);
    std::vector<Shown> shown;
    for (int pass = 0; pass < 2; ++pass) {
        for (int i = 0; i < image.Images.Count() && !image.Images[i].Empty(); ++i) {
            TGIFSubImage& frame = image.Images[i];
            const int disposal = PainterDisposal(frame);
            const QImage before = disposal == 3 ? screen.copy() : QImage();
            const TGIFGraphicControlExtension* control = frame.GraphicControlExtension();
            const int t = frame.Transparent() && control ? control->TransparentColorIndex() : -1;
            const TGIFColorMap& map = frame.ActiveColorMap();
            const QRect area = QRect(frame.Left(), frame.Top(), frame.Width(), frame.Height()) & screen.rect();
            for (int y = area.top(); y <= area.bottom(); ++y)
                for (int x = area.left(); x <= area.right(); ++x) {
                    const int v = frame.Data()[(y - frame.Top()) * frame.Width() + (x - frame.Left())];
                    if (v == t) continue;
                    const TPaletteEntry e = map.Entry(v < map.Count() ? v : 0);
                    screen.setPixel(x, y, qRgb(e.Red, e.Green, e.Blue));
                }
            const int delay = ShownDelay(frame);
            if (!shown.empty() && shown.back().Picture == screen)
                shown.back().Delay += delay;
            else
                shown.push_back({screen.copy(), delay});
            for (int y = area.top(); y <= area.bottom(); ++y)
                for (int x = area.left(); x <= area.right(); ++x) {
                    if (disposal == 2) screen.setPixel(x, y, 0);
                    if (disposal == 3) screen.setPixel(x, y, before.pixel(x, y));
                }
        }
    }
    return shown;
}

void ExpectSameTimeline(TGIFImage& before, TGIFImage& after) {
    const std::vector<Shown> a = Timeline(before);
    const std::vector<Shown> b = Timeline(after);
    ASSERT_EQ(a.size(), b.size());
    for (size_t i = 0; i < a.size(); ++i) {
        EXPECT_TRUE(a[i].Picture == b[i].Picture) << "picture " << i;
        EXPECT_EQ(a[i].Delay, b[i].Delay) << "picture " << i;
    }
}

// Optimises a copy of bytes, writes and reads it back, and checks that it
// animates as the original; returns the written size.
size_t ExpectLossless(const Bytes& bytes, TGIFOptimizeOptions options, bool best) {
    TGIFImage original;
    Load(original, bytes);
    TGIFImage optimised;
    Load(optimised, bytes);
    OptimizeGIF(optimised, options);
    if (best) {
        OptimizeGIFBest(optimised);
        OptimizeGIF(optimised, options & (OptimizeCleanup | OptimizeColorMap));
    }
    if (optimised.Empty()) {
        EXPECT_TRUE(Timeline(original).empty());
        return 0;
    }
    const Bytes written = Save(optimised);
    TGIFImage reread;
    Load(reread, written);
    ExpectSameTimeline(original, reread);
    return written.size();
}

Bytes ReadFile(const std::filesystem::path& path) {
    TMemoryStream stream;
    stream.LoadFromFile(path.string());
    return stream.Memory();
}

// A 4 × 2 picture with a four-colour global table.
void MakeScreen(TGIFImage& image, int colours = 4) {
    image.Header.SetWidth(4);
    image.Header.SetHeight(2);
    AddColors(image.Header.ColorMap, colours);
}

TGIFGraphicControlExtension& AddControl(TGIFSubImage& frame, int disposal, int delay = 0,
                                        int transparent = -1) {
    auto& control = static_cast<TGIFGraphicControlExtension&>(
        frame.Extensions.Add(std::make_unique<TGIFGraphicControlExtension>(frame)));
    control.SetDisposal(static_cast<TGIFDisposal>(disposal));
    control.SetDelay(static_cast<uint16_t>(delay));
    if (transparent >= 0) {
        control.SetTransparentColorIndex(transparent);
        control.SetTransparent(true);
    }
    return control;
}

Bytes PixelsOf(const TGIFSubImage& frame) {
    return Bytes(frame.Data(), frame.Data() + frame.DataSize());
}

// A small random animation: frames anywhere on an 9 × 7 screen, every
// disposal from 0 to 3, transparency, local tables, delays of 0, and
// entries that repeat colours of other entries.
Bytes RandomAnimation(unsigned seed) {
    std::mt19937 random(seed);
    auto pick = [&](int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); };
    TGIFImage image;
    image.Header.SetWidth(9);
    image.Header.SetHeight(7);
    AddColors(image.Header.ColorMap, 5);
    image.Header.ColorMap.Add(image.Header.ColorMap.Color(1)); // entry 5 repeats entry 1
    const int frames = 2 + pick(5);
    for (int f = 0; f < frames; ++f) {
        const int left = pick(5), top = pick(4);
        const int width = 1 + pick(9 - left), height = 1 + pick(7 - top);
        const bool local = pick(4) == 0;
        const int colours = local ? 4 : 6;
        Bytes pixels(static_cast<size_t>(width * height));
        int value = pick(colours);
        for (auto& p : pixels) {
            if (pick(3) == 0) value = pick(colours);
            p = static_cast<uint8_t>(value);
        }
        TGIFSubImage& frame = AddFrame(image, left, top, width, height, pixels);
        if (local) AddColors(frame.ColorMap, 4);
        if (pick(5) > 0) AddControl(frame, pick(4), pick(3) * 4, pick(2) ? pick(colours) : -1);
    }
    return Save(image);
}

} // namespace

TEST(GIFOptimizeLossless, AnimationsOfImageMagickAndGifsicleWithEachOptionAndBest) {
    std::vector<std::filesystem::path> files;
    const std::filesystem::path data = TV_TEST_DATA "/gif";
    for (const auto& entry : std::filesystem::directory_iterator(data / "optimize"))
        if (entry.path().extension() == ".gif") files.push_back(entry.path());
    for (const char* name : {"anim-full.gif", "anim-interlaced.gif", "anim-optimised.gif", "loop-2.gif"})
        files.push_back(data / name);
    ASSERT_GE(files.size(), 12u);
    for (const auto& file : files) {
        SCOPED_TRACE(file.filename().string());
        const Bytes bytes = ReadFile(file);
        for (TGIFOptimizeOptions options : {OptimizeCrop, OptimizeMerge, OptimizeCleanup, OptimizeColorMap,
                                            TGIFOptimizeOptions(0x0F), OptimizeAll}) {
            SCOPED_TRACE(options);
            ExpectLossless(bytes, options, false);
        }
        ExpectLossless(bytes, 0x0F, true);
    }
}

TEST(GIFOptimizeLossless, RandomAnimationsWithEveryDisposal) {
    for (unsigned seed = 1; seed <= 300; ++seed) {
        SCOPED_TRACE(seed);
        const Bytes bytes = RandomAnimation(seed);
        ExpectLossless(bytes, OptimizeAll, false);
        ExpectLossless(bytes, OptimizeCrop | OptimizeMerge, false);
        ExpectLossless(bytes, 0x0F, true);
        if (HasFailure()) break;
    }
}

TEST(GIFOptimize, EmptyImageIsLeftAloneWithoutProgress) {
    TGIFImage image;
    int reports = 0;
    image.OnProgress = [&](TGraphic&, TProgressStage, int, bool, const TRect&, const std::string&) {
        ++reports;
    };
    OptimizeGIF(image, OptimizeAll);
    EXPECT_TRUE(image.Empty());
    EXPECT_EQ(reports, 0);
}

TEST(GIFOptimize, ProgressRunsFromStartToEndWithOptimizing) {
    TGIFImage image;
    MakeScreen(image);
    AddFrame(image, 0, 0, 4, 2, {0, 1, 2, 3, 0, 1, 2, 3});
    AddFrame(image, 0, 0, 4, 2, {0, 1, 2, 2, 0, 1, 2, 3});
    std::vector<std::pair<TProgressStage, int>> reports;
    image.OnProgress = [&](TGraphic&, TProgressStage stage, int percent, bool, const TRect&,
                           const std::string& message) {
        EXPECT_EQ(message, "Optimizing...");
        reports.emplace_back(stage, percent);
    };
    OptimizeGIF(image, OptimizeAll);
    ASSERT_GE(reports.size(), 3u);
    EXPECT_EQ(reports.front(), std::make_pair(TProgressStage::Starting, 0));
    EXPECT_EQ(reports.back(), std::make_pair(TProgressStage::Ending, 100));
    for (size_t i = 1; i + 1 < reports.size(); ++i) {
        EXPECT_EQ(reports[i].first, TProgressStage::Running);
        EXPECT_LE(reports[i - 1].second, reports[i].second);
    }
    // Merging frame 1 is step 6 of 12, cropping it step 7.
    for (int percent : {50, 58})
        EXPECT_NE(std::find(reports.begin(), reports.end(), std::make_pair(TProgressStage::Running, percent)),
                  reports.end());
}

TEST(GIFOptimize, BlankTransparentFrameGoesAndItsTimeStaysWithTheFrameBefore) {
    TGIFImage image;
    MakeScreen(image);
    TGIFSubImage& first = AddFrame(image, 0, 0, 4, 2, {0, 1, 2, 3, 0, 1, 2, 3});
    AddControl(first, 1, 20, 3);
    AddControl(AddFrame(image, 1, 0, 2, 2, {3, 3, 3, 3}), 1, 30, 3);
    OptimizeGIF(image, OptimizeCrop);
    ASSERT_EQ(image.Images.Count(), 1);
    EXPECT_EQ(image.Images[0].GraphicControlExtension()->Delay(), 50);

    // The frame before without graphic control: its shown 10 hundredths and
    // the 30 of the dropped frame.
    TGIFImage plain;
    MakeScreen(plain);
    AddFrame(plain, 0, 0, 4, 2, {0, 1, 2, 3, 0, 1, 2, 3});
    AddControl(AddFrame(plain, 0, 0, 4, 2, Bytes(8, 2)), 0, 30, 2);
    OptimizeGIF(plain, OptimizeCrop);
    ASSERT_EQ(plain.Images.Count(), 1);
    EXPECT_EQ(plain.Images[0].GraphicControlExtension()->Delay(), 40);

    // After a frame that restores its area, the blank frame shows the
    // restored screen: it stays, as one transparent pixel.
    TGIFImage restored;
    MakeScreen(restored);
    AddControl(AddFrame(restored, 0, 0, 4, 2, {0, 1, 2, 3, 0, 1, 2, 3}), 2, 20);
    AddControl(AddFrame(restored, 0, 0, 4, 2, Bytes(8, 1)), 1, 30, 1);
    OptimizeGIF(restored, OptimizeCrop);
    ASSERT_EQ(restored.Images.Count(), 2);
    EXPECT_EQ(restored.Images[1].Width() * restored.Images[1].Height(), 1);
    EXPECT_EQ(restored.Images[1].GraphicControlExtension()->Delay(), 30);
}

TEST(GIFOptimize, CropCutsTransparentBordersButNotFromFramesRestoredToTheBackground) {
    TGIFImage image;
    MakeScreen(image);
    AddControl(AddFrame(image, 0, 0, 4, 2, {3, 3, 3, 3, 3, 1, 2, 3}), 1, 5, 3);
    AddControl(AddFrame(image, 0, 0, 4, 2, {3, 0, 3, 3, 3, 3, 3, 3}), 2, 5, 3);
    OptimizeGIF(image, OptimizeCrop);
    const TGIFSubImage& cropped = image.Images[0];
    EXPECT_EQ(std::vector<int>({cropped.Left(), cropped.Top(), cropped.Width(), cropped.Height()}),
              std::vector<int>({1, 1, 2, 1}));
    EXPECT_EQ(PixelsOf(cropped), (Bytes{1, 2}));
    EXPECT_EQ(image.Images[1].Width(), 4);
}

TEST(GIFOptimize, CleanupDropsTransparencyThatNoPixelUses) {
    TGIFImage image;
    MakeScreen(image);
    AddControl(AddFrame(image, 0, 0, 4, 2, {0, 1, 2, 0, 0, 1, 2, 0}), 1, 5, 3);
    AddControl(AddFrame(image, 0, 0, 4, 2, {0, 1, 2, 3, 0, 1, 2, 0}), 1, 5, 3);
    OptimizeGIF(image, OptimizeCleanup);
    EXPECT_FALSE(image.Images[0].Transparent());
    EXPECT_FALSE(image.Images[0].GraphicControlExtension()->Transparent());
    EXPECT_TRUE(image.Images[1].Transparent());
}

TEST(GIFOptimize, DisposalIsClearedOnlyWhenTheNextFrameCoversTheWholeFrame) {
    auto disposalAfter = [](int nextLeft, int nextWidth, int nextDisposal) {
        TGIFImage image;
        MakeScreen(image);
        AddControl(AddFrame(image, 0, 0, 4, 2, {0, 1, 2, 3, 0, 1, 2, 3}), 2, 5);
        AddControl(AddFrame(image, nextLeft, 0, nextWidth, 2, Bytes(static_cast<size_t>(nextWidth) * 2, 1)),
                   nextDisposal, 5);
        AddControl(AddFrame(image, 0, 0, 1, 1, {2}), 1, 5);
        const Bytes bytes = Save(image);
        OptimizeGIF(image, OptimizeCleanup);
        ExpectLossless(bytes, OptimizeCleanup, false);
        return static_cast<int>(image.Images[0].GraphicControlExtension()->Disposal());
    };
    EXPECT_EQ(disposalAfter(0, 4, 1), 0);
    // Inside the frame only: the uncovered parts must still be restored.
    EXPECT_EQ(disposalAfter(1, 2, 1), 2);
    // The next frame restores to what this one leaves behind.
    EXPECT_EQ(disposalAfter(0, 4, 3), 2);
}

TEST(GIFOptimize, MergeLeavesFramesOverRestoringFramesAndSkipsRestoredToPrevious) {
    auto mergedPixels = [](int underDisposal) {
        TGIFImage image;
        MakeScreen(image);
        AddControl(AddFrame(image, 0, 0, 4, 2, {0, 1, 2, 3, 0, 1, 2, 3}), underDisposal, 5);
        AddFrame(image, 0, 0, 4, 2, {0, 1, 2, 2, 0, 1, 2, 3});
        OptimizeGIF(image, OptimizeMerge);
        return PixelsOf(image.Images[1]);
    };
    EXPECT_EQ(mergedPixels(2), (Bytes{0, 1, 2, 2, 0, 1, 2, 3}));
    EXPECT_EQ(mergedPixels(3), (Bytes{0, 1, 2, 2, 0, 1, 2, 3}));
    // Frame 1 uses every entry: black is added as entry 4.
    const Bytes merged = mergedPixels(1);
    EXPECT_EQ(merged, (Bytes{4, 4, 4, 2, 4, 4, 4, 4}));

    // A frame restored to what was before is not the frame underneath.
    TGIFImage image;
    MakeScreen(image);
    AddControl(AddFrame(image, 0, 0, 4, 2, {0, 1, 2, 3, 0, 1, 2, 3}), 1, 5);
    AddControl(AddFrame(image, 0, 0, 4, 2, Bytes(8, 2)), 3, 5);
    AddFrame(image, 0, 0, 4, 2, {0, 1, 1, 3, 0, 1, 2, 3});
    const Bytes bytes = Save(image);
    OptimizeGIF(image, OptimizeMerge);
    const TGIFSubImage& last = image.Images[2];
    ASSERT_TRUE(last.Transparent());
    const int t = last.GraphicControlExtension()->TransparentColorIndex();
    const uint8_t tt = static_cast<uint8_t>(t);
    EXPECT_EQ(PixelsOf(last), (Bytes{tt, tt, 1, tt, tt, tt, tt, tt}));
    ExpectLossless(bytes, OptimizeMerge, false);
}

TEST(GIFOptimize, MergeTakesATransparentIndexThatNoVisiblePixelUses) {
    // Frame 1 is transparent with index 2; frame 2 uses 2 as a visible
    // colour, so it must not take 2 over.
    TGIFImage image;
    MakeScreen(image, 5);
    AddFrame(image, 0, 0, 4, 2, {0, 1, 2, 3, 0, 1, 2, 3});
    AddControl(AddFrame(image, 0, 0, 4, 2, {2, 2, 2, 2, 2, 2, 2, 1}), 1, 0, 2);
    AddFrame(image, 0, 0, 4, 2, {2, 0, 2, 0, 0, 1, 2, 1});
    const Bytes bytes = Save(image);
    OptimizeGIF(image, OptimizeMerge);
    const TGIFSubImage& merged = image.Images[2];
    ASSERT_TRUE(merged.Transparent());
    const int t = merged.GraphicControlExtension()->TransparentColorIndex();
    EXPECT_NE(t, 2);
    EXPECT_EQ(image.Header.ColorMap.Count(), 5); // an unused entry served
    const Bytes pixels = PixelsOf(merged);
    EXPECT_EQ(pixels[0], 2);
    EXPECT_EQ(pixels[2], 2);
    ExpectLossless(bytes, OptimizeMerge, false);

    // The same frame sharing a transparent index it does not use.
    TGIFImage sharing;
    MakeScreen(sharing, 5);
    AddFrame(sharing, 0, 0, 4, 2, {0, 1, 2, 3, 0, 1, 2, 3});
    AddControl(AddFrame(sharing, 0, 0, 4, 2, {3, 3, 3, 3, 3, 3, 3, 1}), 1, 0, 3);
    AddFrame(sharing, 0, 0, 4, 2, {2, 0, 2, 0, 0, 1, 2, 1});
    OptimizeGIF(sharing, OptimizeMerge);
    EXPECT_EQ(sharing.Images[2].GraphicControlExtension()->TransparentColorIndex(), 3);
}

TEST(GIFOptimize, FrameWithAFullTableAndNoTransparencyIsNotMerged) {
    TGIFImage image;
    image.Header.SetWidth(4);
    image.Header.SetHeight(2);
    AddColors(image.Header.ColorMap, 256);
    AddFrame(image, 0, 0, 4, 2, {0, 1, 2, 3, 0, 1, 2, 3});
    AddFrame(image, 0, 0, 4, 2, {0, 1, 2, 4, 0, 1, 2, 3});
    OptimizeGIF(image, OptimizeMerge);
    EXPECT_EQ(PixelsOf(image.Images[1]), (Bytes{0, 1, 2, 4, 0, 1, 2, 3}));
    EXPECT_FALSE(image.Images[1].Transparent());
}

TEST(GIFOptimize, CleanupRemovesLoopingOnLaterFramesCommentsAndIdleGraphicControls) {
    TGIFImage image;
    MakeScreen(image);
    TGIFSubImage& first = AddFrame(image, 0, 0, 4, 2, {0, 1, 2, 3, 0, 1, 2, 3});
    first.Extensions.Add(std::make_unique<TGIFAppExtNSLoop>(first));
    auto comment = std::make_unique<TGIFCommentExtension>(first);
    comment->Text = {"made by hand"};
    first.Extensions.Add(std::move(comment));
    AddControl(first, 1, 0); // no delay, no transparency: needless
    TGIFSubImage& second = AddFrame(image, 0, 0, 4, 2, {1, 1, 2, 3, 0, 1, 2, 3});
    second.Extensions.Add(std::make_unique<TGIFAppExtNSLoop>(second));
    AddControl(second, 1, 7); // a delay: kept
    OptimizeGIF(image, OptimizeCleanup);
    ASSERT_EQ(image.Images[0].Extensions.Count(), 1);
    EXPECT_NE(dynamic_cast<TGIFAppExtNSLoop*>(&image.Images[0].Extensions[0]), nullptr);
    ASSERT_EQ(image.Images[1].Extensions.Count(), 1);
    EXPECT_EQ(image.Images[1].GraphicControlExtension()->Delay(), 7);

    // A single frame needs neither looping nor its graphic control.
    TGIFImage still;
    MakeScreen(still);
    TGIFSubImage& only = AddFrame(still, 0, 0, 4, 2, {0, 1, 2, 3, 0, 1, 2, 3});
    only.Extensions.Add(std::make_unique<TGIFAppExtNSLoop>(only));
    AddControl(only, 2, 50);
    OptimizeGIF(still, OptimizeCleanup);
    EXPECT_EQ(still.Images[0].Extensions.Count(), 0);
}

TEST(GIFOptimize, ReductionMethod9FailsAfterCroppingAndReportsNoSuccess) {
    TGIFImage image;
    MakeScreen(image);
    AddControl(AddFrame(image, 0, 0, 4, 2, {3, 3, 3, 3, 3, 1, 2, 3}), 1, 5, 3);
    std::vector<std::pair<TProgressStage, int>> reports;
    image.OnProgress = [&](TGraphic&, TProgressStage stage, int percent, bool, const TRect&,
                           const std::string&) { reports.emplace_back(stage, percent); };
    EXPECT_EQ(GIFErrorOf([&] { OptimizeGIF(image, OptimizeCrop | OptimizeReduceColors, 9); }),
              "Invalid reduction method");
    EXPECT_EQ(image.Images[0].Width(), 2);
    EXPECT_EQ(reports.back(), std::make_pair(TProgressStage::Ending, 0));
    // With cleanup, or another method, nothing fails and nothing is reduced.
    EXPECT_EQ(GIFErrorOf([&] { OptimizeGIF(image, OptimizeAll, 9); }), "");
    EXPECT_EQ(GIFErrorOf([&] { OptimizeGIF(image, OptimizeReduceColors, 7); }), "");
}

TEST(GIFOptimize, WriteDataOptimisesOnlyWhileOptimizeOnWriteIsOn) {
    const Bytes bytes = ReadFile(TV_TEST_DATA "/gif/optimize/sprite-full.gif");
    TGIFImage image;
    Load(image, bytes);
    const Bytes plain = Save(image);
    TMemoryStream off;
    image.WriteData(off);
    EXPECT_EQ(off.Memory(), plain);

    OptimizeOnWrite = true;
    TMemoryStream on;
    image.WriteData(on);
    OptimizeOnWrite = false;
    EXPECT_LT(on.Memory().size() * 2, plain.size());
    TGIFImage original, written;
    Load(original, bytes);
    Load(written, on.Memory());
    ExpectSameTimeline(original, written);
}

TEST(GIFOptimizeBest, NeverLargerThanTheFourOptionsOnTheFixtures) {
    size_t four = 0, best = 0;
    for (const char* name :
         {"sprite-full.gif", "particles-dispose2.gif", "spinner-previous.gif", "text-fade-local.gif"}) {
        const Bytes bytes = ReadFile(std::filesystem::path(TV_TEST_DATA "/gif/optimize") / name);
        four += ExpectLossless(bytes, 0x0F, false);
        best += ExpectLossless(bytes, 0x0F, true);
    }
    EXPECT_LT(best, four);
}
