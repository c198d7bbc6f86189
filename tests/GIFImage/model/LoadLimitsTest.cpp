// What a load may allocate: only image data earns pixels, frames whose data
// decodes nothing allocate nothing, an absolute ceiling holds whatever the
// data, and a huge logical screen costs nothing. The memory cases run in a
// child process whose address space is limited, as an attacker's file would
// meet a real machine.

#include "AddressSpaceLimit.h"
#include "GIFBestOptimizer.h"
#include "GIFCommentExtension.h"
#include "GIFException.h"
#include "GIFImage.h"
#include "GIFLimits.h"
#include "GIFMessages.h"
#include "GIFOptimizer.h"
#include "GIFSubBlocks.h"
#include "GIFSubImage.h"
#include "GIFTestStreams.h"
#include "GIFUnknownAppExtension.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

namespace {

// Loads bytes; the error text, or "" on success.
std::string LoadError(const Bytes& bytes, TGIFImage& image) {
    TBorrowedMemoryStream stream(bytes.data(), static_cast<int64_t>(bytes.size()));
    try {
        image.LoadFromStream(stream);
    } catch (const GIFException& e) {
        return e.what();
    }
    return "";
}

// In a child with 96 MB of room: exits 0 when loading gives expectedError
// ("" for success), 1 when it gives another, and dies when memory runs out.
void LoadInLimitedChild(const Bytes& bytes, const std::string& expectedError) {
    LimitAddressSpace(96);
    TGIFImage image;
    std::_Exit(LoadError(bytes, image) == expectedError ? 0 : 1);
}

Bytes EmptyFrame(int width, int height) {
    // A clear code and the end code: image data that decodes no pixel.
    return Descriptor(0, 0, width, height) + ImageData(2, {4, 5});
}

Bytes SixtyEmptyLargeFramesAndPadding() {
    Bytes bytes = Header(4000, 4000, 0x81) + ColorTable(4);
    for (int i = 0; i < 60; ++i) bytes = bytes + EmptyFrame(4000, 4000);
    return bytes + Comment(std::string(200000, 'x')) + Bytes{0x3B} + Bytes(40000, 0);
}

Bytes ManyEmptyWideFrames() {
    Bytes bytes = Header(65535, 1, 0x81) + ColorTable(4);
    const Bytes frame = EmptyFrame(65535, 1);
    bytes.reserve(bytes.size() + 20000 * frame.size() + 1);
    for (int i = 0; i < 20000; ++i) bytes.insert(bytes.end(), frame.begin(), frame.end());
    return bytes + Bytes{0x3B};
}

Bytes SimpleFrame() {
    return Descriptor(0, 0, 1, 1) + ImageData(2, EncodeCodes(2, {1}));
}

// One frame of width × height zeros, wholly decoded by its data.
Bytes FullFrame(int width, int height) {
    return Header(width, height, 0x87) + ColorTable(256) + Descriptor(0, 0, width, height) +
           ImageData(8, LongRunCodes(int64_t{width} * height)) + Bytes{0x3B};
}

} // namespace

TEST(GIFLoadLimits, FramesWhoseDataDecodesNothingAllocateNothing) {
    if (!AddressSpaceCanBeLimited) GTEST_SKIP() << "the sanitizer reserves the address space";
    const Bytes sixty = SixtyEmptyLargeFramesAndPadding();
    EXPECT_EXIT(LoadInLimitedChild(sixty, ""), ::testing::ExitedWithCode(0), "");
    const Bytes wide = ManyEmptyWideFrames();
    EXPECT_EXIT(LoadInLimitedChild(wide, ""), ::testing::ExitedWithCode(0), "");

    // The frames still have their size and pre-filled pixels, made on need.
    TGIFImage image;
    ASSERT_EQ(LoadError(sixty, image), "");
    ASSERT_EQ(image.Images.Count(), 61); // the comment forms a last, empty frame
    TGIFSubImage& first = image.Images[0];
    EXPECT_FALSE(first.Empty());
    EXPECT_FALSE(first.HasPixelBuffer());
    EXPECT_EQ(first.DataSize(), 4000 * 4000);
    EXPECT_EQ(first.Pixel(3999, 3999), 0);
    EXPECT_TRUE(first.HasPixelBuffer());
}

TEST(GIFLoadLimits, FramesWhoseDataDecodesNothingStayUnmadeWhenUsed) {
    if (!AddressSpaceCanBeLimited) GTEST_SKIP() << "the sanitizer reserves the address space";
    const auto emptyFrames = [](int width, int height, int count) {
        Bytes bytes = Header(width, height, 0x81) + ColorTable(4);
        for (int i = 0; i < count; ++i) bytes = bytes + EmptyFrame(width, height);
        return bytes + Bytes{0x3B};
    };
    // Checksummed row by row, written, optimised: more than the room if
    // each frame were made whole and kept.
    const auto use = [](const Bytes& bytes, bool best) {
        LimitAddressSpace(96);
        TGIFImage image;
        if (LoadError(bytes, image) != "") std::_Exit(2);
        std::vector<uint8_t> fillRow;
        for (const auto& frame : image.Images)
            for (int y = 0; y < frame->Height(); ++y)
                if (frame->ReadRow(y, fillRow)[frame->Width() - 1] != 0) std::_Exit(3);
        TMemoryStream written;
        image.SaveToStream(written);
        OptimizeGIF(image, OptimizeCrop | OptimizeMerge | OptimizeCleanup | OptimizeColorMap);
        // Redrawing holds 16 bytes a pixel of the frames' union.
        if (best) OptimizeGIFBest(image);
        image.SaveToStream(written);
        std::_Exit(0);
    };
    EXPECT_EXIT(use(emptyFrames(3000, 3000, 12), false), ::testing::ExitedWithCode(0), "");
    EXPECT_EXIT(use(emptyFrames(65535, 1, 2000), true), ::testing::ExitedWithCode(0), "");
}

// A frame whose data decodes one value throughout (a few KB for millions of
// pixels) keeps no buffer once read, as one whose data decodes nothing.
TEST(GIFLoadLimits, FramesOfOneValueKeepNoBuffer) {
    Bytes pixels(64 * 64, 2);
    const Bytes uniform = Descriptor(0, 0, 64, 64) + ImageData(2, EncodeCodes(2, pixels));
    pixels[64 * 64 - 1] = 3;
    const Bytes varied = Descriptor(0, 0, 64, 64) + ImageData(2, EncodeCodes(2, pixels));
    const Bytes bytes = Header(64, 64, 0x81) + ColorTable(4) + uniform + varied + uniform + Bytes{0x3B};
    TGIFImage image;
    ASSERT_EQ(LoadError(bytes, image), "");
    ASSERT_EQ(image.Images.Count(), 3);
    for (const int f : {0, 2}) {
        EXPECT_FALSE(image.Images[f].HasPixelBuffer()) << f;
        EXPECT_EQ(image.Images[f].Pixel(63, 63), 2) << f;
    }
    EXPECT_TRUE(image.Images[1].HasPixelBuffer());
    EXPECT_EQ(image.Images[1].Pixel(63, 63), 3);
    // A frame read on its own, as a load reads one too large to read ahead.
    TBorrowedMemoryStream stream(uniform.data(), static_cast<int64_t>(uniform.size()));
    TGIFSubImage alone(&image);
    alone.LoadFromStream(stream);
    EXPECT_FALSE(alone.HasPixelBuffer());
    EXPECT_EQ(alone.Pixel(0, 0), 2);
}

TEST(GIFLoadLimits, LongRunsOfTinySubBlocksKeepTheirBytesInFewPieces) {
    // 2 bytes of the file each; one line or block each would cost 32 more.
    const std::string text(3 * MaxSeparateSubBlocks, 'c');
    const Bytes app = Bytes{0x21, 0xFF, 11} + Bytes{'T', 'E', 'S', 'T', 'A', 'P', 'P', '1', '2', '3', '4'} +
                      SubBlocks(Bytes(text.begin(), text.end()), 1);
    const Bytes bytes = Header(1, 1, 0x80) + ColorTable(2) + Bytes{0x21, 0xFE} +
                        SubBlocks(Bytes(text.begin(), text.end()), 1) + app + SimpleFrame() + Bytes{0x3B};
    TGIFImage image;
    ASSERT_EQ(LoadError(bytes, image), "");
    for (int pass = 0; pass < 2; ++pass) {
        const auto* comment = dynamic_cast<const TGIFCommentExtension*>(&image.Images[0].Extensions[0]);
        const auto* unknown = dynamic_cast<const TGIFUnknownAppExtension*>(&image.Images[0].Extensions[1]);
        ASSERT_TRUE(comment && unknown) << pass;
        EXPECT_LE(comment->Text.size(), MaxSeparateSubBlocks) << pass;
        EXPECT_LE(unknown->Blocks.size(), MaxSeparateSubBlocks) << pass;
        std::string joined, data;
        for (const std::string& line : comment->Text) joined += line;
        for (const TGIFBlock& block : unknown->Blocks) data.append(block.Data.begin(), block.Data.end());
        EXPECT_EQ(joined, text) << pass;
        EXPECT_EQ(data, text) << pass;
        // Written and read again: the same bytes.
        TMemoryStream written;
        image.SaveToStream(written);
        written.SetPosition(0);
        image.LoadFromStream(written);
    }
}

TEST(GIFLoadLimits, OnlyImageDataEarnsPixels) {
    // Two 3000 × 3000 frames need more than the minimum budget; a long
    // comment does not pay for the second one.
    const Bytes frame = Descriptor(0, 0, 3000, 3000) + ImageData(2, {4, 1, 5});
    const Bytes bytes = Header(3000, 3000, 0x81) + ColorTable(4) + Comment(std::string(20000, 'x')) + frame +
                        frame + Bytes{0x3B};
    TGIFImage image;
    EXPECT_EQ(LoadError(bytes, image), GIFMessages::ImageTooLarge);
}

TEST(GIFLoadLimits, TheCeilingHoldsWhateverTheDataAndCallersMayMoveIt) {
    if (AddressSpaceCanBeLimited) {
        // 1.6 gigapixels that the data would really produce: refused before
        // anything of that size is allocated.
        const Bytes huge = FullFrame(40000, 40000);
        EXPECT_EXIT(LoadInLimitedChild(huge, GIFMessages::ImageOverLimit), ::testing::ExitedWithCode(0), "");
    }
    const Bytes small = FullFrame(100, 100);
    const int64_t saved = MaxLoadPixels;
    MaxLoadPixels = 5000;
    TGIFImage image;
    EXPECT_EQ(LoadError(small, image), GIFMessages::ImageOverLimit);
    MaxLoadPixels = 10000;
    EXPECT_EQ(LoadError(small, image), "");
    MaxLoadPixels = saved;
    EXPECT_EQ(image.Images[0].Pixel(99, 99), 0);
}

TEST(GIFLoadLimits, HugeLogicalScreenWithSmallFramesLoads) {
    for (const int side : {5000, 65535}) {
        const Bytes bytes = Header(side, side, 0x81) + ColorTable(4) + Descriptor(10, 20, 4, 4) +
                            ImageData(2, EncodeCodes(2, Bytes(16, 3))) + Bytes{0x3B};
        TGIFImage image;
        ASSERT_EQ(LoadError(bytes, image), "") << side;
        EXPECT_EQ(image.Width(), side);
        EXPECT_EQ(image.Images[0].Pixel(3, 3), 3);
        // What rendering has to allocate for.
        const TRect bounds = image.FramesBounds();
        EXPECT_EQ(bounds.Left, 10);
        EXPECT_EQ(bounds.Top, 20);
        EXPECT_EQ(bounds.Width(), 4);
        EXPECT_EQ(bounds.Height(), 4);
    }
}
