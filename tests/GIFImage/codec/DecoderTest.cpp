// The LZW decoder: the pixels, warnings and errors of each case the decoder
// decides on, and the fast decoder against the one-value-at-a-time reference
// on many generated streams.

#include "GIFDecodeShare.h"
#include "GIFDecoder.h"
#include "GIFException.h"
#include "GIFMessages.h"
#include "GIFSplitPoint.h"
#include "GIFTestStreams.h"
#include "ReferenceDecoder.h"

#include <algorithm>
#include <cmath>
#include <gtest/gtest.h>
#include <random>
#include <sys/mman.h>
#include <unistd.h>

namespace {

struct Decoded {
    Bytes Pixels;
    std::vector<std::string> Warnings;
    std::string Error;
    int64_t EndPosition = 0;
};

// A pixel buffer that ends where an inaccessible page begins: a decoder that
// reads or writes past the frame faults in every build, not only under the
// address sanitizer.
class GuardedPixels {
public:
    explicit GuardedPixels(size_t size) {
        const size_t page = static_cast<size_t>(sysconf(_SC_PAGESIZE));
        Length = (size + page - 1) / page * page + page;
        void* base = mmap(nullptr, Length, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (base == MAP_FAILED) throw std::bad_alloc();
        Base = static_cast<uint8_t*>(base);
        mprotect(Base + Length - page, page, PROT_NONE);
        Data = Base + Length - page - size;
    }
    ~GuardedPixels() { munmap(Base, Length); }
    GuardedPixels(const GuardedPixels&) = delete;
    GuardedPixels& operator=(const GuardedPixels&) = delete;

    uint8_t* Data;

private:
    uint8_t* Base;
    size_t Length;
};

Decoded Decode(const Bytes& data, int width, int height, bool interlaced = false, uint8_t fill = 0) {
    Decoded result;
    const size_t size = static_cast<size_t>(width) * height;
    GuardedPixels pixels(size);
    std::fill_n(pixels.Data, size, fill);
    TBorrowedMemoryStream stream(data.data(), static_cast<int64_t>(data.size()));
    TGIFDecodeTarget target;
    target.Pixels = size == 0 ? nullptr : pixels.Data;
    target.Width = width;
    target.Height = height;
    target.Interlaced = interlaced;
    target.FillValue = fill;
    try {
        DecodeImageData(stream, target, [&](const std::string& m) { result.Warnings.push_back(m); });
    } catch (const GIFException& e) {
        result.Error = e.what();
    }
    result.Pixels.assign(pixels.Data, pixels.Data + size);
    result.EndPosition = stream.Position();
    return result;
}

Bytes RandomPixels(std::mt19937& rng, size_t count, int colors, int runBias) {
    Bytes pixels(count);
    std::uniform_int_distribution<int> color(0, colors - 1);
    std::uniform_int_distribution<int> percent(0, 99);
    uint8_t current = static_cast<uint8_t>(color(rng));
    for (auto& p : pixels) {
        if (percent(rng) >= runBias) current = static_cast<uint8_t>(color(rng));
        p = current;
    }
    return pixels;
}

const std::string Underrun = GIFMessages::BitBufferUnderrun;
const std::string Premature = GIFMessages::PrematureEnd;

} // namespace

TEST(LZWDecoding, DecodesWhatTheEncoderWrote) {
    std::mt19937 rng(1);
    const Bytes pixels = RandomPixels(rng, 40 * 30, 16, 60);
    const Bytes data = ImageData(4, EncodeCodes(4, pixels));
    const Decoded d = Decode(data, 40, 30);
    EXPECT_EQ(d.Pixels, pixels);
    EXPECT_TRUE(d.Warnings.empty());
    EXPECT_EQ(d.Error, "");
    EXPECT_EQ(d.EndPosition, static_cast<int64_t>(data.size()));
}

TEST(LZWDecoding, MinimumCodeSizeTwoStartsWithThreeBitCodes) {
    // Codes 4 (clear), 1, 5 (end) as three 3-bit codes: 0x4C 0x01.
    const Bytes data{2, 2, 0x4C, 0x01, 0};
    const Decoded d = Decode(data, 1, 1);
    EXPECT_EQ(d.Pixels, Bytes{1});
    EXPECT_TRUE(d.Warnings.empty());
    EXPECT_EQ(d.EndPosition, 5);
}

TEST(LZWDecoding, DataWithoutInitialClearCodeDecodesAsIfItHadOne) {
    const Decoded with = Decode(ImageData(2, {4, 1, 2, 3, 5}), 3, 1);
    const Decoded without = Decode(ImageData(2, {1, 2, 3, 5}), 3, 1);
    EXPECT_EQ(with.Pixels, (Bytes{1, 2, 3}));
    EXPECT_EQ(without.Pixels, with.Pixels);
    EXPECT_TRUE(without.Warnings.empty());
}

TEST(LZWDecoding, SeveralClearCodesInARowAreAllSkipped) {
    const Decoded d = Decode(ImageData(2, {4, 4, 4, 2, 1, 5}), 2, 1);
    EXPECT_EQ(d.Pixels, (Bytes{2, 1}));
    EXPECT_TRUE(d.Warnings.empty());
    EXPECT_EQ(d.Error, "");
}

TEST(LZWDecoding, NextFreeCodeRepeatsTheFirstValueOfThePreviousString) {
    // After 1, code 6 is the next free code: "1" + "1".
    const Decoded d = Decode(ImageData(2, {4, 1, 6, 5}), 3, 1);
    EXPECT_EQ(d.Pixels, (Bytes{1, 1, 1}));
    // 2, 1 (entry 6 = "2 1"), 6 (entry 7 = "1 2"), then 8 is next free:
    // "2 1" + "2".
    const Decoded e = Decode(ImageData(2, {4, 2, 1, 6, 8, 5}), 7, 1);
    EXPECT_EQ(e.Pixels, (Bytes{2, 1, 2, 1, 2, 1, 2}));
}

TEST(LZWDecoding, FullTableGoesOnWithTwelveBitCodes) {
    std::mt19937 rng(2);
    const Bytes pixels = RandomPixels(rng, 300 * 200, 256, 30);
    const std::vector<int> codes = EncodeCodes(8, pixels, false);
    // The table fills (more codes than entries) and no second clear comes.
    ASSERT_GT(codes.size(), 4096u * 2);
    ASSERT_EQ(std::count(codes.begin(), codes.end(), 256), 1);
    const Decoded d = Decode(ImageData(8, codes), 300, 200);
    EXPECT_EQ(d.Pixels, pixels);
    EXPECT_TRUE(d.Warnings.empty());
}

TEST(LZWDecoding, FullTableWithClearCodesRestartsTheTable) {
    std::mt19937 rng(3);
    const Bytes pixels = RandomPixels(rng, 300 * 200, 256, 30);
    const std::vector<int> codes = EncodeCodes(8, pixels, true);
    ASSERT_GT(std::count(codes.begin(), codes.end(), 256), 2);
    EXPECT_EQ(Decode(ImageData(8, codes), 300, 200).Pixels, pixels);
}

TEST(LZWDecoding, DataEndingEarlyLeavesTheRestPreFilled) {
    const Bytes pixels{1, 2, 3, 1, 2, 3, 0, 0, 1};
    std::vector<int> codes = EncodeCodes(2, pixels);
    ASSERT_EQ(codes[4], 6);
    codes.resize(5); // clear, 1, 2, 3, "1 2"; no end code
    const Decoded d = Decode(ImageData(2, codes), 3, 3, false, 7);
    EXPECT_EQ(d.Pixels, (Bytes{1, 2, 3, 1, 2, 7, 7, 7, 7}));
    // One under-run ends the filling, one more the read after the last pixel.
    EXPECT_EQ(d.Warnings, (std::vector<std::string>{Underrun, Underrun}));
    EXPECT_EQ(d.Error, "");
}

TEST(LZWDecoding, StreamEndingInsideTheDataEndsWithoutAMessage) {
    Bytes data = ImageData(2, {4, 1, 2, 3, 1, 2, 5});
    data.resize(data.size() - 1); // no terminator, and the sub-block is whole
    const Decoded d = Decode(data, 4, 4, false, 9);
    EXPECT_EQ(Bytes(d.Pixels.begin(), d.Pixels.begin() + 5), (Bytes{1, 2, 3, 1, 2}));
    EXPECT_EQ(d.Pixels[5], 9);
    EXPECT_TRUE(d.Warnings.empty());
}

TEST(LZWDecoding, SubBlockLongerThanTheFileWarnsOnceAndKeepsWhatCame) {
    const Bytes pixels{1, 2, 3, 0, 1, 2, 3, 0};
    const Bytes packed = PackCodes(2, EncodeCodes(2, pixels));
    Bytes data{2, 200};
    data.insert(data.end(), packed.begin(), packed.end() - 1); // the last byte is missing too
    const Decoded d = Decode(data, 4, 2, false, 5);
    EXPECT_EQ(d.Warnings, std::vector<std::string>{Premature});
    EXPECT_EQ(Bytes(d.Pixels.begin(), d.Pixels.begin() + 4), (Bytes{1, 2, 3, 0}));
    EXPECT_EQ(d.EndPosition, static_cast<int64_t>(data.size()));
}

TEST(LZWDecoding, OneByteSubBlocksCarryCodesAcrossSeveralBlocks) {
    std::mt19937 rng(4);
    const Bytes pixels = RandomPixels(rng, 64 * 16, 256, 20);
    const Bytes data = ImageData(8, EncodeCodes(8, pixels), 1);
    const Decoded d = Decode(data, 64, 16);
    EXPECT_EQ(d.Pixels, pixels);
    EXPECT_TRUE(d.Warnings.empty());
    EXPECT_EQ(d.EndPosition, static_cast<int64_t>(data.size()));
}

TEST(LZWDecoding, InterlacedFramesFillEveryRowExactlyOnce) {
    for (const int height : {1, 2, 3, 5, 9, 17}) {
        // The n-th row decoded holds the value of the row it belongs in.
        const std::vector<int> order = InterlacedRows(height);
        Bytes stream;
        for (const int row : order) stream.insert(stream.end(), 3, static_cast<uint8_t>(row));
        const Decoded d = Decode(ImageData(5, EncodeCodes(5, stream)), 3, height, true, 99);
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < 3; ++x) EXPECT_EQ(d.Pixels[static_cast<size_t>(y) * 3 + x], y) << height;
        EXPECT_TRUE(d.Warnings.empty()) << height;
    }
}

TEST(LZWDecoding, LongStringsRunOnAcrossInterlacedRows) {
    const Bytes flat(5 * 40, 3);
    const Decoded d = Decode(ImageData(2, EncodeCodes(2, flat)), 5, 40, true);
    EXPECT_EQ(d.Pixels, flat);
    EXPECT_TRUE(d.Warnings.empty());
}

// Strings are written eight bytes at a time from the table entry or an
// earlier copy in the frame: every string length around the block edges,
// the special case copying from right before itself, and rows whose ends cut
// strings (interlaced) or leave less room than a block.
TEST(LZWDecoding, StringsOfEveryLengthAroundTheEightByteBlocksMatchTheReference) {
    for (const int width : {1, 7, 8, 9, 16, 17, 25, 300}) {
        for (const bool interlaced : {false, true}) {
            for (int pattern = 0; pattern < 4; ++pattern) {
                const int height = 2400 / width + 3;
                Bytes pixels(static_cast<size_t>(width) * height);
                for (size_t i = 0; i < pixels.size(); ++i) {
                    // One run; a period of 2 and of 9 values; runs of every length.
                    const size_t v = pattern == 0   ? 0
                                     : pattern == 1 ? i % 2
                                     : pattern == 2 ? i % 9
                                                    : static_cast<size_t>(std::sqrt(2.0 * i));
                    pixels[i] = static_cast<uint8_t>(v % 16);
                }
                const Bytes data = ImageData(4, EncodeCodes(4, pixels));
                const Decoded fast = Decode(data, width, height, interlaced, 99);
                TBorrowedMemoryStream stream(data.data(), static_cast<int64_t>(data.size()));
                const ReferenceResult slow = ReferenceDecode(stream, width, height, interlaced, 99);
                EXPECT_EQ(fast.Pixels, slow.Pixels) << width << " " << interlaced << " " << pattern;
                EXPECT_TRUE(fast.Warnings.empty());
            }
        }
    }
}

TEST(LZWDecoding, SelfReferencingEntryFailsAsCircular) {
    // After a clear, 6 is taken as itself; 6 then makes entry 6 point to
    // itself, and using 6 again meets the circle.
    const Decoded d = Decode(ImageData(2, {4, 6, 6, 6, 5}), 10, 1);
    EXPECT_EQ(d.Error, GIFMessages::CircularTableEntry);
}

TEST(LZWDecoding, MinimumCodeSizeOfTwelveIsRefused) {
    const Decoded d = Decode(Bytes{12, 1, 0, 0}, 2, 2);
    EXPECT_EQ(d.Error, GIFMessages::UnsupportedCodeSize);
}

TEST(LZWDecoding, CodeAboveTheNextFreeCodeIsRefused) {
    EXPECT_EQ(Decode(ImageData(2, {4, 1, 7, 5}), 4, 1).Error, GIFMessages::CodeOutOfRange);
    EXPECT_EQ(Decode(ImageData(2, {4, 7, 5}), 4, 1).Error, GIFMessages::CodeOutOfRange);
}

TEST(LZWDecoding, EndCodeRightAfterClearEndsTheData) {
    const Bytes data = ImageData(2, {4, 5, 1, 1, 1});
    const Decoded d = Decode(data, 3, 1, false, 2);
    EXPECT_EQ(d.Pixels, (Bytes{2, 2, 2}));
    EXPECT_TRUE(d.Warnings.empty());
    EXPECT_EQ(d.EndPosition, static_cast<int64_t>(data.size()));
}

TEST(LZWDecoding, EndCodeBeforeTheFrameIsFullReadsNothingBeyondTheImageData) {
    const Bytes imageData = ImageData(2, {4, 1, 2, 5});
    const Bytes next{0x21, 0xFE, 3, 'a', 'b', 'c', 0, 0x3B};
    const Decoded d = Decode(imageData + next, 4, 4, false, 3);
    EXPECT_EQ(d.EndPosition, static_cast<int64_t>(imageData.size()));
    EXPECT_EQ(d.Pixels[0], 1);
    EXPECT_EQ(d.Pixels[1], 2);
    EXPECT_EQ(d.Pixels[2], 3);
    EXPECT_TRUE(d.Warnings.empty());
}

TEST(LZWDecoding, ExtraPixelsAfterAFullFrameAreSkippedToTheTerminator) {
    const Bytes imageData = ImageData(2, EncodeCodes(2, Bytes{1, 2, 3, 0, 1, 2, 3, 0, 1}));
    const Decoded d = Decode(imageData + Bytes{0x3B}, 2, 2);
    EXPECT_EQ(d.Pixels, (Bytes{1, 2, 3, 0}));
    EXPECT_EQ(d.EndPosition, static_cast<int64_t>(imageData.size()));
    EXPECT_TRUE(d.Warnings.empty());
}

TEST(LZWDecoding, NoCodeSizeByteLeavesThePreFill) {
    const Decoded d = Decode(Bytes{}, 2, 2, false, 4);
    EXPECT_EQ(d.Pixels, (Bytes{4, 4, 4, 4}));
    EXPECT_TRUE(d.Warnings.empty());
}

TEST(LZWDecoding, FrameWithoutPixelsStillPassesOverItsData) {
    const Bytes imageData = ImageData(2, {4, 1, 2, 5});
    const Decoded d = Decode(imageData + Bytes{0x3B}, 0, 0);
    EXPECT_EQ(d.EndPosition, static_cast<int64_t>(imageData.size()));
}

// The fast decoder gives the reference's pixels, warnings, errors and stream
// position on well-formed, truncated, re-blocked and randomly corrupted data.
TEST(LZWDecoding, MatchesTheReferenceDecoderOnGeneratedStreams) {
    std::mt19937 rng(20240611);
    std::uniform_int_distribution<int> percent(0, 99);
    int mismatches = 0;
    int errors = 0;
    for (int round = 0; round < 4000 && mismatches < 5; ++round) {
        const int minCodeSize = percent(rng) < 10 ? 1 + percent(rng) % 11 : 2 + percent(rng) % 7;
        const int colors = std::min(256, 1 << std::min(minCodeSize, 8));
        // Some frames of many sub-blocks, where the decoder changes its way of
        // writing strings as their lengths change.
        const bool large = percent(rng) < 15;
        const int width = large ? 24 + percent(rng) * 3 : percent(rng) % 41;
        const int height = large ? 8 + percent(rng) : percent(rng) % 23;
        const bool interlaced = percent(rng) < 40;
        const uint8_t fill = static_cast<uint8_t>(percent(rng));
        const int blockSize = percent(rng) < 20 ? 1 + percent(rng) % 6 : 255 - percent(rng);
        int pixelCount = width * height;
        if (percent(rng) < 20) pixelCount += percent(rng) - 50; // too few or too many pixels
        Bytes pixels = RandomPixels(rng, static_cast<size_t>(std::max(0, pixelCount)), colors, percent(rng));
        std::vector<int> codes = EncodeCodes(minCodeSize, pixels, percent(rng) < 50);
        const int mode = percent(rng);
        if (mode < 15 && !codes.empty()) codes.resize(codes.size() - 1 - percent(rng) % codes.size());
        if (mode >= 15 && mode < 35) {
            // Random codes at random places, valid or not.
            for (int k = 0; k < 1 + percent(rng) % 4 && !codes.empty(); ++k)
                codes[percent(rng) * codes.size() / 100] = percent(rng) * (1 << minCodeSize) / 40;
        }
        if (codes.empty()) codes.push_back(1 << minCodeSize);
        Bytes data = Bytes{static_cast<uint8_t>(minCodeSize)} +
                     SubBlocks(PackCodes(minCodeSize, codes), blockSize, percent(rng) < 85);
        if (mode >= 35 && mode < 50) {
            for (int k = 0; k < 1 + percent(rng) % 5; ++k)
                data[1 + percent(rng) * (data.size() - 1) / 100] ^=
                    static_cast<uint8_t>(1 << (percent(rng) % 8));
        }
        if (mode >= 50 && mode < 60) data.resize(data.size() * static_cast<size_t>(percent(rng)) / 100);
        data = data + Bytes{0x21, 0xFE, 1, 'x', 0, 0x3B};

        const Decoded fast = Decode(data, width, height, interlaced, fill);
        TBorrowedMemoryStream stream(data.data(), static_cast<int64_t>(data.size()));
        const ReferenceResult slow = ReferenceDecode(stream, width, height, interlaced, fill);
        if (!fast.Error.empty()) ++errors;
        const bool same = fast.Error == slow.Error && fast.Warnings == slow.Warnings &&
                          fast.EndPosition == slow.EndPosition &&
                          (!fast.Error.empty() || fast.Pixels == slow.Pixels);
        if (!same) {
            ++mismatches;
            ADD_FAILURE() << "round " << round << ": error '" << fast.Error << "' vs '" << slow.Error
                          << "', warnings " << fast.Warnings.size() << " vs " << slow.Warnings.size()
                          << ", end " << fast.EndPosition << " vs " << slow.EndPosition;
        }
    }
    // The generated set reaches the error paths too.
    EXPECT_GT(errors, 50);
}

// A large frame shared by two threads: one decodes up to a clear code that
// the other has taken, the other the rest from there. The two parts must be
// the frame decoded in one piece, and the first must write nothing from the
// clear code on (the other thread is writing there).
TEST(LZWDecoding, TwoPartsFromAClearCodeDecodeAsOnePiece) {
    std::mt19937 rng(7);
    const int width = 300, height = 200;
    const uint32_t total = width * height;
    const std::vector<int> codes = EncodeCodes(4, RandomPixels(rng, total, 16, 50));
    // Where each value the data gives goes, in the rows of an interlaced frame.
    std::vector<uint32_t> interlacedPlace;
    for (const auto& [first, step] : {std::pair{0, 8}, {4, 8}, {2, 4}, {1, 2}})
        for (int row = first; row < height; row += step)
            for (int x = 0; x < width; ++x) interlacedPlace.push_back(static_cast<uint32_t>(row * width + x));
    for (int variant = 0; variant < 4; ++variant) {
        const bool interlaced = variant == 3;
        std::vector<int> variantCodes = codes;
        if (variant == 1) variantCodes[codes.size() * 3 / 4] = 4000; // out of range in the second part
        const Bytes data = Bytes{4} + SubBlocks(PackCodes(4, variantCodes), variant == 2 ? 7 : 255);
        const Decoded whole = Decode(data, width, height, interlaced);
        const auto size = static_cast<int64_t>(data.size());
        const auto place = [&](uint32_t value) { return interlaced ? interlacedPlace[value] : value; };

        TGIFDecodeShare share;
        TGIFSplitPoint start, at;
        start.Block = 1;
        ASSERT_TRUE(FindSplitPoint(data.data(), size, start, total / 2, total, share, at)) << variant;
        ASSERT_TRUE(share.Take(at.Pixel));

        Bytes pixels(total, 0xEE);
        std::vector<std::string> warnings;
        std::string error;
        const auto decode = [&](int64_t from, TGIFDecodeTarget target) {
            TBorrowedMemoryStream stream(data.data() + from, size - from);
            try {
                DecodeImageData(stream, target, [&](const std::string& m) { warnings.push_back(m); });
            } catch (const GIFException& e) {
                error = e.what();
            }
        };
        TGIFDecodeTarget first;
        first.Pixels = pixels.data();
        first.Width = width;
        first.Height = height;
        first.Interlaced = interlaced;
        first.Share = &share;
        decode(0, first);
        EXPECT_EQ(error, "") << variant;
        for (uint32_t value = at.Pixel; value < total; ++value)
            ASSERT_EQ(pixels[place(value)], 0xEE) << variant << " value " << value;
        // The rest, from the clear code taken and, as a helper reads on from
        // a place the decoder told, from the clear code before it: its
        // values in the order the data gives them.
        TGIFSplitPoint told;
        ASSERT_TRUE(share.LastPlace(told));
        EXPECT_GT(told.Pixel, 0u);
        EXPECT_LT(told.Pixel, at.Pixel);
        for (const TGIFSplitPoint& from : {at, told}) {
            Bytes rest(total - from.Pixel);
            TGIFDecodeTarget target;
            target.Pixels = rest.data();
            target.Width = static_cast<int>(rest.size());
            target.Height = 1;
            target.ResumeCodeSize = 4;
            target.ResumeBit = from.Bit;
            warnings.clear();
            error.clear();
            decode(from.Block, target);
            for (uint32_t value = from.Pixel; value < total; ++value)
                pixels[place(value)] = rest[value - from.Pixel];
            EXPECT_EQ(pixels, whole.Pixels) << variant;
            EXPECT_EQ(warnings, whole.Warnings) << variant;
            EXPECT_EQ(error, whole.Error) << variant;
        }
    }
}

// Data that ends right after a clear code, at a byte's end, has nothing to
// decode from there: that clear code is no split point, and looking for one
// reads nothing past the data.
TEST(LZWDecoding, AClearCodeTheDataEndsWithIsNoSplitPoint) {
    std::mt19937 rng(7);
    const int width = 640, height = 400;
    const auto total = static_cast<uint32_t>(width * height);
    const std::vector<int> codes = EncodeCodes(4, RandomPixels(rng, total, 16, 0));
    // The last clear code in the middle half that ends on a byte's end: the
    // end code packed after it then leaves the bytes before as they were.
    std::vector<int> prefix;
    for (size_t i = codes.size() * 3 / 4; i > codes.size() / 4 && prefix.empty(); --i) {
        if (codes[i] != 16) continue;
        std::vector<int> cut(codes.begin(), codes.begin() + static_cast<std::ptrdiff_t>(i) + 1);
        const Bytes packed = PackCodes(4, cut);
        cut.push_back(17);
        const Bytes ended = PackCodes(4, cut);
        cut.pop_back();
        if (std::equal(packed.begin(), packed.end(), ended.begin())) prefix = cut;
    }
    ASSERT_FALSE(prefix.empty());
    const Bytes data = Bytes{4} + SubBlocks(PackCodes(4, prefix), 255);
    const Bytes pixels = Decode(data, width, height, false, 0xEE).Pixels;
    const auto cleared =
        static_cast<uint32_t>(std::find(pixels.begin(), pixels.end(), 0xEE) - pixels.begin());
    ASSERT_LT(cleared, total);

    GuardedPixels guarded(data.size()); // ends where reading faults
    std::copy(data.begin(), data.end(), guarded.Data);
    TGIFDecodeShare share;
    TGIFSplitPoint start, at;
    start.Block = 1;
    EXPECT_FALSE(
        FindSplitPoint(guarded.Data, static_cast<int64_t>(data.size()), start, cleared, total, share, at));
}
