// The encoders and the sub-block writer: the LZW encoder's bytes against the
// plainly written oracle, the run-length encoder's codes and decodability,
// and their refusals.

#include "Exceptions.h"
#include "GIFDecoder.h"
#include "GIFEncoder.h"
#include "GIFException.h"
#include "GIFLZWLookaheadEncoder.h"
#include "GIFMessages.h"
#include "GIFRLEEncoder.h"
#include "GIFTestImages.h"
#include "GIFWriter.h"
#include "GiflibFrames.h"
#include "ReferenceLZWEncoder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <random>

namespace {

Bytes Encode(TGIFCompression compression, int bits, int colors, const Bytes& pixels, bool interlaced,
             int width, int height) {
    TMemoryStream stream;
    CompressImageData(stream, compression, bits, colors, pixels.data(), interlaced, height, width);
    return stream.Memory();
}

Bytes Decode(const Bytes& data, int width, int height, bool interlaced, std::vector<std::string>& warnings) {
    Bytes pixels(static_cast<size_t>(width) * height, 0xEE);
    TGIFDecodeTarget target{pixels.data(), width, height, interlaced, 0xEE, {}};
    TBorrowedMemoryStream stream(data.data(), static_cast<int64_t>(data.size()));
    DecodeImageData(stream, target, [&](const std::string& m) { warnings.push_back(m); });
    EXPECT_EQ(stream.Position(), stream.Size()) << "the terminator ends the data";
    return pixels;
}

// Pixels with runs of random length: noise at runLength 1, flat areas when long.
Bytes RandomPixels(std::mt19937& rng, size_t count, int colors, int runLength) {
    std::uniform_int_distribution<int> color(0, colors - 1);
    std::uniform_int_distribution<int> run(1, runLength);
    Bytes pixels;
    while (pixels.size() < count)
        pixels.insert(pixels.end(), static_cast<size_t>(run(rng)), static_cast<uint8_t>(color(rng)));
    pixels.resize(count);
    return pixels;
}

} // namespace

TEST(GIFWriterStream, PacksWhatIsWrittenIntoSubBlocksOf255) {
    TMemoryStream target;
    {
        TGIFWriter writer(target);
        Bytes data(600);
        for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<uint8_t>(i);
        writer.Write(data.data(), 300);
        for (size_t i = 300; i < 600; ++i) writer.PutByte(data[i]);
    } // the destructor writes the last, short block
    const Bytes& out = target.Memory();
    ASSERT_EQ(out.size(), 603u);
    EXPECT_EQ(out[0], 255);
    EXPECT_EQ(out[256], 255);
    EXPECT_EQ(out[512], 90);
    EXPECT_EQ(out[1], 0);
    EXPECT_EQ(out[257], 255);
    EXPECT_EQ(out[602], static_cast<uint8_t>(599));
}

TEST(GIFWriterStream, ReadSeekAndPlainWritesAreInvalidOperations) {
    TMemoryStream target;
    TGIFStream stream(target);
    uint8_t byte = 0;
    EXPECT_EQ(GIFErrorOf([&] { stream.Read(&byte, 1); }), GIFMessages::InvalidStreamOperation);
    EXPECT_EQ(GIFErrorOf([&] { stream.Write(&byte, 1); }), GIFMessages::InvalidStreamOperation);
    EXPECT_EQ(GIFErrorOf([&] { stream.Seek(0, TSeekOrigin::Beginning); }),
              GIFMessages::InvalidStreamOperation);
    TGIFWriter writer(target);
    EXPECT_EQ(GIFErrorOf([&] { writer.Read(&byte, 1); }), GIFMessages::InvalidStreamOperation);
    EXPECT_EQ(target.Size(), 0);
}

TEST(GIFLZWEncoder, BytesEqualTheDescribedHashTableEncoder) {
    std::mt19937 rng(7);
    std::uniform_int_distribution<int> side(1, 200);
    for (int round = 0; round < 160; ++round) {
        const int bits = 1 + round % 8;
        const int width = side(rng), height = side(rng);
        const bool interlaced = round % 4 == 1;
        const int runLength = (round / 8) % 4 == 0 ? 1 : 1 << ((round / 8) % 4 * 2);
        const Bytes pixels = RandomPixels(rng, static_cast<size_t>(width) * height, 1 << bits, runLength);
        const Bytes walked = interlaced ? InterlaceRows(pixels, width, height) : pixels;
        const int codeSize = bits < 2 ? 2 : bits;
        const Bytes expected = ImageData(codeSize, ReferenceLZWCodes(bits, walked));
        ASSERT_EQ(Encode(TGIFCompression::LZW, bits, 1 << bits, pixels, interlaced, width, height), expected)
            << "round " << round << ": " << width << "x" << height << " bits " << bits;
    }
}

// Small palettes follow repeated strings several pixels at a time, with what
// earlier strings left behind; that must hold across clears and row walks.
TEST(GIFLZWEncoder, RepeatedPatternsOfSmallPalettesEqualTheDescribedEncoder) {
    std::mt19937 rng(11);
    for (int round = 0; round < 24; ++round) {
        const int bits = 1 + round % 4;
        const int width = 401, height = 307;
        const bool interlaced = round % 3 == 2;
        // A motif repeated along each row, with a pixel changed now and then.
        Bytes motif(static_cast<size_t>(1 + round % 13));
        for (uint8_t& pixel : motif) pixel = static_cast<uint8_t>(rng() % (1u << bits));
        Bytes pixels(static_cast<size_t>(width) * height);
        for (size_t i = 0; i < pixels.size(); ++i)
            pixels[i] = rng() % 9 == 0 ? static_cast<uint8_t>(rng() % (1u << bits)) : motif[i % motif.size()];
        const Bytes walked = interlaced ? InterlaceRows(pixels, width, height) : pixels;
        const Bytes data = Encode(TGIFCompression::LZW, bits, 1 << bits, pixels, interlaced, width, height);
        ASSERT_EQ(data, ImageData(bits < 2 ? 2 : bits, ReferenceLZWCodes(bits, walked))) << "round " << round;
        const std::vector<int> codes = UnpackCodes(data);
        ASSERT_GT(std::count(codes.begin(), codes.end(), 1 << std::max(bits, 2)), 1)
            << "round " << round << " never cleared";
    }
}

TEST(GIFLZWEncoder, LongInputsClearInsteadOfAssigningCode4095) {
    std::mt19937 rng(3);
    for (const int bits : {2, 5, 8}) {
        const Bytes pixels = RandomPixels(rng, 300000, 1 << bits, 3);
        const Bytes data = Encode(TGIFCompression::LZW, bits, 1 << bits, pixels, false, 600, 500);
        EXPECT_EQ(data, ImageData(bits, ReferenceLZWCodes(bits, pixels))) << bits;
        const std::vector<int> codes = UnpackCodes(data);
        const int clear = 1 << bits;
        int clears = 0, sinceClear = 0, highest = 0;
        for (const int code : codes) {
            if (code == clear) {
                // A clear comes exactly when the next code would be 4095.
                if (clears > 0) {
                    EXPECT_EQ(clear + 1 + sinceClear, 4095) << bits;
                }
                ++clears;
                sinceClear = 0;
                continue;
            }
            ++sinceClear;
            highest = std::max(highest, code);
        }
        EXPECT_GT(clears, 2) << bits;
        EXPECT_LT(highest, 4095) << bits;
        std::vector<std::string> warnings;
        EXPECT_EQ(Decode(data, 600, 500, false, warnings), pixels);
        EXPECT_TRUE(warnings.empty());
    }
}

TEST(GIFLZWEncoder, AKeptFullTableIsNeverClearedAndDecodesAlike) {
    std::mt19937 rng(4);
    // Short runs, and long ones that the encoder follows whole.
    for (const auto& [bits, runLength] : {std::pair{2, 3}, {5, 3}, {8, 3}, {5, 64}, {8, 64}}) {
        const Bytes pixels = RandomPixels(rng, 300000, 1 << bits, runLength);
        TMemoryStream stream;
        CompressImageData(stream, TGIFCompression::LZW, bits, 1 << bits, pixels.data(), false, 500, 600, -1,
                          true);
        const std::vector<int> codes = UnpackCodes(stream.Memory());
        // Only the clear that starts the data; the full table's last
        // codes are sent on.
        EXPECT_EQ(std::count(codes.begin(), codes.end(), 1 << bits), 1) << bits;
        EXPECT_GE(*std::max_element(codes.begin(), codes.end()), 4094) << bits;
        std::vector<std::string> warnings;
        EXPECT_EQ(Decode(stream.Memory(), 600, 500, false, warnings), pixels) << bits;
        EXPECT_TRUE(warnings.empty());
#ifdef TV_HAVE_GIFLIB
        const Bytes gif = Header(600, 500, static_cast<uint8_t>(0x80 | (bits - 1))) + ColorTable(1 << bits) +
                          Descriptor(0, 0, 600, 500) + stream.Memory() + Bytes{0x3B};
        const std::vector<Bytes> frames = GiflibFrames(gif);
        ASSERT_EQ(frames.size(), 1u);
        EXPECT_EQ(frames[0], pixels) << bits;
#endif
    }
}

// A frame without a pixel buffer holds one value: its codes are made a code
// at a time, not a pixel at a time, and must be those of the pixels walked.
TEST(GIFLZWEncoder, AFrameOfOneValueWithoutPixelsEncodesAsItsPixels) {
    for (const int bits : {1, 4, 8})
        for (const int64_t count : {1, 2, 3, 300, 4099, 70001, 8000000})
            for (const bool keep : {false, true}) {
                const auto value = static_cast<uint8_t>((1 << bits) - 1);
                const int width = count % 1000 == 0 ? 1000 : static_cast<int>(count);
                const int height = static_cast<int>(count / width);
                const Bytes pixels(static_cast<size_t>(count), value);
                TMemoryStream walked, made;
                CompressImageData(walked, TGIFCompression::LZW, bits, 1 << bits, pixels.data(), false, height,
                                  width, -1, keep);
                CompressImageData(made, TGIFCompression::LZW, bits, 1 << bits, nullptr, false, height, width,
                                  value, keep);
                EXPECT_EQ(made.Memory(), walked.Memory()) << bits << " bits, " << count << ", keep " << keep;
            }
    TMemoryStream stream;
    EXPECT_EQ(
        GIFErrorOf([&] { CompressImageData(stream, TGIFCompression::LZW, 3, 5, nullptr, false, 4, 4, 6); }),
        GIFMessages::ColorNotInTable);
}

TEST(GIFLZWEncoder, TwoColoursUseMinimumCodeSize2AndOneColourAFrameOfOne) {
    const Bytes data = Encode(TGIFCompression::LZW, 1, 2, Bytes{0, 1, 1, 0}, false, 2, 2);
    EXPECT_EQ(data[0], 2);
    EXPECT_EQ(UnpackCodes(data), (std::vector<int>{4, 0, 1, 1, 0, 5}));
    EXPECT_EQ(Encode(TGIFCompression::LZW, 8, 256, Bytes{200}, false, 1, 1), ImageData(8, {256, 200, 257}));
}

TEST(GIFLZWEncoder, AFrameWithoutPixelsWritesOnlyTheEndCode) {
    const Bytes data = Encode(TGIFCompression::LZW, 4, 16, Bytes{}, false, 0, 0);
    EXPECT_EQ(data, (Bytes{4, 1, 17, 0}));
}

TEST(GIFRLEEncoder, ARunFromAClearTableUsesTheCodesOfGrowingRuns) {
    // A run of 6: the value, then the codes for runs of 2 and 3.
    EXPECT_EQ(Encode(TGIFCompression::RLE, 2, 4, Bytes(6, 1), false, 6, 1), ImageData(2, {4, 1, 6, 7, 5}));
    // A run of 4: value, run of 2, and the single pixel left over.
    EXPECT_EQ(Encode(TGIFCompression::RLE, 2, 4, Bytes(4, 3), false, 4, 1), ImageData(2, {4, 3, 6, 3, 5}));
}

TEST(GIFRLEEncoder, OutputDecodesToTheSamePixelsForEveryBitCount) {
    std::mt19937 rng(11);
    std::uniform_int_distribution<int> side(1, 300);
    for (int round = 0; round < 120; ++round) {
        const int bits = 1 + round % 8;
        const int width = side(rng), height = side(rng);
        const bool interlaced = round % 5 == 2;
        const int runLength = std::array<int, 5>{1, 3, 40, 700, 20000}[static_cast<size_t>(round / 8) % 5];
        const Bytes pixels = RandomPixels(rng, static_cast<size_t>(width) * height, 1 << bits, runLength);
        const Bytes data = Encode(TGIFCompression::RLE, bits, 1 << bits, pixels, interlaced, width, height);
        std::vector<std::string> warnings;
        ASSERT_EQ(Decode(data, width, height, interlaced, warnings), pixels)
            << "round " << round << ": " << width << "x" << height << " bits " << bits;
        EXPECT_TRUE(warnings.empty()) << round;
        for (const int code : UnpackCodes(data)) ASSERT_LT(code, 4095) << round;
    }
}

TEST(GIFRLEEncoder, AVeryLongRunSpansManyClears) {
    // 8 million pixels of one value need several full tables of run codes.
    const int width = 4000, height = 2000;
    Bytes pixels(static_cast<size_t>(width) * height, 9);
    pixels[0] = 1;
    pixels.back() = 2;
    const Bytes data = Encode(TGIFCompression::RLE, 4, 16, pixels, false, width, height);
    std::vector<std::string> warnings;
    EXPECT_EQ(Decode(data, width, height, false, warnings), pixels);
    EXPECT_TRUE(warnings.empty());
    EXPECT_LT(data.size(), pixels.size() / 100) << "runs cost far less than a code per pixel";
}

TEST(GIFRLEEncoder, IntegerSquareRootRoundsDown) {
    for (int64_t m = 0; m < 200000; ++m) {
        const int64_t r = IntegerSquareRoot(m);
        ASSERT_LE(r * r, m) << m;
        ASSERT_GT((r + 1) * (r + 1), m) << m;
    }
    EXPECT_EQ(IntegerSquareRoot(int64_t{4294836225}), 65535);
}

TEST(GIFEncoders, APixelOutsideTheTableFailsAndKeepsWhatWasWritten) {
    for (const TGIFCompression compression : {TGIFCompression::LZW, TGIFCompression::RLE}) {
        Bytes pixels(1000);
        for (size_t i = 0; i < pixels.size(); ++i) pixels[i] = static_cast<uint8_t>(i / 7 % 3);
        pixels[700] = 5;
        TMemoryStream stream;
        EXPECT_EQ(
            GIFErrorOf([&] { CompressImageData(stream, compression, 3, 5, pixels.data(), false, 10, 100); }),
            GIFMessages::ColorNotInTable)
            << static_cast<int>(compression);
        ASSERT_GT(stream.Size(), 20) << static_cast<int>(compression);
        EXPECT_EQ(stream.Memory()[0], 3) << "the code size byte stays";
        // The first pixel is checked too.
        pixels[0] = 7;
        TMemoryStream first;
        EXPECT_EQ(
            GIFErrorOf([&] { CompressImageData(first, compression, 3, 5, pixels.data(), false, 10, 100); }),
            GIFMessages::ColorNotInTable);
    }
}

#ifdef TV_HAVE_GIFLIB
TEST(GIFEncoders, GiflibDecodesBothEncodersToTheSamePixels) {
    std::mt19937 rng(5);
    std::uniform_int_distribution<int> side(1, 150);
    for (int round = 0; round < 48; ++round) {
        const int bits = 1 + round % 8;
        const int width = side(rng), height = side(rng);
        const Bytes pixels =
            RandomPixels(rng, static_cast<size_t>(width) * height, 1 << bits, 1 + round % 30);
        for (const TGIFCompression compression : {TGIFCompression::LZW, TGIFCompression::RLE}) {
            const Bytes gif = Header(width, height, static_cast<uint8_t>(0x80 | (bits - 1))) +
                              ColorTable(1 << bits) + Descriptor(0, 0, width, height) +
                              Encode(compression, bits, 1 << bits, pixels, false, width, height) +
                              Bytes{0x3B};
            const std::vector<Bytes> frames = GiflibFrames(gif);
            ASSERT_EQ(frames.size(), 1u) << round;
            EXPECT_EQ(frames[0], pixels)
                << "round " << round << " compression " << static_cast<int>(compression);
        }
    }
}
#endif

// Looking ahead sends strings shorter than the longest, and codes the
// decoder makes for strings the table holds already: what any decoder reads
// back must still be the frame, through clears, kept full tables, interlaced
// rows and every table width, for strings a pixel shorter and several; on
// frames of moving sprites it must find shorter data, and on sparse
// particles, strings several pixels shorter still shorter data.
TEST(GIFLZWLookaheadEncoder, DecodesToTheFrameAndShortensSpriteFrames) {
    std::mt19937 rng(13);
    int64_t plainSprites = 0, lookaheadSprites = 0;
    int64_t particlesOneShorter = 0, particlesSeveralShorter = 0;
    for (int round = 0; round < 36; ++round) {
        const int bits = 1 + round % 8;
        const int width = 97 + round * 7, height = 61 + round * 5;
        const bool interlaced = round % 3 == 1;
        const bool keep = round % 4 == 2;
        const bool sprites = round % 2 == 0;
        const bool particles = round % 6 == 1 && bits <= 4;
        // Discs with eyes scattered over one value, as moving sprites leave
        // a frame; dots on a ring, as a burst of particles; or runs of
        // random length.
        Bytes pixels = RandomPixels(rng, static_cast<size_t>(width) * height, 1 << bits, 1 + round % 5);
        if (particles) {
            std::fill(pixels.begin(), pixels.end(), 0);
            for (int dot = 0; dot < 400; ++dot) {
                const double angle = dot * 0.0157, radius = 10 + dot % 7 * 3;
                const int x = width / 2 + static_cast<int>(radius * std::cos(angle));
                const int y = height / 2 + static_cast<int>(radius * std::sin(angle));
                pixels[static_cast<size_t>(y) * width + x] =
                    static_cast<uint8_t>(1 + dot % 2 % ((1 << bits) - 1));
            }
        }
        if (sprites) {
            std::fill(pixels.begin(), pixels.end(), 0);
            for (int disc = 0; disc < 8; ++disc) {
                const int cx = static_cast<int>(rng() % width), cy = static_cast<int>(rng() % height);
                const auto colour = static_cast<uint8_t>(1 + disc % ((1 << bits) - 1));
                for (int y = std::max(0, cy - 16); y < std::min(height, cy + 16); ++y)
                    for (int x = std::max(0, cx - 16); x < std::min(width, cx + 16); ++x)
                        if ((x - cx) * (x - cx) + (y - cy) * (y - cy) < 196)
                            pixels[static_cast<size_t>(y) * width + x] =
                                (y - cy) / 4 == -1 && (x - cx + 8) / 4 % 3 == 1 ? 1 : colour;
            }
        }
        TMemoryStream plain;
        CompressImageData(plain, TGIFCompression::LZW, bits, 1 << bits, pixels.data(), interlaced, height,
                          width, -1, keep);
        // Also followed for the most codes ahead, as the lossy search tries.
        constexpr int Deep = TLZWLookAhead::MaxShorterBy;
        for (const TLZWLookAhead lookAhead :
             {TLZWLookAhead(1), TLZWLookAhead(Deep), TLZWLookAhead(Deep, TLZWLookAhead::MaxCodesAhead)}) {
            const int shorterBy = lookAhead.ShorterBy;
            TMemoryStream lookahead;
            CompressImageData(lookahead, TGIFCompression::LZW, bits, 1 << bits, pixels.data(), interlaced,
                              height, width, -1, keep, lookAhead);
            if (sprites && shorterBy == 1) {
                plainSprites += plain.Size();
                lookaheadSprites += lookahead.Size();
            }
            if (particles && lookAhead.CodesAhead == TLZWLookAhead::UsualCodesAhead)
                (shorterBy == 1 ? particlesOneShorter : particlesSeveralShorter) += lookahead.Size();
            std::vector<std::string> warnings;
            ASSERT_EQ(Decode(lookahead.Memory(), width, height, interlaced, warnings), pixels)
                << "round " << round << " shorter by " << shorterBy;
            EXPECT_TRUE(warnings.empty()) << "round " << round;
#ifdef TV_HAVE_GIFLIB
            const Bytes gif = Header(width, height, static_cast<uint8_t>(0x80 | (bits - 1))) +
                              ColorTable(1 << bits) + Descriptor(0, 0, width, height, interlaced ? 0x40 : 0) +
                              lookahead.Memory() + Bytes{0x3B};
            const std::vector<Bytes> frames = GiflibFrames(gif);
            ASSERT_EQ(frames.size(), 1u) << "round " << round;
            EXPECT_EQ(frames[0], pixels) << "round " << round << " shorter by " << shorterBy;
#endif
        }
    }
    EXPECT_LT(lookaheadSprites, plainSprites);
    EXPECT_LT(particlesSeveralShorter, particlesOneShorter);
    // A frame of one value, and a pixel outside the table, are the plain
    // encoder's.
    TMemoryStream plainFill, lookaheadFill;
    CompressImageData(plainFill, TGIFCompression::LZW, 4, 16, nullptr, false, 300, 400, 9);
    CompressImageData(lookaheadFill, TGIFCompression::LZW, 4, 16, nullptr, false, 300, 400, 9, false, true);
    EXPECT_EQ(lookaheadFill.Memory(), plainFill.Memory());
    const Bytes outside(100, 6);
    TMemoryStream failed;
    EXPECT_EQ(GIFErrorOf([&] {
                  CompressImageData(failed, TGIFCompression::LZW, 3, 5, outside.data(), false, 10, 10, -1,
                                    false, true);
              }),
              GIFMessages::ColorNotInTable);
}
