// Read, write, read again: every GIF of the test set and generated pictures
// come back with the same frames, extensions and pixels, with both encoders;
// giflib reads what we write to the same pixels.

#include "GIFAppExtNSLoop.h"
#include "GIFCommentExtension.h"
#include "GIFGraphicControlExtension.h"
#include "GIFTestImages.h"
#include "GIFTextExtension.h"
#include "GIFUnknownAppExtension.h"
#include "GiflibFrames.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <random>

namespace {

void ExpectSameTable(const TGIFColorMap& original, const TGIFColorMap& written, const std::string& where) {
    if (original.Count() == 0) {
        EXPECT_EQ(written.Count(), 0) << where;
        return;
    }
    // Padded with black up to a power of two.
    ASSERT_EQ(written.Count(), 1 << original.BitsPerPixel()) << where;
    for (int i = 0; i < written.Count(); ++i) {
        const TPaletteEntry expected = i < original.Count() ? original.Entry(i) : TPaletteEntry{};
        const TPaletteEntry got = written.Entry(i);
        EXPECT_TRUE(expected.Red == got.Red && expected.Green == got.Green && expected.Blue == got.Blue)
            << where << " entry " << i;
    }
}

void ExpectSameExtension(const TGIFExtension& a, const TGIFExtension& b, const std::string& where) {
    ASSERT_EQ(&a.Class(), &b.Class()) << where;
    if (const auto* x = dynamic_cast<const TGIFGraphicControlExtension*>(&a)) {
        EXPECT_EQ(x->Bytes(), dynamic_cast<const TGIFGraphicControlExtension&>(b).Bytes()) << where;
    } else if (const auto* c = dynamic_cast<const TGIFCommentExtension*>(&a)) {
        EXPECT_EQ(c->Text, dynamic_cast<const TGIFCommentExtension&>(b).Text) << where;
    } else if (const auto* t = dynamic_cast<const TGIFTextExtension*>(&a)) {
        EXPECT_EQ(t->Bytes(), dynamic_cast<const TGIFTextExtension&>(b).Bytes()) << where;
        EXPECT_EQ(t->Text, dynamic_cast<const TGIFTextExtension&>(b).Text) << where;
    } else if (const auto* l = dynamic_cast<const TGIFAppExtNSLoop*>(&a)) {
        const auto& m = dynamic_cast<const TGIFAppExtNSLoop&>(b);
        EXPECT_EQ(l->Identifier, m.Identifier) << where;
        EXPECT_EQ(l->Loops, m.Loops) << where;
        EXPECT_EQ(l->BufferSize, m.BufferSize) << where;
    } else if (const auto* u = dynamic_cast<const TGIFUnknownAppExtension*>(&a)) {
        const auto& v = dynamic_cast<const TGIFUnknownAppExtension&>(b);
        EXPECT_EQ(u->Identifier, v.Identifier) << where;
        ASSERT_EQ(u->Blocks.size(), v.Blocks.size()) << where;
        for (size_t i = 0; i < u->Blocks.size(); ++i) EXPECT_EQ(u->Blocks[i].Data, v.Blocks[i].Data) << where;
    }
}

// What must be equal after a round trip; what the writer normalises (table
// padding, interlacing of frames with a local table) is checked as such.
void ExpectSamePicture(TGIFImage& original, TGIFImage& written, const std::string& name) {
    EXPECT_EQ(written.Width(), original.Width()) << name;
    EXPECT_EQ(written.Height(), original.Height()) << name;
    EXPECT_EQ(written.Header.BackgroundColorIndex(), original.Header.BackgroundColorIndex()) << name;
    EXPECT_EQ(written.Header.AspectRatio(), original.Header.AspectRatio()) << name;
    ExpectSameTable(original.Header.ColorMap, written.Header.ColorMap, name + " global table");
    ASSERT_EQ(written.Images.Count(), original.Images.Count()) << name;
    for (int i = 0; i < original.Images.Count(); ++i) {
        TGIFSubImage& a = original.Images[i];
        TGIFSubImage& b = written.Images[i];
        const std::string where = name + " frame " + std::to_string(i);
        for (int bound = 1; bound <= 4; ++bound) EXPECT_EQ(b.Bounds(bound), a.Bounds(bound)) << where;
        EXPECT_EQ(b.Interlaced(), a.ColorMap.Count() == 0 && a.Interlaced()) << where;
        ExpectSameTable(a.ColorMap, b.ColorMap, where + " local table");
        ASSERT_EQ(b.Extensions.Count(), a.Extensions.Count()) << where;
        for (int e = 0; e < a.Extensions.Count(); ++e)
            ExpectSameExtension(a.Extensions[e], b.Extensions[e], where + " extension " + std::to_string(e));
        EXPECT_EQ(b.Transparent(), a.Transparent()) << where;
        ASSERT_EQ(b.Empty(), a.Empty()) << where;
        if (!a.Empty()) {
            EXPECT_EQ(Bytes(b.Data(), b.Data() + b.DataSize()), Bytes(a.Data(), a.Data() + a.DataSize()))
                << where;
        }
    }
}

void ExpectRoundTrip(const Bytes& gif, const std::string& name) {
    for (const TGIFCompression compression : {TGIFCompression::LZW, TGIFCompression::RLE}) {
        const std::string label = name + (compression == TGIFCompression::RLE ? " (run-length)" : " (LZW)");
        TGIFImage original;
        Load(original, gif);
        original.Compression = compression;
        const Bytes written = Save(original);
        std::vector<std::string> warnings;
        TGIFImage back;
        Load(back, written, &warnings);
        EXPECT_TRUE(warnings.empty()) << label << ": " << warnings.front();
        TGIFImage reference;
        Load(reference, gif);
        ExpectSamePicture(reference, back, label);
        // Written once, the picture is in its normal form: writing it again
        // gives the same bytes.
        back.Compression = compression;
        EXPECT_EQ(Save(back), written) << label;
#ifdef TV_HAVE_GIFLIB
        const std::vector<Bytes> theirs = GiflibFrames(written);
        std::vector<Bytes> ours;
        for (const auto& frame : reference.Images)
            if (!frame->Empty()) ours.emplace_back(frame->Data(), frame->Data() + frame->DataSize());
        EXPECT_EQ(theirs, ours) << label << ": giflib";
#endif
    }
}

} // namespace

TEST(GIFRoundTrip, EveryPictureOfTheTestSet) {
    const std::vector<TestFile> files = TestSetFiles();
    for (const TestFile& file : files) ExpectRoundTrip(file.Data, file.Name);
    EXPECT_GE(files.size(), 10u);
}

TEST(GIFRoundTrip, GeneratedPicturesWithLocalTablesInterlacingAndExtensions) {
    std::mt19937 rng(21);
    std::uniform_int_distribution<int> side(1, 90);
    for (int round = 0; round < 40; ++round) {
        TGIFImage image;
        image.SetWidth(100);
        image.SetHeight(100);
        const int globalColors = 1 + round % 200;
        if (round % 7 != 6) AddColors(image.Header.ColorMap, globalColors);
        const int frames = 1 + round % 3;
        for (int f = 0; f < frames; ++f) {
            const int width = side(rng), height = side(rng);
            const bool local = (round + f) % 3 == 0 || image.Header.ColorMap.Count() == 0;
            const int colors =
                local ? 1 + static_cast<int>(rng() % 256) : 1 << image.Header.ColorMap.BitsPerPixel();
            Bytes pixels(static_cast<size_t>(width) * height);
            for (auto& p : pixels) p = static_cast<uint8_t>(rng() % static_cast<unsigned>(colors));
            TGIFSubImage& frame = AddFrame(image, static_cast<int>(rng() % 10), static_cast<int>(rng() % 10),
                                           width, height, pixels);
            if (local) AddColors(frame.ColorMap, colors);
            if (round % 2) frame.SetPacked(0x40);
            if (round % 4 == 1) {
                auto control = std::make_unique<TGIFGraphicControlExtension>(frame);
                control->SetDelay(static_cast<uint16_t>(round));
                control->SetDisposal(TGIFDisposal::RestoreBackground);
                control->SetTransparent(true);
                frame.Extensions.Add(std::move(control));
            }
            if (round % 5 == 2) {
                auto comment = std::make_unique<TGIFCommentExtension>(frame);
                comment->Text = {"frame " + std::to_string(f),
                                 std::string(static_cast<size_t>(round * 6), 'c')};
                if (comment->Text.back().size() > 255) comment->Text.back().resize(255);
                frame.Extensions.Add(std::move(comment));
            }
        }
        ExpectRoundTrip(Save(image), "generated " + std::to_string(round));
    }
}
