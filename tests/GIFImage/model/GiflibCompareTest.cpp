// Our pixels against giflib's on real GIF files (made by ImageMagick and
// gifsicle, see tests/data/gif/make-fixtures.sh) and on generated ones.
// Skipped where giflib is not installed.

#include "GIFImage.h"
#include "GIFTestStreams.h"
#include "GiflibFrames.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <random>

namespace {

std::vector<Bytes> OurFrames(const Bytes& bytes, std::vector<std::string>& warnings) {
    TGIFImage image;
    image.WarningHandler = [&](TGIFImage&, TGIFSeverity, const std::string& m) { warnings.push_back(m); };
    TBorrowedMemoryStream stream(bytes.data(), static_cast<int64_t>(bytes.size()));
    image.LoadFromStream(stream);
    std::vector<Bytes> frames;
    for (const auto& frame : image.Images)
        if (!frame->Empty()) frames.emplace_back(frame->Data(), frame->Data() + frame->DataSize());
    return frames;
}

void ExpectSamePixels(const Bytes& bytes, const std::string& name) {
#ifdef TV_HAVE_GIFLIB
    std::vector<std::string> warnings;
    const std::vector<Bytes> ours = OurFrames(bytes, warnings);
    const std::vector<Bytes> theirs = GiflibFrames(bytes);
    ASSERT_FALSE(theirs.empty()) << name;
    EXPECT_TRUE(warnings.empty()) << name << ": " << warnings.front();
    ASSERT_EQ(ours.size(), theirs.size()) << name;
    for (size_t i = 0; i < ours.size(); ++i) EXPECT_EQ(ours[i], theirs[i]) << name << " frame " << i;
#else
    (void)bytes;
    (void)name;
#endif
}

} // namespace

TEST(GiflibComparison, RealFilesDecodeToTheSamePixels) {
#ifndef TV_HAVE_GIFLIB
    GTEST_SKIP() << "giflib is not installed";
#endif
    const std::vector<TestFile> files = TestSetFiles();
    for (const TestFile& file : files) ExpectSamePixels(file.Data, file.Name);
    EXPECT_GE(files.size(), 10u);
}

TEST(GiflibComparison, GeneratedFilesDecodeToTheSamePixels) {
#ifndef TV_HAVE_GIFLIB
    GTEST_SKIP() << "giflib is not installed";
#endif
    std::mt19937 rng(99);
    std::uniform_int_distribution<int> size(1, 120);
    for (int round = 0; round < 60; ++round) {
        const int bits = 1 + round % 8;
        const int width = size(rng), height = size(rng);
        Bytes pixels(static_cast<size_t>(width) * height);
        std::uniform_int_distribution<int> color(0, (1 << bits) - 1);
        uint8_t current = 0;
        for (auto& p : pixels) {
            if (color(rng) % 3 == 0) current = static_cast<uint8_t>(color(rng));
            p = current;
        }
        const bool interlaced = round % 3 == 0;
        Bytes stored = pixels;
        if (interlaced) {
            stored.clear();
            for (const int row : InterlacedRows(height))
                stored.insert(stored.end(), pixels.begin() + row * width, pixels.begin() + (row + 1) * width);
        }
        const Bytes gif = SimpleGif(width, height, stored, bits, interlaced ? 0x40 : 0);
        ExpectSamePixels(gif, "generated " + std::to_string(round));
    }
}
