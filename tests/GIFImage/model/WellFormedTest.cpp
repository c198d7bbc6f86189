// Oddities of real files: what was read loosely is written back in the form
// every decoder reads, a picture without any colour table saves, a frame
// that ends without an end code loads quietly, and the read after a full
// frame judges codes as the filling does.

#include "GIFException.h"
#include "GIFImage.h"
#include "GIFMessages.h"
#include "GIFTestStreams.h"
#include "GiflibFrames.h"

#include <gtest/gtest.h>

namespace {

struct Read {
    std::unique_ptr<TGIFImage> Image = std::make_unique<TGIFImage>();
    std::vector<std::string> Warnings;
    std::string Error;
};

Read Load(const Bytes& bytes) {
    Read result;
    result.Image->WarningHandler = [&](TGIFImage&, TGIFSeverity, const std::string& message) {
        result.Warnings.push_back(message);
    };
    TBorrowedMemoryStream stream(bytes.data(), static_cast<int64_t>(bytes.size()));
    try {
        result.Image->LoadFromStream(stream);
    } catch (const GIFException& e) {
        result.Error = e.what();
    }
    return result;
}

Bytes Save(TGIFImage& image) {
    TMemoryStream out;
    image.SaveToStream(out);
    return out.Memory();
}

Bytes PixelsOf(TGIFSubImage& frame) {
    return Bytes(frame.Data(), frame.Data() + frame.DataSize());
}

const Bytes FourByTwo{0, 1, 2, 3, 3, 2, 1, 0};
// Thirteen pixels, one code each, and no end code: 3 + 3 × 3 + 8 × 4 + 2 × 5
// = 54 bits, so the next 5-bit code would need more than the 2 bits left.
const Bytes Thirteen{0, 1, 2, 3, 0, 1, 2, 3, 0, 1, 2, 3, 0};
const Bytes FullWithoutEndCode =
    Bytes{2} + SubBlocks(PackCodes(2, {4, 0, 1, 2, 3, 0, 1, 2, 3, 0, 1, 2, 3, 0}));

} // namespace

TEST(GIFWellFormed, LooseBlocksAreWrittenInTheirStandardForm) {
    // A graphic control block of size 5 with terminator 7, and a separator
    // byte 0x2D in place of 0x2C: read as they come, with a warning.
    const Bytes control{0x21, 0xF9, 5, 0x00, 10, 0, 0, 7};
    Bytes descriptor = Descriptor(0, 0, 4, 2);
    descriptor[0] = 0x2D;
    const Bytes bytes = Header(4, 2, 0x81) + ColorTable(4) + control + descriptor +
                        ImageData(2, EncodeCodes(2, FourByTwo)) + Bytes{0x3B};
    Read read = Load(bytes);
    ASSERT_EQ(read.Error, "");
    EXPECT_EQ(read.Warnings, std::vector<std::string>{GIFMessages::InvalidExtensionIntroducer});

    const Bytes copy = Save(*read.Image);
    const size_t at = 13 + 12; // after header and global table
    EXPECT_EQ(Bytes(copy.begin() + at, copy.begin() + at + 8), (Bytes{0x21, 0xF9, 4, 0x00, 10, 0, 0, 0}));
    EXPECT_EQ(copy[at + 8], 0x2C);
    Read again = Load(copy);
    EXPECT_EQ(again.Warnings, std::vector<std::string>{});
    EXPECT_EQ(PixelsOf(again.Image->Images[0]), FourByTwo);
#ifdef TV_HAVE_GIFLIB
    const std::vector<Bytes> frames = GiflibFrames(copy);
    ASSERT_EQ(frames.size(), 1u) << "giflib refuses the copy";
    EXPECT_EQ(frames[0], FourByTwo);
#endif
}

TEST(GIFWellFormed, PictureWithoutAnyColourTableSavesWithCodeSizeFromItsPixels) {
    for (const int highest : {3, 5}) {
        Bytes pixels = FourByTwo;
        pixels[0] = static_cast<uint8_t>(highest);
        const Bytes bytes =
            Header(4, 2, 0) + Descriptor(0, 0, 4, 2) + ImageData(3, EncodeCodes(3, pixels)) + Bytes{0x3B};
        Read read = Load(bytes);
        ASSERT_EQ(read.Error, "");
        Bytes copy;
        ASSERT_NO_THROW(copy = Save(*read.Image)) << highest;
        const size_t at = 13 + 10; // the minimum code size byte
        EXPECT_EQ(copy[10] & 0x80, 0) << "no global table is made up";
        EXPECT_EQ(copy[at], highest < 4 ? 2 : 3);
        Read again = Load(copy);
        ASSERT_EQ(again.Error, "");
        EXPECT_EQ(PixelsOf(again.Image->Images[0]), pixels);
    }
}

TEST(GIFWellFormed, DataEndingWithTheFullFrameAndNoEndCodeLoadsWithoutWarning) {
    const Read read =
        Load(Header(13, 2, 0x81) + ColorTable(4) + Descriptor(0, 0, 13, 1) + FullWithoutEndCode +
             Descriptor(0, 0, 4, 2) + ImageData(2, EncodeCodes(2, FourByTwo)) + Bytes{0x3B});
    EXPECT_EQ(read.Error, "");
    EXPECT_EQ(read.Warnings, std::vector<std::string>{});
    ASSERT_EQ(read.Image->Images.Count(), 2);
    EXPECT_EQ(PixelsOf(read.Image->Images[0]), Thirteen);
    EXPECT_EQ(PixelsOf(read.Image->Images[1]), FourByTwo);
}

TEST(GIFWellFormed, ReadAfterAFullFrameJudgesCodesAsTheFillingDoes) {
    // Eight pixels make seven entries (6 to 12); code 15 is above the next
    // free code 13 both after the last pixel and inside the frame.
    const Bytes after = Bytes{2} + SubBlocks(PackCodes(2, {4, 0, 1, 2, 3, 3, 2, 1, 0, 15, 5}));
    const Bytes inside = Bytes{2} + SubBlocks(PackCodes(2, {4, 0, 1, 2, 3, 3, 2, 15, 5}));
    for (const Bytes& data : {after, inside}) {
        const Read read =
            Load(Header(4, 2, 0x81) + ColorTable(4) + Descriptor(0, 0, 4, 2) + data + Bytes{0x3B});
        EXPECT_EQ(read.Error, GIFMessages::CodeOutOfRange);
    }
}
