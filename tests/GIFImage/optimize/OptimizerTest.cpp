// Image optimisation: each step's edge cases, and that every optimised
// picture, written and read back, animates exactly as before (compared
// through the composed frames of two passes and how long each stays).

#include "GIFAnimationTimeline.h"
#include "GIFAppExtNSLoop.h"
#include "GIFBestOptimizer.h"
#include "GIFCommentExtension.h"
#include "GIFDrawFlags.h"
#include "GIFEncoder.h"
#include "GIFFrameQueries.h"
#include "GIFGraphicControlExtension.h"
#include "GIFOptimizer.h"
#include "GIFRandomAnimation.h"
#include "GIFSettings.h"
#include "GIFTestImages.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <random>

namespace {

void ExpectSameTimeline(TGIFImage& before, TGIFImage& after) {
    EXPECT_EQ(AnimationDifference(before, after), "");
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
        EXPECT_TRUE(ModelTimeline(original, TDecoderModel::Painter).empty());
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

// A width × height picture (4 × 2 by default) with a global table of
// colours colours (4 by default).
void MakeScreen(TGIFImage& image, int colours = 4, int width = 4, int height = 2) {
    image.Header.SetWidth(width);
    image.Header.SetHeight(height);
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

// Saves image, redraws what it read back with OptimizeGIFBest (or optimise)
// and reads the result into reread, which must show what image showed. The
// bytes before and after.
std::pair<Bytes, Bytes> SaveBestAndReread(
    TGIFImage& image, TGIFImage& reread,
    const std::function<void(TGIFImage&)>& optimise = [](TGIFImage& image) { OptimizeGIFBest(image); }) {
    const Bytes bytes = Save(image);
    TGIFImage original, optimised;
    Load(original, bytes);
    Load(optimised, bytes);
    optimise(optimised);
    const Bytes written = Save(optimised);
    Load(reread, written);
    ExpectSameTimeline(original, reread);
    return {bytes, written};
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
        std::mt19937 random(seed);
        const Bytes bytes =
            RandomAnimation([&](int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); });
        ExpectLossless(bytes, OptimizeAll, false);
        ExpectLossless(bytes, OptimizeCrop | OptimizeMerge, false);
        ExpectLossless(bytes, OptimizeMerge, false);
        ExpectLossless(bytes, 0x0F, true);
        if (HasFailure()) break;
    }
}

TEST(GIFOptimizeLossless, TransparentIndexBeyondTheTableStaysBeyondIt) {
    // Uneven use, so that the table is sorted and its entries move.
    Bytes pixels(25, 3);
    std::fill_n(pixels.begin(), 7, 0);
    std::fill_n(pixels.begin() + 20, 5, 1);
    const Bytes bytes = Header(5, 5) + GraphicControl(0x01, 0, 200) + Descriptor(0, 0, 5, 5, 0x81) +
                        ColorTable(4) + ImageData(2, EncodeCodes(2, pixels)) + Bytes{0x3B};
    ExpectLossless(bytes, OptimizeColorMap, false);
}

TEST(GIFOptimizeLossless, OtherDecodersStillShowTheScreenAndRestoredAreasClear) {
    // A square on a clear 16 x 16 screen, then a frame restored to the
    // background whose transparent index no pixel uses: other decoders show
    // the rest of the screen, and that frame's area afterwards, clear only
    // while these frames keep their transparent index.
    TGIFImage image;
    image.Header.SetWidth(16);
    image.Header.SetHeight(16);
    AddColors(image.Header.ColorMap, 4);
    Bytes square(256, 0);
    for (int y = 5; y < 10; ++y) std::fill_n(square.begin() + y * 16 + 6, 5, 1);
    AddControl(AddFrame(image, 0, 0, 16, 16, square), 0, 0, 0);
    AddControl(AddFrame(image, 0, 0, 4, 4, Bytes(16, 2)), 2, 0, 3);
    const Bytes bytes = Save(image);
    ExpectLossless(bytes, 0x0F, true);
    // Optimising again what was optimised, and cleaning up what was cropped.
    for (auto [first, second] :
         {std::pair{OptimizeCrop, OptimizeCleanup}, std::pair{OptimizeAll, OptimizeAll}}) {
        TGIFImage original, once, twice;
        Load(original, bytes);
        Load(once, bytes);
        OptimizeGIF(once, first);
        Load(twice, Save(once));
        OptimizeGIF(twice, second);
        ExpectSameTimeline(original, twice);
        EXPECT_LT(twice.Images[0].Width(), 16);
    }
}

TEST(GIFOptimizeLossless, MergeKeepsFramesThatFollowAReservedDisposal) {
    // With a frame restored to the background, the painter draws neither a
    // frame of disposal 5 nor the one after it: the frame before the last is
    // not what lies under the last.
    TGIFImage image;
    MakeScreen(image);
    AddFrame(image, 0, 0, 4, 2, Bytes(8, 1));
    AddControl(AddFrame(image, 0, 0, 4, 2, Bytes(8, 2)), 5);
    AddFrame(image, 0, 0, 4, 2, Bytes(8, 3));
    AddControl(AddFrame(image, 0, 0, 4, 2, Bytes(8, 3)), 2);
    ExpectLossless(Save(image), OptimizeMerge, false);
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
    // As the library's callers ask for it, the other frame looked for.
    EXPECT_EQ(TransparentIndexForMerging(sharing.Images[2]), 3);
    OptimizeGIF(sharing, OptimizeMerge);
    EXPECT_EQ(sharing.Images[2].GraphicControlExtension()->TransparentColorIndex(), 3);
}

TEST(GIFOptimize, MergeOfATransparentFrameSparesPixelsOverTransparentOnesAndMatchesEntriesAcrossTables) {
    // One table: a pixel over the previous frame's transparent index
    // stays (that showed what lay beneath); an index beyond the table
    // merges with itself.
    TGIFImage image;
    MakeScreen(image, 4, 6, 1);
    AddControl(AddFrame(image, 0, 0, 6, 1, {0, 1, 3, 3, 5, 2}), 1, 0, 3);
    TGIFSubImage& self = AddFrame(image, 0, 0, 6, 1, {0, 2, 3, 1, 5, 1});
    AddControl(self, 1, 0, 2);
    MergeGIFFrame(self, &image.Images[0]);
    EXPECT_EQ(PixelsOf(self), (Bytes{2, 2, 3, 1, 2, 1}));

    // A table of its own with the entries in another order: pixels merge
    // by the entry they show.
    TGIFSubImage& own = AddFrame(image, 0, 0, 4, 1, {3, 2, 0, 4});
    for (const int i : {3, 2, 1, 0}) {
        const TPaletteEntry e = image.Header.ColorMap.Entry(i);
        own.ColorMap.Add(RGBColor(e.Red, e.Green, e.Blue));
    }
    own.ColorMap.Add(RGBColor(1, 2, 3));
    AddControl(own, 1, 0, 4);
    TGIFSubImage& under = AddFrame(image, 0, 0, 4, 1, {0, 1, 2, 3});
    MergeGIFFrame(own, &under);
    EXPECT_EQ(PixelsOf(own), (Bytes{4, 4, 0, 4}));
}

// Frames whose data decoded nothing hold one value and no buffer; a few
// bytes may name billions of pixels. Merged over such a frame, one decides
// for all its pixels at once and keeps without a buffer.
TEST(GIFOptimize, AFrameWithoutPixelsMergesOverOneOfOneValueWithoutABuffer) {
    const Bytes nothing = Descriptor(0, 0, 64, 64) + ImageData(2, {4, 5});
    const Bytes bytes = Header(64, 64, 0x81) + ColorTable(4) + nothing + nothing + Bytes{0x3B};
    TGIFImage image;
    Load(image, bytes);
    TGIFSubImage& merged = image.Images[1];
    ASSERT_FALSE(merged.HasPixelBuffer());
    MergeGIFFrame(merged, &image.Images[0]);
    EXPECT_FALSE(merged.HasPixelBuffer());
    ASSERT_TRUE(merged.Transparent());
    const int t = merged.GraphicControlExtension()->TransparentColorIndex();
    EXPECT_NE(t, 0);
    EXPECT_EQ(PixelsOf(merged), Bytes(64 * 64, static_cast<uint8_t>(t)));
    ExpectLossless(bytes, OptimizeMerge, false);
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

// Frames whose codes store smaller looking ahead are written so, and read
// back as they showed; a copy stores as they do (the lossy step keeps the
// smaller of two copies).
TEST(GIFOptimizeBest, FramesAreWrittenWithTheCodesThatLookAheadWhereSmaller) {
    const Bytes bytes = ReadFile(std::filesystem::path(TV_TEST_DATA "/gif/optimize") / "sprite-full.gif");
    TGIFImage original, optimised, reread, copy;
    Load(original, bytes);
    Load(optimised, bytes);
    OptimizeGIFBest(optimised);
    const Bytes lookingAhead = Save(optimised);
    copy.Assign(optimised);
    EXPECT_EQ(Save(copy), lookingAhead);
    int frames = 0;
    for (int i = 0; i < optimised.Images.Count(); ++i) {
        frames += optimised.Images[i].LookAhead.Used();
        optimised.Images[i].LookAhead = {};
        optimised.Images[i].ChosenData.clear();
    }
    EXPECT_GT(frames, 0);
    EXPECT_LT(lookingAhead.size(), Save(optimised).size());
    Load(reread, lookingAhead);
    ExpectSameTimeline(original, reread);
}

TEST(GIFOptimizeBest, AFrameWithATableOfItsOwnTakesTheGlobalOneWhenThatStoresItSmaller) {
    // As some recorders write: the first frame shows all 256 colours of the
    // global table, the later ones have full tables of their own of other
    // colours (so no one table holds them all) but show only the two
    // colours the first frame shows most.
    TGIFImage image;
    image.Header.SetWidth(32);
    image.Header.SetHeight(16);
    AddColors(image.Header.ColorMap, 256);
    for (int f = 0; f < 3; ++f) {
        Bytes pixels(32 * 16);
        for (size_t i = 0; i < pixels.size(); ++i)
            pixels[i] = f == 0 ? (i < 256 ? i : i % 2) : (i / 3 + static_cast<size_t>(f)) % 4 == 0;
        TGIFSubImage& frame = AddFrame(image, 0, 0, 32, 16, pixels);
        if (f > 0) {
            AddColors(frame.ColorMap, 2);
            for (int c = 2; c < 256; ++c)
                frame.ColorMap.Add(RGBColor(static_cast<uint8_t>(c), static_cast<uint8_t>(c), 1));
        }
        AddControl(frame, 0, 10);
    }
    TGIFImage reread;
    SaveBestAndReread(image, reread, [](TGIFImage& optimised) {
        OptimizeGIF(optimised, 0x0F);
        OptimizeGIFBest(optimised);
        OptimizeGIF(optimised, OptimizeCleanup | OptimizeColorMap);
    });
    ASSERT_EQ(reread.Images.Count(), 3);
    for (int f = 0; f < 3; ++f) EXPECT_EQ(reread.Images[f].ColorMap.Count(), 0) << f;
}

TEST(GIFOptimizeBest, FramesThatRepeatTheOneBeforeGiveItTheirTimeEvenWithCommentsOfTheirOwn) {
    // As ImageMagick writes a pause: full frames, each with a comment.
    TGIFImage image;
    MakeScreen(image, 4, 8, 8);
    const Bytes still(64, 1);
    Bytes moved = still;
    moved[9] = 2;
    for (const Bytes* pixels : std::initializer_list<const Bytes*>{&still, &still, &still, &moved}) {
        TGIFSubImage& frame = AddFrame(image, 0, 0, 8, 8, *pixels);
        auto comment = std::make_unique<TGIFCommentExtension>(frame);
        comment->Text = {"made by a converter"};
        frame.Extensions.Add(std::move(comment));
        AddControl(frame, 0, 10);
    }
    TGIFImage reread;
    SaveBestAndReread(image, reread, [](TGIFImage& optimised) { OptimizeGIFSmallest(optimised, 0x0F); });
    ASSERT_EQ(reread.Images.Count(), 2);
    EXPECT_EQ(reread.Images[0].GraphicControlExtension()->Delay(), 30);
}

TEST(GIFOptimizeBest, EmptyFramesThatChangeNothingGiveTheirTimeToTheFrameBefore) {
    // A burst of particles restored to the background between pauses of
    // empty frames, as a particle effect is recorded; then a dot that
    // stays, and an empty frame whose clearing takes it away.
    TGIFImage image;
    MakeScreen(image, 4, 8, 8);
    const Bytes empty(64, 0);
    Bytes burst = empty, spread = empty, dot = empty;
    burst[27] = 1;
    burst[28] = 2;
    spread[18] = 1;
    spread[45] = 3;
    dot[0] = 3;
    for (const Bytes* pixels :
         std::initializer_list<const Bytes*>{&empty, &empty, &empty, &burst, &spread, &empty, &empty})
        AddControl(AddFrame(image, 0, 0, 8, 8, *pixels), 2, 10, 0);
    AddControl(AddFrame(image, 0, 0, 8, 8, dot), 1, 10, 0);
    AddControl(AddFrame(image, 0, 0, 8, 8, empty), 2, 10, 0);
    TGIFImage reread;
    SaveBestAndReread(image, reread, [](TGIFImage& optimised) { OptimizeGIFSmallest(optimised, 0x0F); });
    ASSERT_EQ(reread.Images.Count(), 6);
    EXPECT_EQ(reread.Images[0].GraphicControlExtension()->Delay(), 30);
    EXPECT_EQ(reread.Images[3].GraphicControlExtension()->Delay(), 20);
}

TEST(GIFOptimizeBest, ADitherDrawnAnewKeepsScatteredUnchangedPixelsAndClearsLongStretches) {
    // A gradient dithered again with its levels shifted, as a converter
    // quantises each frame anew, save a fifth on the left that stays: the
    // pixels that stay elsewhere are scattered through the dither.
    constexpr int width = 100, height = 64;
    constexpr int bayer[4][4] = {{0, 8, 2, 10}, {12, 4, 14, 6}, {3, 11, 1, 9}, {15, 7, 13, 5}};
    const auto dithered = [&](double shift) {
        Bytes pixels(width * height);
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x) {
                const double level =
                    x * 7.0 / width + shift + 0.03 * ((y * 3 + x) % 5) + bayer[y % 4][x % 4] / 16.0;
                pixels[static_cast<size_t>(y * width + x)] =
                    static_cast<uint8_t>(std::min(14, static_cast<int>(level)));
            }
        return pixels;
    };
    const Bytes first = dithered(0);
    Bytes second = dithered(0.37);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width / 5; ++x)
            second[static_cast<size_t>(y * width + x)] = first[static_cast<size_t>(y * width + x)];
    second[0] = first[0] == 14 ? 13 : 14; // so that the frame's box starts on the left
    TGIFImage image;
    MakeScreen(image, 16, width, height);
    AddControl(AddFrame(image, 0, 0, width, height, first), 1, 10);
    AddControl(AddFrame(image, 0, 0, width, height, second), 1, 10);

    TGIFImage reread;
    SaveBestAndReread(image, reread);
    ASSERT_EQ(reread.Images.Count(), 2);
    const TGIFSubImage& redrawn = reread.Images[1];
    // Over the area redrawn, the two plain ways: every unchanged pixel
    // transparent (index 15), or none.
    Bytes allClear, asDrawn;
    for (int y = redrawn.Top(); y < redrawn.Top() + redrawn.Height(); ++y)
        for (int x = redrawn.Left(); x < redrawn.Left() + redrawn.Width(); ++x) {
            const size_t at = static_cast<size_t>(y * width + x);
            asDrawn.push_back(second[at]);
            allClear.push_back(second[at] == first[at] ? 15 : second[at]);
        }
    const auto size = [&](const uint8_t* pixels) {
        return CompressedSize(4, 16, pixels, false, redrawn.Height(), redrawn.Width());
    };
    EXPECT_LT(size(redrawn.Data()), std::min(size(allClear.data()), size(asDrawn.data())) * 95 / 100);
}

TEST(GIFOptimizeBest, FramesOfMoreColoursThanATableHoldsShareAGlobalTableOfTheColoursMostFramesShow) {
    // Seven frames with tables of their own, 286 colours in all: the first
    // shows 220 colours of its own, the six later ones the same 64 others.
    // The global table holds none of them.
    TGIFImage image;
    MakeScreen(image, 2, 16, 16);
    for (int f = 0; f < 7; ++f) {
        const int colours = f == 0 ? 220 : 64;
        Bytes pixels(16 * 16);
        for (size_t i = 0; i < pixels.size(); ++i)
            pixels[i] = static_cast<uint8_t>(f == 0 ? i % 220 : (i / 3 + static_cast<size_t>(f)) % 64);
        TGIFSubImage& frame = AddFrame(image, 0, 0, 16, 16, pixels);
        for (int c = 0; c < colours; ++c)
            frame.ColorMap.Add(RGBColor(static_cast<uint8_t>(c), f == 0 ? 1 : 2, 3));
        AddControl(frame, 0, 10);
    }
    TGIFImage reread;
    const auto [bytes, written] = SaveBestAndReread(image, reread);
    EXPECT_LT(written.size(), bytes.size());
    ASSERT_EQ(reread.Images.Count(), 7);
    EXPECT_GT(reread.Images[0].ColorMap.Count(), 0);
    for (int f = 1; f < 7; ++f) EXPECT_EQ(reread.Images[f].ColorMap.Count(), 0) << f;
}

TEST(GIFOptimizeBest, AFrameWhoseNextFrameShowsWhatWasBeforeItIsRestoredOnceShown) {
    // Full frames, as some recorders write them, of a patterned ground with a
    // patterned mark on every other frame (a blinking cursor): each frame
    // with the mark is restored to the ground once shown, and the frame
    // after it stores one transparent pixel instead of the ground again.
    TGIFImage image;
    MakeScreen(image, 4, 48, 16);
    for (int f = 0; f < 7; ++f) {
        Bytes pixels(48 * 16);
        for (int y = 0; y < 16; ++y)
            for (int x = 0; x < 48; ++x) {
                const bool mark = f % 2 == 1 && x >= 6 * f && x < 6 * f + 12 && y >= 4 && y < 12;
                pixels[static_cast<size_t>(y) * 48 + static_cast<size_t>(x)] =
                    static_cast<uint8_t>(mark ? 2 + (x + y) % 2 : (x / 4 + y / 4) % 2);
            }
        AddControl(AddFrame(image, 0, 0, 48, 16, pixels), 1, 10);
    }
    TGIFImage reread;
    const auto [bytes, written] = SaveBestAndReread(image, reread);
    ASSERT_EQ(reread.Images.Count(), 7);
    EXPECT_EQ(GIFFrame::DisposalOf(reread.Images[0]), TGIFDisposal::DoNotDispose);
    for (int f = 1; f < 6; f += 2) {
        EXPECT_EQ(GIFFrame::DisposalOf(reread.Images[f]), TGIFDisposal::RestorePrevious) << f;
        EXPECT_EQ(reread.Images[f + 1].Width() * reread.Images[f + 1].Height(), 1) << f + 1;
    }
}

TEST(GIFOptimizeBest, AFrameTakesTheRowOrderThatStoresItSmaller) {
    // Every eighth row noise, the rest one colour: in interlaced order the
    // noise comes first and the one colour in a single run.
    TGIFImage image;
    MakeScreen(image, 16, 64, 64);
    std::mt19937 random(7);
    Bytes pixels(64 * 64, 0);
    for (size_t i = 0; i < pixels.size(); ++i)
        if (i / 64 % 8 == 0) pixels[i] = static_cast<uint8_t>(random() % 16);
    AddFrame(image, 0, 0, 64, 64, pixels);
    TGIFImage reread;
    const auto [bytes, written] = SaveBestAndReread(image, reread);
    EXPECT_TRUE(reread.Images[0].Interlaced());
    EXPECT_LT(written.size(), bytes.size());
}

TEST(GIFOptimizeBest, ARestoredFrameWhoseNextFrameBuildsOnItStays) {
    // As ImageMagick's -layers optimize may leave it: a patterned box is
    // shown and restored away, and the next frame draws the box again with
    // a line more. Kept, the box need not be drawn twice.
    TGIFImage image;
    MakeScreen(image, 4, 40, 24);
    AddControl(AddFrame(image, 0, 0, 40, 24, Bytes(40 * 24, 0)), 1, 10);
    const auto box = [](int rows) {
        Bytes pixels(32 * rows);
        for (size_t i = 0; i < pixels.size(); ++i) pixels[i] = static_cast<uint8_t>(1 + (i * 7 / 5) % 3);
        return pixels;
    };
    AddControl(AddFrame(image, 4, 4, 32, 12, box(12)), 3, 10);
    AddControl(AddFrame(image, 4, 4, 32, 13, box(13)), 1, 10);
    TGIFImage reread;
    const auto [bytes, written] = SaveBestAndReread(image, reread);
    ASSERT_EQ(reread.Images.Count(), 3);
    EXPECT_NE(GIFFrame::DisposalOf(reread.Images[1]), TGIFDisposal::RestorePrevious);
    EXPECT_LE(reread.Images[2].Height(), 2);
    EXPECT_LT(written.size(), bytes.size());
}

TEST(GIFOptimizeBest, AFrameThatNeedsAFullTableAsItIsSharesTheGlobalOneDrawnTransparent) {
    // Three full-screen frames of 256 colours each: the first of colours A,
    // the third of colours B and one more, Z. The second changes every pixel
    // but one to the colours of B; the one it leaves shows a colour of A, so
    // drawn as it is it needs B, that colour and a table of its own. Drawn
    // with that pixel transparent it shares a global table of B and Z with
    // the third frame, Z's entry serving as its transparent one.
    TGIFImage image;
    MakeScreen(image, 2, 16, 16);
    const size_t kept = 100;
    Bytes first(256), second(256), third(256);
    for (size_t i = 0; i < 256; ++i) {
        first[i] = static_cast<uint8_t>(i);
        second[i] = static_cast<uint8_t>(i == kept ? 255 : i < kept ? i : i - 1);
        third[i] = static_cast<uint8_t>((second[i] + 1) % 256);
    }
    const auto colourOfB = [](int i) { return RGBColor(static_cast<uint8_t>(i), 1, 0); };
    for (const Bytes* pixels : {&first, &second, &third}) {
        TGIFSubImage& frame = AddFrame(image, 0, 0, 16, 16, *pixels);
        for (int i = 0; i < 255; ++i)
            frame.ColorMap.Add(pixels == &first ? RGBColor(static_cast<uint8_t>(i), 0, 1) : colourOfB(i));
        frame.ColorMap.Add(pixels == &first    ? RGBColor(255, 0, 1)
                           : pixels == &second ? RGBColor(static_cast<uint8_t>(kept), 0, 1)
                                               : colourOfB(255));
        AddControl(frame, 0, 10);
    }
    TGIFImage reread;
    SaveBestAndReread(image, reread);
    ASSERT_EQ(reread.Images.Count(), 3);
    EXPECT_GT(reread.Images[0].ColorMap.Count(), 0);
    EXPECT_EQ(reread.Images[1].ColorMap.Count(), 0);
    EXPECT_TRUE(reread.Images[1].Transparent());
    EXPECT_EQ(reread.Images[2].ColorMap.Count(), 0);
}
