// Writing the object model: the version, the recomputed packed bytes, padded
// colour tables, extensions and text sub-blocks, progress, and the failures.

#include "Exceptions.h"
#include "GIFAppExtNSLoop.h"
#include "GIFCommentExtension.h"
#include "GIFException.h"
#include "GIFGraphicControlExtension.h"
#include "GIFMessages.h"
#include "GIFRegistration.h"
#include "GIFTestImages.h"
#include "GIFTextExtension.h"
#include "GIFUnknownAppExtension.h"
#include "Picture.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <unistd.h>

namespace {

// Header (13 bytes) and a global table of 2^bits entries: where the first
// image descriptor starts in a picture without extensions.
size_t DescriptorOffset(int globalBits) {
    return 13 + 3 * (globalBits > 0 ? size_t{1} << globalBits : 0);
}

// A stream that takes limit bytes, then fails as a full disk would.
class FailingStream : public TMemoryStream {
public:
    explicit FailingStream(int64_t limit) : Limit(limit) {}
    void Write(const void* buffer, int64_t count) override {
        if (Size() + count > Limit) throw EWriteError("Stream write error");
        TMemoryStream::Write(buffer, count);
    }

private:
    int64_t Limit;
};

} // namespace

TEST(GIFWriteHeader, FramesWithoutExtensionsGive87aAndOneGraphicControlGives89a) {
    TGIFImage image;
    image.SetWidth(4);
    image.SetHeight(2);
    AddColors(image.Header.ColorMap, 4);
    AddFrame(image, 0, 0, 4, 1, Bytes{0, 1, 2, 3});
    TGIFSubImage& second = AddFrame(image, 0, 1, 4, 1, Bytes{3, 2, 1, 0});
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(Save(image).data()), 6), "GIF87a");
    second.Extensions.Add(std::make_unique<TGIFGraphicControlExtension>(second));
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(Save(image).data()), 6), "GIF89a");
}

TEST(GIFWriteHeader, ASortedGlobalTableOrAnAspectRatioAlsoNeed89a) {
    TGIFImage image;
    image.SetWidth(1);
    image.SetHeight(1);
    AddColors(image.Header.ColorMap, 2);
    AddFrame(image, 0, 0, 1, 1, Bytes{1});
    image.Header.SetAspectRatio(49);
    EXPECT_EQ(Save(image)[4], '9');
    image.Header.SetAspectRatio(0);
    image.Header.ColorMap.SetSorted(true);
    const Bytes bytes = Save(image);
    EXPECT_EQ(bytes[4], '9');
    EXPECT_EQ(bytes[10] & 0x08, 0x08) << "the sorted bit";
}

TEST(GIFWriteHeader, PackedByteFollowsTheTables) {
    // A 16-entry global table beside a 256-entry local one: size field 3,
    // colour resolution 7 (the widest table's bits minus 1).
    TGIFImage image;
    image.SetWidth(2);
    image.SetHeight(1);
    AddColors(image.Header.ColorMap, 16);
    AddFrame(image, 0, 0, 1, 1, Bytes{15});
    TGIFSubImage& local = AddFrame(image, 1, 0, 1, 1, Bytes{255});
    AddColors(local.ColorMap, 256);
    image.Header.SetPacked(0); // whatever was stored is recomputed
    const Bytes bytes = Save(image);
    EXPECT_EQ(bytes[10], 0x80 | (7 << 4) | 3);
    TGIFImage back;
    Load(back, bytes);
    EXPECT_EQ(back.Header.ColorMap.Count(), 16);
    EXPECT_EQ(back.Images[1].ColorMap.Count(), 256);
    EXPECT_EQ(back.Images[0].Pixel(0, 0), 15);
    EXPECT_EQ(back.Images[1].Pixel(0, 0), 255);
}

TEST(GIFWriteHeader, AnImageWithoutFramesCannotBeSaved) {
    TGIFImage image;
    image.SetWidth(10);
    image.SetHeight(10);
    std::vector<std::pair<TProgressStage, int>> progress;
    image.OnProgress = [&](TGraphic&, TProgressStage stage, int percent, bool, const TRect&,
                           const std::string& m) {
        EXPECT_EQ(m, GIFMessages::Saving);
        progress.emplace_back(stage, percent);
    };
    TMemoryStream stream;
    EXPECT_EQ(GIFErrorOf([&] { image.SaveToStream(stream); }), GIFMessages::UnsupportedVersion);
    EXPECT_EQ(stream.Size(), 0);
    ASSERT_EQ(progress.size(), 2u);
    EXPECT_EQ(progress.back(), std::make_pair(TProgressStage::Ending, 0));
}

TEST(GIFWriteFrame, AFiveEntryLocalTableIsPaddedToEightBlackEntries) {
    TGIFImage image;
    image.SetWidth(5);
    image.SetHeight(1);
    TGIFSubImage& frame = AddFrame(image, 0, 0, 5, 1, Bytes{0, 1, 2, 3, 4});
    AddColors(frame.ColorMap, 5);
    const Bytes bytes = Save(image);
    const size_t at = DescriptorOffset(0);
    EXPECT_EQ(bytes[at + 9], 0x80 | 2);
    const Bytes table(bytes.begin() + static_cast<long>(at + 10),
                      bytes.begin() + static_cast<long>(at + 10 + 24));
    EXPECT_EQ(Bytes(table.begin(), table.begin() + 15), ColorTable(5));
    EXPECT_EQ(Bytes(table.begin() + 15, table.end()), Bytes(9, 0));
    EXPECT_EQ(bytes[at + 34], 3) << "minimum code size of an 8-entry table";
}

TEST(GIFWriteFrame, ATwoColourTableGivesMinimumCodeSize2) {
    TGIFImage image;
    image.SetWidth(3);
    image.SetHeight(1);
    AddColors(image.Header.ColorMap, 2);
    AddFrame(image, 0, 0, 3, 1, Bytes{1, 0, 1});
    const Bytes bytes = Save(image);
    const size_t data = DescriptorOffset(1) + 10;
    EXPECT_EQ(bytes[data], 2);
    const std::vector<int> codes =
        UnpackCodes(Bytes(bytes.begin() + static_cast<long>(data), bytes.end() - 1));
    EXPECT_EQ(codes, (std::vector<int>{4, 1, 0, 1, 5}));
}

TEST(GIFWriteFrame, InterlacedFrameOfHeight3IsWrittenWithRows0Then2Then1) {
    TGIFImage image;
    image.SetWidth(2);
    image.SetHeight(3);
    AddColors(image.Header.ColorMap, 4);
    TGIFSubImage& frame = AddFrame(image, 0, 0, 2, 3, Bytes{0, 0, 1, 1, 2, 2});
    frame.SetPacked(0x40);
    const Bytes bytes = Save(image);
    const size_t at = DescriptorOffset(2);
    EXPECT_EQ(bytes[at + 9], 0x40);
    const Bytes data(bytes.begin() + static_cast<long>(at + 10), bytes.end() - 1);
    EXPECT_EQ(data, ImageData(2, EncodeCodes(2, Bytes{0, 0, 2, 2, 1, 1})));
    TGIFImage back;
    Load(back, bytes);
    EXPECT_TRUE(back.Images[0].Interlaced());
    EXPECT_EQ(Bytes(back.Images[0].Data(), back.Images[0].Data() + 6), (Bytes{0, 0, 1, 1, 2, 2}));
}

TEST(GIFWriteFrame, AFrameWithALocalTableIsWrittenNotInterlaced) {
    TGIFImage image;
    image.SetWidth(2);
    image.SetHeight(9);
    Bytes pixels(18);
    for (size_t i = 0; i < pixels.size(); ++i) pixels[i] = static_cast<uint8_t>(i % 7);
    TGIFSubImage& frame = AddFrame(image, 0, 0, 2, 9, pixels);
    AddColors(frame.ColorMap, 7);
    frame.ColorMap.SetSorted(true);
    frame.SetPacked(0x40 | 0x18);
    const Bytes bytes = Save(image);
    EXPECT_EQ(bytes[DescriptorOffset(0) + 9], 0x80 | 0x20 | 2);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(bytes.data()), 6), "GIF89a") << "a sorted table";
    TGIFImage back;
    Load(back, bytes);
    EXPECT_FALSE(back.Images[0].Interlaced());
    EXPECT_EQ(Bytes(back.Images[0].Data(), back.Images[0].Data() + 18), pixels);
}

TEST(GIFWriteFrame, WithoutALocalTableOnlyInterlaceAndReservedBitsStay) {
    TGIFImage image;
    image.SetWidth(1);
    image.SetHeight(1);
    AddColors(image.Header.ColorMap, 2);
    TGIFSubImage& frame = AddFrame(image, 0, 0, 1, 1, Bytes{1});
    frame.SetPacked(0xFF);
    EXPECT_EQ(Save(image)[DescriptorOffset(1) + 9], 0x58);
}

TEST(GIFWriteFrame, APixelOutsideItsTableFailsAndTheStartStaysInTheStream) {
    TGIFImage image;
    image.SetWidth(3);
    image.SetHeight(1);
    TGIFSubImage& frame = AddFrame(image, 0, 0, 3, 1, Bytes{0, 4, 5});
    AddColors(frame.ColorMap, 5);
    std::vector<std::pair<TProgressStage, int>> progress;
    image.OnProgress = [&](TGraphic&, TProgressStage stage, int percent, bool, const TRect&,
                           const std::string&) { progress.emplace_back(stage, percent); };
    TMemoryStream stream;
    EXPECT_EQ(GIFErrorOf([&] { image.SaveToStream(stream); }), GIFMessages::ColorNotInTable);
    ASSERT_GT(stream.Size(), static_cast<int64_t>(DescriptorOffset(0) + 10 + 24));
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(stream.Data()), 6), "GIF87a");
    EXPECT_EQ(progress.back(), std::make_pair(TProgressStage::Ending, 0));
}

TEST(GIFWriteFrame, AFailingTargetPassesItsErrorOnAndKeepsWhatItTook) {
    TGIFImage image;
    image.SetWidth(64);
    image.SetHeight(64);
    AddColors(image.Header.ColorMap, 256);
    Bytes pixels(64 * 64);
    for (size_t i = 0; i < pixels.size(); ++i) pixels[i] = static_cast<uint8_t>(i * 37 % 251);
    AddFrame(image, 0, 0, 64, 64, pixels);
    for (const int64_t limit : {3, 13, 800, 1000}) {
        FailingStream stream(limit);
        EXPECT_THROW(image.SaveToStream(stream), EWriteError) << limit;
        EXPECT_LE(stream.Size(), limit);
        if (limit >= 6) {
            EXPECT_EQ(stream.Memory()[0], 'G');
        }
    }
}

TEST(GIFWriteFrame, AnEmptyFrameWritesOnlyItsExtensions) {
    TGIFImage image;
    image.SetWidth(1);
    image.SetHeight(1);
    AddColors(image.Header.ColorMap, 2);
    AddFrame(image, 0, 0, 1, 1, Bytes{1});
    TGIFSubImage& tail = AddFrame(image, 0, 0, 0, 0, Bytes{});
    auto comment = std::make_unique<TGIFCommentExtension>(tail);
    comment->Text = {"end"};
    tail.Extensions.Add(std::move(comment));
    const Bytes bytes = Save(image);
    const Bytes expectedTail = Bytes{0x21, 0xFE, 3, 'e', 'n', 'd', 0, 0x3B};
    EXPECT_EQ(Bytes(bytes.end() - 8, bytes.end()), expectedTail);
    TGIFImage back;
    Load(back, bytes);
    ASSERT_EQ(back.Images.Count(), 2);
    EXPECT_TRUE(back.Images[1].Empty());
}

TEST(GIFWriteExtensions, TextLinesAreCutIntoSubBlocksOf255) {
    TGIFImage image;
    image.SetWidth(1);
    image.SetHeight(1);
    AddColors(image.Header.ColorMap, 2);
    TGIFSubImage& frame = AddFrame(image, 0, 0, 1, 1, Bytes{0});
    auto comment = std::make_unique<TGIFCommentExtension>(frame);
    comment->Text = {std::string(300, 'x'), "", "ok"};
    frame.Extensions.Add(std::move(comment));
    auto text = std::make_unique<TGIFTextExtension>(frame);
    text->Text = {std::string(255, 'y')};
    frame.Extensions.Add(std::move(text));
    const Bytes bytes = Save(image);
    const size_t at = DescriptorOffset(1);
    Bytes expected =
        Bytes{0x21, 0xFE, 255} + Bytes(255, 'x') + Bytes{45} + Bytes(45, 'x') + Bytes{2, 'o', 'k', 0};
    expected = expected + Bytes{0x21, 0x01, 12} + Bytes(12, 0) + Bytes{255} + Bytes(255, 'y') + Bytes{0};
    EXPECT_EQ(
        Bytes(bytes.begin() + static_cast<long>(at), bytes.begin() + static_cast<long>(at + expected.size())),
        expected);
    TGIFImage back;
    Load(back, bytes);
    const auto* read = dynamic_cast<TGIFCommentExtension*>(&back.Images[0].Extensions[0]);
    ASSERT_NE(read, nullptr);
    EXPECT_EQ(read->Text, (std::vector<std::string>{std::string(255, 'x'), std::string(45, 'x'), "ok"}));
}

TEST(GIFWriteExtensions, ControlLoopingAndUnknownApplicationBlocksAreWrittenAsStored) {
    const Bytes unknown = Bytes{0x21, 0xFF, 11} +
                          Bytes{'X', 'Y', 'Z', 'Z', 'Y', '1', '2', '3', 'a', 'b', 'c'} +
                          Bytes{2, 7, 8, 1, 9, 0};
    const Bytes loop = Bytes{0x21, 0xFF, 11} + Bytes{'N', 'E', 'T', 'S', 'C', 'A', 'P', 'E', '2', '.', '0'} +
                       Bytes{3, 1, 5, 0, 5, 2, 0x10, 0x20, 0x30, 0x40, 0};
    const Bytes control = GraphicControl(0x09, 300, 1);
    const Bytes gif = Header(2, 1, 0x80) + ColorTable(2) + loop + unknown + control + Descriptor(0, 0, 2, 1) +
                      ImageData(2, EncodeCodes(2, Bytes{1, 0})) + Bytes{0x3B};
    TGIFImage image;
    Load(image, gif);
    const auto* readLoop = dynamic_cast<TGIFAppExtNSLoop*>(&image.Images[0].Extensions[0]);
    ASSERT_NE(readLoop, nullptr);
    EXPECT_EQ(readLoop->BufferSize, 0x40302010u);
    EXPECT_EQ(Save(image), gif) << "a picture in the writer's own form comes back byte for byte";
}

// "NETSCAPE2.0" in a longer identifier block is no looping block; written
// back with a block of 11 bytes it would be read as one, and its data fail.
TEST(GIFWriteExtensions, AnApplicationBlockLongerThanElevenBytesIsWrittenWhole) {
    Bytes header{0x21, 0xFF, 14};
    for (const char c : std::string("NETSCAPE2.0xyz")) header.push_back(static_cast<uint8_t>(c));
    const Bytes ext = header + Bytes{1, 1, 2, 7, 8, 0};
    const Bytes gif = Header(2, 1, 0x80) + ColorTable(2) + ext + Descriptor(0, 0, 2, 1) +
                      ImageData(2, EncodeCodes(2, Bytes{1, 0})) + Bytes{0x3B};
    TGIFImage image;
    Load(image, gif);
    EXPECT_EQ(Save(image), gif);
    TGIFImage again;
    Load(again, Save(image));
    const auto* unknown = dynamic_cast<TGIFUnknownAppExtension*>(&again.Images[0].Extensions[0]);
    ASSERT_NE(unknown, nullptr);
    EXPECT_EQ(unknown->IdentifierTail, (Bytes{'x', 'y', 'z'}));
    ASSERT_EQ(unknown->Blocks.size(), 2u);
}

TEST(GIFWriteExtensions, ALoopWithoutBufferSizeWritesOnlyTheLoopCount) {
    TGIFImage image;
    image.SetWidth(1);
    image.SetHeight(1);
    AddColors(image.Header.ColorMap, 2);
    TGIFSubImage& frame = AddFrame(image, 0, 0, 1, 1, Bytes{0});
    auto loop = std::make_unique<TGIFAppExtNSLoop>(frame);
    loop->Loops = 513;
    frame.Extensions.Add(std::move(loop));
    const Bytes bytes = Save(image);
    EXPECT_EQ(Bytes(bytes.begin() + 19, bytes.begin() + 19 + 19), LoopExtension("NETSCAPE2.0", 513));
}

TEST(GIFWriteImage, ProgressReportsSavingPerFrame) {
    TGIFImage image;
    image.SetWidth(1);
    image.SetHeight(1);
    AddColors(image.Header.ColorMap, 2);
    for (int i = 0; i < 4; ++i) AddFrame(image, 0, 0, 1, 1, Bytes{static_cast<uint8_t>(i % 2)});
    std::vector<std::tuple<TProgressStage, int, bool>> progress;
    image.OnProgress = [&](TGraphic&, TProgressStage stage, int percent, bool redraw, const TRect&,
                           const std::string& m) {
        EXPECT_EQ(m, GIFMessages::Saving);
        progress.emplace_back(stage, percent, redraw);
    };
    Save(image);
    using P = std::tuple<TProgressStage, int, bool>;
    EXPECT_EQ(progress,
              (std::vector<P>{P{TProgressStage::Starting, 0, false}, P{TProgressStage::Running, 25, false},
                              P{TProgressStage::Running, 50, false}, P{TProgressStage::Running, 75, false},
                              P{TProgressStage::Running, 100, false}, P{TProgressStage::Ending, 100, true}}));
}

TEST(GIFWriteImage, FilesAndStoredPicturesRoundTrip) {
    RegisterGIFImage();
    TGIFImage image;
    image.SetWidth(3);
    image.SetHeight(2);
    AddColors(image.Header.ColorMap, 8);
    AddFrame(image, 0, 0, 3, 2, Bytes{1, 2, 3, 4, 5, 6});
    const std::string name =
        (std::filesystem::temp_directory_path() / ("tv-gif-write-" + std::to_string(::getpid()) + ".gif"))
            .string();
    image.SaveToFile(name);
    TGIFImage fromFile;
    fromFile.LoadFromFile(name);
    std::filesystem::remove(name);
    EXPECT_EQ(Save(fromFile), Save(image));

    auto held = std::make_unique<TGIFImage>();
    Load(*held, Save(image));
    TPicture picture;
    picture.SetGraphic(std::move(held));
    TMemoryStream stored;
    picture.WriteStored(stored);
    stored.SetPosition(0);
    TPicture readBack;
    readBack.ReadStored(stored);
    auto* gif = dynamic_cast<TGIFImage*>(readBack.Graphic());
    ASSERT_NE(gif, nullptr);
    EXPECT_EQ(Save(*gif), Save(image));
    UnregisterGIFImage();
}

TEST(GIFWriteImage, WithoutAClipboardSavingToItFails) {
    // This test program has no GUI application, hence no clipboard.
    TGIFImage image;
    image.SetWidth(1);
    image.SetHeight(1);
    AddColors(image.Header.ColorMap, 2);
    EXPECT_NO_THROW(image.SaveToClipboardFormat()) << "an empty image puts nothing there";
    AddFrame(image, 0, 0, 1, 1, Bytes{1});
    EXPECT_EQ(GIFErrorOf([&] { image.SaveToClipboardFormat(); }), GIFMessages::ClipboardStoreFailed);
}
