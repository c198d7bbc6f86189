// Frames compressed side by side: the bytes are those of compressing one
// frame after the other, and a failing frame fails at the same place. The
// kept threads also serve a pipeline.

#include "GIFEncoder.h"
#include "GIFMessages.h"
#include "GIFParallelEncoder.h"
#include "GIFTestImages.h"
#include "GIFWorkerThreads.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <random>
#include <stdexcept>
#include <thread>
#include <vector>

namespace {

// Frames of different sizes, palettes and interlacing.
void MakeFrames(TGIFImage& image, int count) {
    std::mt19937 random(7);
    image.SetWidth(64);
    image.SetHeight(48);
    AddColors(image.Header.ColorMap, 256);
    for (int i = 0; i < count; ++i) {
        const int width = 8 + i * 7, height = 5 + i * 5;
        Bytes pixels(static_cast<size_t>(width) * height);
        const int colors = (i % 3 == 0) ? 2 : (i % 3 == 1) ? 16 : 256;
        for (auto& p : pixels) p = static_cast<uint8_t>(random() % colors);
        TGIFSubImage& frame = AddFrame(image, 0, 0, width, height, pixels);
        if (i % 3 != 2) AddColors(frame.ColorMap, colors);
        if (i % 2) frame.SetPacked(0x40);
    }
}

// The test pictures are small: the parallel path is taken whatever their size.
struct Threads {
    explicit Threads(int count) : Saved(EncodeThreads), SavedPixels(ParallelEncodeMinPixels) {
        EncodeThreads = count;
        ParallelEncodeMinPixels = 0;
    }
    ~Threads() {
        EncodeThreads = Saved;
        ParallelEncodeMinPixels = SavedPixels;
    }
    int Saved;
    int64_t SavedPixels;
};

} // namespace

TEST(GIFParallelWrite, BytesAreThoseOfOneThread) {
    TGIFImage image;
    MakeFrames(image, 9);
    Bytes alone, together;
    {
        Threads one(1);
        alone = Save(image);
    }
    {
        Threads four(4);
        together = Save(image);
    }
    EXPECT_EQ(together, alone);
    EXPECT_GT(alone.size(), 1000u);
}

TEST(GIFParallelWrite, AFailingFrameFailsAtTheSamePlace) {
    TGIFImage image;
    MakeFrames(image, 8);
    // A pixel outside frame 4's 16-colour table.
    image.Images[4].ScanLine(2)[3] = 200;
    std::string errors[2];
    Bytes written[2];
    for (int i = 0; i < 2; ++i) {
        Threads threads(i == 0 ? 1 : 4);
        TMemoryStream out;
        errors[i] = GIFErrorOf([&] { image.SaveToStream(out); });
        written[i] = out.Memory();
    }
    EXPECT_EQ(errors[0], GIFMessages::ColorNotInTable);
    EXPECT_EQ(errors[1], errors[0]);
    EXPECT_EQ(written[1], written[0]);
}

// An optimiser's chosen image data is written in place of compressing the
// frame again, on one thread and on several, but only while it holds the
// frame's pixels: not once a pixel changed, nor when it is cut short.
TEST(GIFParallelWrite, ChosenDataIsWrittenOnlyWhileItHoldsThePixels) {
    TGIFImage image;
    MakeFrames(image, 6);
    Save(image); // the written row orders, as the jobs below see them
    const auto contains = [](const Bytes& file, const std::vector<uint8_t>& data) {
        return std::search(file.begin(), file.end(), data.begin(), data.end()) != file.end();
    };
    // The frames' data as the other compressor writes it: another encoding
    // of the same pixels.
    std::vector<Bytes> pixels;
    for (int i = 0; i < image.Images.Count(); ++i) {
        TGIFSubImage& frame = image.Images[i];
        const TGIFEncodeJob job = frame.EncodeJob();
        TMemoryStream data;
        CompressImageData(data, TGIFCompression::RLE, job.Bits, job.Colors, job.Pixels, job.Interlaced,
                          job.Height, job.Width, -1, false, false);
        frame.ChosenData = data.Memory();
        pixels.emplace_back(frame.Data(), frame.Data() + frame.DataSize());
    }
    for (const int count : {1, 4}) {
        Threads threads(count);
        const Bytes file = Save(image);
        for (int i = 0; i < image.Images.Count(); ++i)
            EXPECT_TRUE(contains(file, image.Images[i].ChosenData));
        TGIFImage reread;
        Load(reread, file);
        for (int i = 0; i < image.Images.Count(); ++i)
            EXPECT_EQ(Bytes(reread.Images[i].Data(), reread.Images[i].Data() + reread.Images[i].DataSize()),
                      pixels[static_cast<size_t>(i)]);
    }
    image.Images[1].ScanLine(3)[2] ^= 1;
    pixels[1][3 * static_cast<size_t>(image.Images[1].Width()) + 2] ^= 1;
    image.Images[2].ChosenData.resize(image.Images[2].ChosenData.size() - 3);
    for (const int count : {1, 4}) {
        Threads threads(count);
        const Bytes file = Save(image);
        EXPECT_FALSE(contains(file, image.Images[1].ChosenData));
        EXPECT_TRUE(contains(file, image.Images[3].ChosenData));
        TGIFImage reread;
        Load(reread, file);
        for (int i = 0; i < image.Images.Count(); ++i)
            EXPECT_EQ(Bytes(reread.Images[i].Data(), reread.Images[i].Data() + reread.Images[i].DataSize()),
                      pixels[static_cast<size_t>(i)]);
    }
}

// A process forked while the kept threads sleep has none of them, and their
// lock and condition stay as the parent left them: it starts threads of its
// own. Two calls that each wait for the other can only end side by side.
TEST(GIFParallelWrite, AForkedProcessWorksOnThreadsOfItsOwn) {
    const auto sideBySide = [] {
        std::atomic<int> arrived{0};
        std::atomic<bool> alone{false};
        GIFWorkers::ForEach(2, 2, [&](size_t) {
            ++arrived;
            const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(20);
            while (arrived < 2 && std::chrono::steady_clock::now() < end) std::this_thread::yield();
            if (arrived < 2) alone = true;
        });
        return !alone;
    };
    ASSERT_TRUE(sideBySide());
    // Longer than the kept threads watch for work: they sleep now.
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_EXIT(std::_Exit(sideBySide() ? 0 : 1), testing::ExitedWithCode(0), "");
}

// A pipeline runs each call once, after its preparation, and keeps no more
// than it was asked waiting however slow the runs are; a failure of either
// side comes back to the caller instead of leaving it waiting.
TEST(GIFWorkerPipeline, RunsEachPreparedCallOnceKeepingFewWaitingAndReportsFailures) {
    constexpr size_t Count = 40, Ahead = 3;
    std::vector<std::atomic<int>> prepared(Count), runs(Count);
    std::atomic<size_t> started{0};
    std::atomic<bool> runBeforePrepare{false};
    size_t mostWaiting = 0;
    GIFWorkers::Pipeline(
        Count, 2, Ahead,
        [&](size_t i) {
            mostWaiting = std::max(mostWaiting, i - started.load());
            ++prepared[i];
        },
        [&](size_t i) {
            ++started;
            if (prepared[i] != 1) runBeforePrepare = true;
            std::this_thread::sleep_for(std::chrono::microseconds(300));
            ++runs[i];
        });
    for (size_t i = 0; i < Count; ++i) EXPECT_EQ(runs[i], 1) << i;
    EXPECT_FALSE(runBeforePrepare);
    EXPECT_LE(mostWaiting, Ahead + 1);

    for (const bool inPrepare : {true, false})
        EXPECT_THROW(GIFWorkers::Pipeline(
                         Count, 2, Ahead,
                         [&](size_t i) {
                             if (inPrepare && i == 5) throw std::runtime_error("prepare");
                         },
                         [&](size_t i) {
                             if (!inPrepare && i == 5) throw std::runtime_error("run");
                         }),
                     std::runtime_error);
}
