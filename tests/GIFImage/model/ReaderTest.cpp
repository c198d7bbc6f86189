// Reading GIF streams into the object model: each message the reader gives,
// and the edge cases of the stream layout.

#include "GIFAppExtNSLoop.h"
#include "GIFCommentExtension.h"
#include "GIFErrorOf.h"
#include "GIFException.h"
#include "GIFExtensionRegistry.h"
#include "GIFGraphicControlExtension.h"
#include "GIFImage.h"
#include "GIFLimits.h"
#include "GIFMessages.h"
#include "GIFParallelDecoder.h"
#include "GIFTestStreams.h"
#include "GIFTextExtension.h"
#include "GIFUnknownAppExtension.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <random>

namespace {

struct Loaded {
    std::unique_ptr<TGIFImage> Image = std::make_unique<TGIFImage>();
    std::vector<std::string> Warnings;
    std::string Error;
    int64_t EndPosition = 0;
};

Loaded Load(const Bytes& bytes, int64_t start = 0) {
    Loaded result;
    result.Image->WarningHandler = [&](TGIFImage&, TGIFSeverity severity, const std::string& message) {
        EXPECT_EQ(severity, SeverityWarning);
        result.Warnings.push_back(message);
    };
    TBorrowedMemoryStream stream(bytes.data(), static_cast<int64_t>(bytes.size()));
    stream.SetPosition(start);
    try {
        result.Image->LoadFromStream(stream);
    } catch (const GIFException& e) {
        result.Error = e.what();
    }
    result.EndPosition = stream.Position();
    return result;
}

using Warnings = std::vector<std::string>;

const Bytes Screen = Header(4, 2, 0x81) + ColorTable(4);
const Bytes Frame = Descriptor(0, 0, 4, 2) + ImageData(2, EncodeCodes(2, Bytes{0, 1, 2, 3, 3, 2, 1, 0}));
const Bytes FramePixels{0, 1, 2, 3, 3, 2, 1, 0};

template <class T> T* FindExtension(TGIFSubImage& frame) {
    for (const auto& e : frame.Extensions)
        if (auto* found = dynamic_cast<T*>(e.get())) return found;
    return nullptr;
}

Bytes PixelsOf(TGIFSubImage& frame) {
    return Bytes(frame.Data(), frame.Data() + frame.DataSize());
}

} // namespace

// ---- Errors ----

TEST(GIFReaderErrors, InvalidSignatureFailsAndRestoresThePosition) {
    const Bytes bytes = Bytes{0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0} + Screen;
    const Loaded l = Load(Bytes{'x'} + bytes, 1);
    EXPECT_EQ(l.Error, GIFMessages::InvalidSignature);
    EXPECT_EQ(l.EndPosition, 1);
}

TEST(GIFReaderErrors, ShortLogicalScreenIsPrematureEndOfData) {
    const Loaded l = Load(Bytes{'G', 'I', 'F', '8', '9', 'a', 4, 0, 2});
    EXPECT_EQ(l.Error, GIFMessages::PrematureEnd);
    EXPECT_EQ(l.EndPosition, 0);
}

TEST(GIFReaderErrors, ShortColourTableIsPrematureEndOfData) {
    EXPECT_EQ(Load(Header(4, 2, 0x81) + ColorTable(3)).Error, GIFMessages::PrematureEnd);
}

TEST(GIFReaderErrors, ExtensionLabelTwoIsAnUnknownExtensionType) {
    const Bytes bytes = Screen + Bytes{0x21, 0x02, 1, 'a', 0} + Frame + Bytes{0x3B};
    const Loaded l = Load(bytes);
    EXPECT_EQ(l.Error, GIFMessages::UnknownExtensionType);
    EXPECT_EQ(l.EndPosition, 0);
}

TEST(GIFReaderErrors, ClassRegisteredForAnotherLabelIsAnInternalError) {
    AddExtensionClass(0x02, TGIFCommentExtension::ClassInfo());
    const Loaded l = Load(Screen + Bytes{0x21, 0x02, 1, 'a', 0} + Frame + Bytes{0x3B});
    FreeExtensionRegistries();
    EXPECT_EQ(l.Error, GIFMessages::ExtensionLabelMismatch);
}

TEST(GIFReaderErrors, ExtensionThatDoesNotStartWithItsIntroducerFails) {
    TGIFImage image;
    TGIFSubImage frame(&image);
    TGIFCommentExtension comment(frame);
    const Bytes bytes{0x22, 0xFE, 0};
    TBorrowedMemoryStream stream(bytes.data(), 3);
    try {
        comment.LoadFromStream(stream);
        FAIL() << "no error";
    } catch (const GIFException& e) {
        EXPECT_STREQ(e.what(), GIFMessages::InvalidExtensionIntroducer);
    }
}

TEST(GIFReaderErrors, ApplicationBlockSizeBelowTenIsUnsupported) {
    const Bytes bytes = Screen + Bytes{0x21, 0xFF, 5, 'A', 'B', 'C', 'D', 'E', 0} + Frame + Bytes{0x3B};
    EXPECT_EQ(Load(bytes).Error, GIFMessages::UnsupportedAppBlockSize);
}

TEST(GIFReaderErrors, LoopSubBlockTooShortForItsValueIsInvalidData) {
    Bytes loopCount{0x21, 0xFF, 11};
    for (const char c : std::string("NETSCAPE2.0")) loopCount.push_back(static_cast<uint8_t>(c));
    Bytes bufferSize = loopCount;
    loopCount = loopCount + Bytes{2, 1, 5, 0};
    bufferSize = bufferSize + Bytes{4, 2, 1, 2, 3, 0};
    EXPECT_EQ(Load(Screen + loopCount + Frame + Bytes{0x3B}).Error, GIFMessages::InvalidData);
    EXPECT_EQ(Load(Screen + bufferSize + Frame + Bytes{0x3B}).Error, GIFMessages::InvalidData);
}

TEST(GIFReaderErrors, CircularDecoderTableFailsTheLoad) {
    const Bytes bytes = Screen + Descriptor(0, 0, 4, 2) + ImageData(2, {4, 6, 6, 6, 5}) + Bytes{0x3B};
    const Loaded l = Load(bytes);
    EXPECT_EQ(l.Error, GIFMessages::CircularTableEntry);
    EXPECT_EQ(l.EndPosition, 0);
}

TEST(GIFReaderErrors, HugeFrameInATinyFileIsRefusedBeforeAllocating) {
    const Bytes bytes = Header(10, 10, 0x80) + ColorTable(2) + Descriptor(0, 0, 65535, 65535) +
                        ImageData(2, {4, 1, 5}) + Bytes{0x3B};
    EXPECT_EQ(Load(bytes).Error, GIFMessages::ImageTooLarge);
}

TEST(GIFReaderErrors, ManyLargeFramesShareOneBudget) {
    // 2000 × 2000 fits the budget once, not five times in a small file.
    Bytes bytes = Header(2000, 2000, 0x80) + ColorTable(2);
    for (int i = 0; i < 5; ++i) bytes = bytes + Descriptor(0, 0, 2000, 2000) + ImageData(2, {4, 1, 5});
    const Loaded l = Load(bytes + Bytes{0x3B});
    EXPECT_EQ(l.Error, GIFMessages::ImageTooLarge);
    const Loaded one = Load(Header(2000, 2000, 0x80) + ColorTable(2) + Descriptor(0, 0, 2000, 2000) +
                            ImageData(2, {4, 1, 5}) + Bytes{0x3B});
    EXPECT_EQ(one.Error, "");
    ASSERT_EQ(one.Image->Images.Count(), 1);
    EXPECT_EQ(one.Image->Images[0].DataSize(), 4000000);
}

TEST(GIFReaderErrors, HugeLogicalScreenAllocatesNothingAndLoads) {
    const Loaded l = Load(Header(65535, 65535, 0) + Bytes{0x3B});
    EXPECT_EQ(l.Error, "");
    EXPECT_EQ(l.Image->Width(), 65535);
}

TEST(GIFReaderErrors, MinimumCodeSizeOfTwelveFailsTheLoad) {
    const Bytes bytes = Screen + Descriptor(0, 0, 4, 2) + Bytes{12, 1, 0, 0, 0x3B};
    EXPECT_EQ(Load(bytes).Error, GIFMessages::UnsupportedCodeSize);
}

// ---- Warnings ----

TEST(GIFReaderWarnings, ShortGraphicControlBlockKeepsWhatCame) {
    const Loaded l = Load(Screen + Bytes{0x21, 0xF9, 4, 0x09, 7});
    EXPECT_EQ(l.Error, "");
    EXPECT_EQ(l.Warnings, Warnings{GIFMessages::PrematureEnd});
    ASSERT_EQ(l.Image->Images.Count(), 1);
    const auto* control = l.Image->Images[0].GraphicControlExtension();
    ASSERT_NE(control, nullptr);
    EXPECT_EQ(control->Disposal(), TGIFDisposal::RestoreBackground);
    EXPECT_EQ(control->Delay(), 7);
    EXPECT_TRUE(l.Image->Images[0].Empty());
}

TEST(GIFReaderWarnings, UnknownBlockTypeStopsTheFramesAndTheTrailerIsMissing) {
    const Loaded l = Load(Screen + Frame + Bytes{0x99} + Frame + Bytes{0x3B});
    EXPECT_EQ(l.Error, "");
    EXPECT_EQ(l.Warnings, (Warnings{GIFMessages::UnknownBlockType, GIFMessages::InvalidTrailer}));
    EXPECT_EQ(l.Image->Images.Count(), 1);
}

TEST(GIFReaderWarnings, StrayByteInAnExtensionRunIsAnInvalidIntroducer) {
    const Loaded l = Load(Screen + GraphicControl(0, 5, 0) + Bytes{0x77} + Bytes{0x3B});
    EXPECT_EQ(l.Warnings.front(), GIFMessages::InvalidExtensionIntroducer);
}

TEST(GIFReaderWarnings, FrameOfWidthZeroIsStretchedToTheLogicalScreen) {
    const Bytes bytes =
        Screen + Descriptor(0, 0, 0, 1) + ImageData(2, EncodeCodes(2, FramePixels)) + Bytes{0x3B};
    const Loaded l = Load(bytes);
    EXPECT_EQ(l.Warnings, Warnings{GIFMessages::ImageExceedsScreen});
    ASSERT_EQ(l.Image->Images.Count(), 1);
    EXPECT_EQ(l.Image->Images[0].Width(), 4);
    EXPECT_EQ(l.Image->Images[0].Height(), 2);
    EXPECT_EQ(PixelsOf(l.Image->Images[0]), FramePixels);
}

TEST(GIFReaderWarnings, DecoderWarningsReachTheWarningHandler) {
    Bytes cut = Screen + Descriptor(0, 0, 4, 2) + Bytes{2, 100, 0x4C};
    EXPECT_EQ(Load(cut).Warnings, Warnings{GIFMessages::PrematureEnd});
    const Bytes noEnd = Screen + Descriptor(0, 0, 4, 2) + ImageData(2, {4, 1, 2}) + Bytes{0x3B};
    EXPECT_EQ(Load(noEnd).Warnings,
              (Warnings{GIFMessages::BitBufferUnderrun, GIFMessages::BitBufferUnderrun}));
}

// ---- The stream layout ----

TEST(GIFReaderLayout, WellFormedStreamLoadsWithoutWarnings) {
    const Bytes bytes = Screen + Frame + Bytes{0x3B};
    const Loaded l = Load(bytes);
    EXPECT_EQ(l.Error, "");
    EXPECT_TRUE(l.Warnings.empty());
    EXPECT_EQ(l.EndPosition, static_cast<int64_t>(bytes.size()));
    EXPECT_EQ(l.Image->Width(), 4);
    EXPECT_EQ(l.Image->Height(), 2);
    EXPECT_EQ(l.Image->Header.ColorMap.Count(), 4);
    ASSERT_EQ(l.Image->Images.Count(), 1);
    EXPECT_EQ(PixelsOf(l.Image->Images[0]), FramePixels);
}

TEST(GIFReaderLayout, LengthPrefixInFrontOfTheSignatureIsPassedOver) {
    const Loaded l = Load(Bytes{0x2A, 0, 0, 0} + Screen + Frame + Bytes{0x3B});
    EXPECT_EQ(l.Error, "");
    EXPECT_TRUE(l.Warnings.empty());
    ASSERT_EQ(l.Image->Images.Count(), 1);
    EXPECT_EQ(PixelsOf(l.Image->Images[0]), FramePixels);
}

TEST(GIFReaderLayout, LowerCaseSignatureAndAnyVersionAreAccepted) {
    Bytes lower = Screen;
    std::copy_n("gif12z", 6, lower.begin());
    const Loaded l = Load(lower + Frame + Bytes{0x3B});
    EXPECT_EQ(l.Error, "");
    EXPECT_EQ(l.Image->Images.Count(), 1);
}

TEST(GIFReaderLayout, NoGlobalTableLeavesItEmptyAndFramesUseTheirOwn) {
    const Bytes bytes = Header(4, 2, 0) + Descriptor(0, 0, 4, 2, 0x81) + ColorTable(4) +
                        ImageData(2, EncodeCodes(2, FramePixels)) + Bytes{0x3B};
    const Loaded l = Load(bytes);
    EXPECT_TRUE(l.Warnings.empty());
    EXPECT_EQ(l.Image->Header.ColorMap.Count(), 0);
    ASSERT_EQ(l.Image->Images.Count(), 1);
    EXPECT_EQ(l.Image->Images[0].ColorMap.Count(), 4);
    EXPECT_EQ(&l.Image->Images[0].ActiveColorMap(), &l.Image->Images[0].ColorMap);
}

TEST(GIFReaderLayout, ZeroBytesBetweenBlocksArePassedOver) {
    const Bytes bytes = Screen + Bytes{0, 0} + GraphicControl(0x01, 3, 2) + Bytes{0, 0, 0} + Frame +
                        Bytes{0, 0} + Frame + Bytes{0, 0x3B};
    const Loaded l = Load(bytes);
    EXPECT_TRUE(l.Warnings.empty());
    ASSERT_EQ(l.Image->Images.Count(), 2);
    // The graphic control stays with the image descriptor after the zeros.
    const auto* control = l.Image->Images[0].GraphicControlExtension();
    ASSERT_NE(control, nullptr);
    EXPECT_EQ(control->Delay(), 3);
    EXPECT_TRUE(l.Image->Images[0].Transparent());
    EXPECT_FALSE(l.Image->Images[0].Empty());
}

TEST(GIFReaderLayout, StreamWithoutTrailerLoadsWithoutWarning) {
    const Loaded l = Load(Screen + Frame);
    EXPECT_EQ(l.Error, "");
    EXPECT_TRUE(l.Warnings.empty());
    EXPECT_EQ(l.Image->Images.Count(), 1);
}

TEST(GIFReaderLayout, TrailingCommentFormsALastEmptyFrame) {
    const Loaded l = Load(Screen + Frame + Comment("made by hand") + Bytes{0x3B});
    EXPECT_TRUE(l.Warnings.empty());
    ASSERT_EQ(l.Image->Images.Count(), 2);
    TGIFSubImage& last = l.Image->Images[1];
    EXPECT_TRUE(last.Empty());
    ASSERT_EQ(last.Extensions.Count(), 1);
    auto* comment = FindExtension<TGIFCommentExtension>(last);
    ASSERT_NE(comment, nullptr);
    EXPECT_EQ(comment->Text, std::vector<std::string>{"made by hand"});
}

TEST(GIFReaderLayout, LoopingExtensionWithLoopCountTwo) {
    const Loaded l = Load(Screen + LoopExtension("NETSCAPE2.0", 2) + Frame + Bytes{0x3B});
    EXPECT_TRUE(l.Warnings.empty());
    auto* loop = FindExtension<TGIFAppExtNSLoop>(l.Image->Images[0]);
    ASSERT_NE(loop, nullptr);
    EXPECT_EQ(loop->Loops, 2);
    EXPECT_EQ(loop->IdentifierText(), "NETSCAPE2.0");
}

TEST(GIFReaderLayout, AnimExtsIsALoopingExtensionToo) {
    const Loaded l = Load(Screen + LoopExtension("ANIMEXTS1.0", 7) + Frame + Bytes{0x3B});
    auto* loop = FindExtension<TGIFAppExtNSLoop>(l.Image->Images[0]);
    ASSERT_NE(loop, nullptr);
    EXPECT_EQ(loop->Loops, 7);
    EXPECT_EQ(loop->IdentifierText(), "ANIMEXTS1.0");
}

TEST(GIFReaderLayout, LoopSubBlockIdentifierComparesItsLowThreeBits) {
    Bytes ext = LoopExtension("NETSCAPE2.0", 0);
    ext[ext.size() - 4] = 0x09; // identifier byte of the sub-block
    ext[ext.size() - 3] = 5;
    const Bytes buffer{0x21, 0xFF, 11,   'N',  'E',  'T', 'S', 'C', 'A', 'P',  'E', '2', '.',
                       '0',  6,    0x0A, 0x10, 0x20, 0,   0,   9,   3,   0x07, 1,   2,   0};
    const Loaded l = Load(Screen + ext + buffer + Frame + Bytes{0x3B});
    EXPECT_TRUE(l.Warnings.empty());
    TGIFSubImage& frame = l.Image->Images[0];
    ASSERT_EQ(frame.Extensions.Count(), 2);
    EXPECT_EQ(dynamic_cast<TGIFAppExtNSLoop&>(frame.Extensions[0]).Loops, 5);
    EXPECT_EQ(dynamic_cast<TGIFAppExtNSLoop&>(frame.Extensions[1]).BufferSize, 0x2010u);
}

TEST(GIFReaderLayout, UnregisteredApplicationKeepsItsBlocks) {
    const Bytes ext{0x21, 0xFF, 11,  'T', 'U', 'L', 'V', 'A', 'V', 'E', 'S',
                    '1',  '.',  '0', 3,   'a', 'b', 'c', 1,   'd', 0};
    const Loaded l = Load(Screen + ext + Frame + Bytes{0x3B});
    EXPECT_TRUE(l.Warnings.empty());
    auto* unknown = FindExtension<TGIFUnknownAppExtension>(l.Image->Images[0]);
    ASSERT_NE(unknown, nullptr);
    EXPECT_EQ(unknown->IdentifierText(), "TULVAVES1.0");
    ASSERT_EQ(unknown->Blocks.size(), 2u);
    EXPECT_EQ(unknown->Blocks[0].Data, (Bytes{'a', 'b', 'c'}));
    EXPECT_EQ(unknown->Blocks[1].Data, (Bytes{'d'}));
    EXPECT_EQ(PixelsOf(l.Image->Images[0]), FramePixels);
}

TEST(GIFReaderLayout, ApplicationBlockOfTenBytesIsKeptAsUnknown) {
    const Bytes ext{0x21, 0xFF, 10, 'A', 'B', 'C', 'D', 'E', 'F', 'G', 'H', '1', '2', 1, 'z', 0};
    const Loaded l = Load(Screen + ext + Frame + Bytes{0x3B});
    auto* unknown = FindExtension<TGIFUnknownAppExtension>(l.Image->Images[0]);
    ASSERT_NE(unknown, nullptr);
    EXPECT_EQ(unknown->IdentifierText(), std::string("ABCDEFGH12\0", 11));
    ASSERT_EQ(unknown->Blocks.size(), 1u);
}

TEST(GIFReaderLayout, ApplicationBlockOfTwelveBytesOrMoreIsKeptAsUnknown) {
    Bytes ext{0x21, 0xFF, 14};
    for (const char c : std::string("NETSCAPE2.0xyz")) ext.push_back(static_cast<uint8_t>(c));
    ext = ext + Bytes{3, 1, 4, 0, 0};
    const Loaded l = Load(Screen + ext + Frame + Bytes{0x3B});
    EXPECT_EQ(l.Error, "");
    EXPECT_TRUE(l.Warnings.empty());
    auto* unknown = FindExtension<TGIFUnknownAppExtension>(l.Image->Images[0]);
    ASSERT_NE(unknown, nullptr);
    EXPECT_EQ(unknown->IdentifierText(), "NETSCAPE2.0");
    EXPECT_EQ(PixelsOf(l.Image->Images[0]), FramePixels);
}

TEST(GIFReaderLayout, NewestRegistrationOfAnIdentifierWins) {
    AddAppIdentClass(AppIdentifier("NETSCAPE2.0"), TGIFUnknownAppExtension::ClassInfo());
    const Loaded l = Load(Screen + LoopExtension("NETSCAPE2.0", 2) + Frame + Bytes{0x3B});
    FreeExtensionRegistries();
    EXPECT_EQ(FindExtension<TGIFAppExtNSLoop>(l.Image->Images[0]), nullptr);
    EXPECT_NE(FindExtension<TGIFUnknownAppExtension>(l.Image->Images[0]), nullptr);
}

TEST(GIFReaderLayout, TextExtensionKeepsItsGridAndLines) {
    Bytes text{0x21, 0x01, 12, 1, 0, 2, 0, 30, 0, 8, 0, 6, 8, 3, 1};
    text = text + SubBlocks(Bytes{'h', 'i'}, 1);
    const Loaded l = Load(Screen + text + Frame + Bytes{0x3B});
    auto* ext = FindExtension<TGIFTextExtension>(l.Image->Images[0]);
    ASSERT_NE(ext, nullptr);
    EXPECT_EQ(ext->GridLeft(), 1);
    EXPECT_EQ(ext->GridWidth(), 30);
    EXPECT_EQ(ext->CellHeight(), 8);
    EXPECT_EQ(ext->ForegroundColorIndex(), 3);
    EXPECT_EQ(ext->Text, (std::vector<std::string>{"h", "i"}));
}

TEST(GIFReaderLayout, ExtensionBlocksOfAnotherSizeAreReadByTheirSizeAndWrittenBackAsRead) {
    // A text block of 3 bytes, graphic control blocks of 0 and 2: each must
    // leave the image descriptor after it to its frame, and the copy must
    // read back as the file did.
    const Bytes text = Bytes{0x21, 0x01, 3, 5, 6, 7} + SubBlocks(Bytes{'h', 'i'});
    const Bytes emptyControl{0x21, 0xF9, 0, 0};
    const Bytes shortControl{0x21, 0xF9, 2, 0x05, 9, 0};
    const Bytes bytes = Screen + text + emptyControl + Frame + shortControl + Frame + Bytes{0x3B};
    const Loaded l = Load(bytes);
    EXPECT_EQ(l.Error, "");
    EXPECT_TRUE(l.Warnings.empty());
    ASSERT_EQ(l.Image->Images.Count(), 2);
    auto* ext = FindExtension<TGIFTextExtension>(l.Image->Images[0]);
    ASSERT_NE(ext, nullptr);
    EXPECT_EQ(ext->GridLeft(), 5 | 6 << 8);
    EXPECT_EQ(ext->GridWidth(), 0);
    EXPECT_EQ(ext->Text, std::vector<std::string>{"hi"});
    const auto* control = l.Image->Images[1].GraphicControlExtension();
    ASSERT_NE(control, nullptr);
    EXPECT_TRUE(l.Image->Images[1].Transparent());
    EXPECT_EQ(control->Delay(), 9);
    for (int i = 0; i < 2; ++i) EXPECT_EQ(PixelsOf(l.Image->Images[i]), FramePixels);

    TMemoryStream copy;
    l.Image->SaveToStream(copy);
    const Bytes written = copy.Memory();
    for (const Bytes* block : {&text, &emptyControl, &shortControl})
        EXPECT_NE(std::search(written.begin(), written.end(), block->begin(), block->end()), written.end());
    const Loaded again = Load(written);
    EXPECT_EQ(again.Error, "");
    ASSERT_EQ(again.Image->Images.Count(), 2);
    EXPECT_EQ(FindExtension<TGIFTextExtension>(again.Image->Images[0])->Bytes(), ext->Bytes());
    EXPECT_EQ(again.Image->Images[1].GraphicControlExtension()->Bytes(), control->Bytes());
    for (int i = 0; i < 2; ++i) EXPECT_EQ(PixelsOf(again.Image->Images[i]), FramePixels);
}

TEST(GIFReaderLayout, TransparentFrameEndingEarlyKeepsTheTransparentIndex) {
    // Seven codes fill exactly three bytes: no padding bits to misread.
    const Bytes bytes = Screen + GraphicControl(0x01, 0, 3) + Descriptor(0, 0, 4, 2) +
                        ImageData(2, {4, 1, 2, 1, 2, 1, 2}) + Bytes{0x3B};
    const Loaded l = Load(bytes);
    EXPECT_EQ(PixelsOf(l.Image->Images[0]), (Bytes{1, 2, 1, 2, 1, 2, 3, 3}));
    EXPECT_EQ(l.Warnings, (Warnings{GIFMessages::BitBufferUnderrun, GIFMessages::BitBufferUnderrun}));
}

TEST(GIFReaderLayout, InterlacedFrameIsReadInRowOrder) {
    const Bytes pixels{0, 0, 1, 1, 2, 2, 3, 3, 0, 1};
    Bytes stored; // rows in the interlaced order 0, 4, 2, 1, 3
    for (const int row : InterlacedRows(5))
        stored.insert(stored.end(), pixels.begin() + row * 2, pixels.begin() + row * 2 + 2);
    const Bytes bytes = Header(2, 5, 0x81) + ColorTable(4) + Descriptor(0, 0, 2, 5, 0x40) +
                        ImageData(2, EncodeCodes(2, stored)) + Bytes{0x3B};
    const Loaded l = Load(bytes);
    EXPECT_TRUE(l.Image->Images[0].Interlaced());
    EXPECT_EQ(PixelsOf(l.Image->Images[0]), pixels);
}

TEST(GIFReaderLayout, ProgressReportsLoadingFromStartToEnd) {
    TGIFImage image;
    std::vector<std::tuple<TProgressStage, int, bool>> reports;
    image.OnProgress = [&](TGraphic&, TProgressStage stage, int percent, bool redraw, const TRect& rect,
                           const std::string& message) {
        EXPECT_EQ(message, "Loading...");
        EXPECT_TRUE(rect.IsEmpty());
        reports.emplace_back(stage, percent, redraw);
    };
    const Bytes bytes = Screen + Frame + Frame + Bytes{0x3B};
    TBorrowedMemoryStream stream(bytes.data(), static_cast<int64_t>(bytes.size()));
    image.LoadFromStream(stream);
    ASSERT_EQ(reports.size(), 4u);
    EXPECT_EQ(reports[0], std::make_tuple(TProgressStage::Starting, 0, false));
    EXPECT_EQ(std::get<0>(reports[1]), TProgressStage::Running);
    EXPECT_FALSE(std::get<2>(reports[1]));
    EXPECT_LT(std::get<1>(reports[1]), std::get<1>(reports[2]));
    EXPECT_EQ(reports[3], std::make_tuple(TProgressStage::Ending, 100, true));

    reports.clear();
    const Bytes bad{'n', 'o', 't', 'a', 'g', 'i', 'f', '!', '!', '!', '!', '!'};
    TBorrowedMemoryStream badStream(bad.data(), static_cast<int64_t>(bad.size()));
    EXPECT_THROW(image.LoadFromStream(badStream), GIFException);
    EXPECT_EQ(reports.back(), std::make_tuple(TProgressStage::Ending, 0, true));
}

TEST(GIFReaderLayout, RenderOnLoadBuildsBitmapsAndAsksForRedraws) {
    RenderOnLoad = true;
    TGIFImage image;
    bool redrawAsked = false;
    image.OnProgress = [&](TGraphic&, TProgressStage stage, int, bool redraw, const TRect&,
                           const std::string&) {
        if (stage == TProgressStage::Running) redrawAsked = redraw;
    };
    const Bytes bytes = Screen + Frame + Bytes{0x3B};
    TBorrowedMemoryStream stream(bytes.data(), static_cast<int64_t>(bytes.size()));
    image.LoadFromStream(stream);
    RenderOnLoad = false;
    EXPECT_TRUE(redrawAsked);
    EXPECT_TRUE(image.Images[0].HasBitmap());
}

TEST(GIFReaderLayout, LoadingReplacesThePreviousContent) {
    const Loaded l = Load(Screen + Frame + Frame + Bytes{0x3B});
    const Bytes second = Header(3, 1, 0x80) + ColorTable(2) + Descriptor(0, 0, 3, 1) +
                         ImageData(2, EncodeCodes(2, Bytes{1, 0, 1})) + Bytes{0x3B};
    TBorrowedMemoryStream stream(second.data(), static_cast<int64_t>(second.size()));
    l.Image->LoadFromStream(stream);
    EXPECT_EQ(l.Image->Images.Count(), 1);
    EXPECT_EQ(l.Image->Width(), 3);
    EXPECT_EQ(l.Image->Header.ColorMap.Count(), 2);
}

// Every file that a fuzz run once found faulty gets an answer, not a fault.
TEST(GIFReaderLayout, FuzzRegressionFilesLoadOrFailCleanly) {
    const std::filesystem::path folder = std::filesystem::path(TV_TEST_DATA) / "gif" / "fuzz-regressions";
    if (!std::filesystem::exists(folder)) GTEST_SKIP() << "no regression files";
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        TMemoryStream stream;
        stream.LoadFromFile(entry.path().string());
        TGIFImage image;
        try {
            image.LoadFromStream(stream);
        } catch (const Exception&) {
            EXPECT_EQ(stream.Position(), 0) << entry.path();
        }
    }
}

// ---- Frames decoded on several threads ----

namespace {

// Loads on threads threads, the pool starting with the first frame, reading
// ahead at most aheadBytes and aheadFrames; restores the settings afterwards.
struct DecodeSettings {
    DecodeSettings(int threads, int64_t minBudget, int64_t aheadBytes, int aheadFrames)
        : Threads(DecodeThreads), Start(ParallelDecodeMinFrames), AheadFrames(MaxDecodeAheadFrames),
          StartPixels(ParallelDecodeMinPixels), Budget(MinPixelBudget), Ahead(MaxDecodeAheadBytes) {
        DecodeThreads = threads;
        ParallelDecodeMinFrames = 1;
        ParallelDecodeMinPixels = 0;
        MinPixelBudget = minBudget;
        MaxDecodeAheadBytes = aheadBytes;
        MaxDecodeAheadFrames = aheadFrames;
    }
    ~DecodeSettings() {
        DecodeThreads = Threads;
        ParallelDecodeMinFrames = Start;
        ParallelDecodeMinPixels = StartPixels;
        MinPixelBudget = Budget;
        MaxDecodeAheadBytes = Ahead;
        MaxDecodeAheadFrames = AheadFrames;
    }
    int Threads, Start, AheadFrames;
    int64_t StartPixels, Budget, Ahead;
};

// A stream that keeps its bytes elsewhere, as a file does: reading ahead
// copies them.
class TLendingNothing : public TBorrowedMemoryStream {
public:
    using TBorrowedMemoryStream::TBorrowedMemoryStream;
    const uint8_t* Lend(int64_t& count) override { return TStream::Lend(count); }
};

// All a caller sees of a load, in order: each warning and progress report
// with the number of frames the image had then, the error, the frames with
// their pixels.
std::vector<std::string> Transcript(const Bytes& bytes, int threads, int64_t minBudget = MinPixelBudget,
                                    int64_t aheadBytes = MaxDecodeAheadBytes,
                                    int aheadFrames = MaxDecodeAheadFrames, bool lends = true) {
    const DecodeSettings settings(threads, minBudget, aheadBytes, aheadFrames);
    TGIFImage image;
    std::vector<std::string> seen;
    const auto frames = [&] { return " with " + std::to_string(image.Images.Count()) + " frames"; };
    image.WarningHandler = [&](TGIFImage&, TGIFSeverity, const std::string& message) {
        seen.push_back("warning " + message + frames());
    };
    image.OnProgress = [&](TGraphic&, TProgressStage stage, int percent, bool redraw, const TRect&,
                           const std::string& message) {
        seen.push_back("progress " + message + " " + std::to_string(static_cast<int>(stage)) + " " +
                       std::to_string(percent) + (redraw ? " redraw" : "") + frames());
    };
    TBorrowedMemoryStream lending(bytes.data(), static_cast<int64_t>(bytes.size()));
    TLendingNothing copied(bytes.data(), static_cast<int64_t>(bytes.size()));
    TStream& stream = lends ? static_cast<TStream&>(lending) : copied;
    seen.push_back("error " + ErrorOf([&] { image.LoadFromStream(stream); }));
    seen.push_back("at " + std::to_string(stream.Position()));
    std::vector<uint8_t> fillRow;
    for (const auto& frame : image.Images) {
        std::string pixels;
        for (int y = 0; y < frame->Height() && frame->DataSize() > 0; ++y)
            pixels.append(reinterpret_cast<const char*>(frame->ReadRow(y, fillRow)), frame->Width());
        seen.push_back(std::to_string(frame->Width()) + "x" + std::to_string(frame->Height()) +
                       (frame->HasPixelBuffer() ? " buffer " : " fill ") + pixels);
    }
    return seen;
}

// Sixteen frames of every kind: sizes, interlacing, local tables,
// transparency; one stretched to the screen (a warning of the reader), one
// whose data stops without an end code (warnings of the decoder), one that
// decodes no pixel. bad: a frame whose data fails, followed by more frames.
Bytes ManyFrames(int bad = -1) {
    std::mt19937 random(5);
    Bytes bytes = Header(40, 30, 0x83) + ColorTable(16) + LoopExtension("NETSCAPE2.0", 0);
    for (int i = 0; i < 16; ++i) {
        const int width = 3 + i * 2, height = 2 + (i * 5) % 27;
        Bytes pixels(static_cast<size_t>(width) * height);
        for (auto& p : pixels) p = static_cast<uint8_t>(random() % (i % 2 ? 16 : 4));
        if (i % 5 == 1) bytes = bytes + GraphicControl(0x01, 4, 2);
        if (i == 6) bytes = bytes + Comment("between");
        const uint8_t packed = static_cast<uint8_t>((i % 3 == 2 ? 0x40 : 0) | (i % 4 == 3 ? 0x83 : 0));
        bytes = bytes + Descriptor(i % 7, i % 3, i == 4 ? 0 : width, height, packed);
        if (packed & 0x80) bytes = bytes + ColorTable(16);
        std::vector<int> codes = EncodeCodes(4, i == 4 ? Bytes(40 * height, 1) : pixels);
        if (i == 8) codes.resize(codes.size() / 2);
        if (i == 11) codes = {16, 17};
        if (i == bad) codes = {16, 1, 2, 30, 3, 17};
        bytes = bytes + ImageData(4, codes, 17 + i);
    }
    return bytes + Bytes{0x3B};
}

} // namespace

// Frames of 200 × 200 from a few bytes each, some decoding no pixel: with a
// small budget, whether a frame fits depends on the frames before it, and
// the seventh fails.
Bytes BudgetFrames() {
    Bytes bytes = Header(200, 200, 0x80) + ColorTable(2);
    for (int i = 0; i < 12; ++i)
        bytes = bytes + Descriptor(0, 0, 200, 200) +
                ImageData(2, i % 3 == 1 ? std::vector<int>{4, 5} : std::vector<int>{4, 1, 5});
    return bytes + Bytes{0x3B};
}

std::string ErrorIn(const std::vector<std::string>& transcript) {
    for (const auto& line : transcript)
        if (line.rfind("error ", 0) == 0) return line.substr(6);
    return "none";
}

TEST(GIFReaderThreads, LoadShowsWhatALoadOnOneThreadShows) {
    std::vector<Bytes> streams{ManyFrames(), ManyFrames(9)};
    // Cut inside the fourteenth frame: the reader's own error.
    const Bytes whole = ManyFrames();
    streams.emplace_back(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(whole.size() * 4 / 5));
    for (const TestFile& file : TestSetFiles()) streams.push_back(file.Data);
    const std::filesystem::path folder = std::filesystem::path(TV_TEST_DATA) / "gif" / "fuzz-regressions";
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        TMemoryStream file;
        file.LoadFromFile(entry.path().string());
        streams.push_back(file.Memory());
    }
    for (size_t i = 0; i < streams.size(); ++i)
        EXPECT_EQ(Transcript(streams[i], 3), Transcript(streams[i], 1)) << "stream " << i;
    EXPECT_EQ(ErrorIn(Transcript(streams[0], 1)), "");
    EXPECT_EQ(ErrorIn(Transcript(streams[1], 1)), GIFMessages::CodeOutOfRange);
    EXPECT_EQ(ErrorIn(Transcript(streams[2], 1)), GIFMessages::PrematureEnd);

    // Rendering on load reports between the frames.
    RenderOnLoad = true;
    for (size_t i = 0; i < 2; ++i)
        EXPECT_EQ(Transcript(streams[i], 3), Transcript(streams[i], 1)) << "rendering " << i;
    RenderOnLoad = false;
    // Reading ahead little: larger frames are decoded from the stream, the
    // others while few wait.
    for (size_t i = 0; i < 3; ++i)
        EXPECT_EQ(Transcript(streams[i], 3, MinPixelBudget, 150), Transcript(streams[i], 1)) << "ahead " << i;
    // Reading ahead two frames: the places of the frames in flight are used
    // again and again. From a stream that lends no bytes: they are copied.
    for (size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(Transcript(streams[i], 2, MinPixelBudget, MaxDecodeAheadBytes, 2),
                  Transcript(streams[i], 1))
            << "two ahead " << i;
        EXPECT_EQ(Transcript(streams[i], 2, MinPixelBudget, MaxDecodeAheadBytes, MaxDecodeAheadFrames, false),
                  Transcript(streams[i], 1))
            << "copied " << i;
    }

    const auto budget = Transcript(BudgetFrames(), 1, 50000);
    EXPECT_EQ(ErrorIn(budget), GIFMessages::ImageTooLarge);
    EXPECT_EQ(Transcript(BudgetFrames(), 3, 50000), budget);
}

// Large frames, which a thread with nothing else to do (or with fewer pixels
// to take, behind a first full frame) helps to decode from a clear code on:
// whichever thread decodes which part, and wherever the data goes wrong, a
// load shows what a load on one thread shows.
TEST(GIFReaderThreads, LargeFramesSharedByTwoThreadsLoadAsOnOneThread) {
    std::mt19937 random(11);
    const int width = 640, height = 400;
    Bytes pixels(static_cast<size_t>(width) * height);
    for (auto& p : pixels) p = static_cast<uint8_t>(random() % 16);
    const std::vector<int> codes = EncodeCodes(4, pixels);
    std::vector<int> late = codes, early = codes;
    late[codes.size() * 4 / 5] = 4000; // out of range where a helper decodes
    early[codes.size() / 5] = 4000;    // before any helper's part
    const Bytes screen = Header(width, height, 0x83) + ColorTable(16);
    const Bytes frame = Descriptor(0, 0, width, height);
    const Bytes whole = screen + frame + ImageData(4, codes) + frame + ImageData(4, codes) + Bytes{0x3B};
    Bytes smallFrames;
    for (int i = 0; i < 9; ++i)
        smallFrames =
            smallFrames + Descriptor(i * 8, 0, 40, 30) +
            ImageData(4, EncodeCodes(4, Bytes(pixels.begin() + i * 1200, pixels.begin() + (i + 1) * 1200)));
    const std::vector<Bytes> streams{
        whole,
        screen + Descriptor(0, 0, width, height, 0x40) + ImageData(4, codes) + Bytes{0x3B}, // interlaced
        screen + frame + ImageData(4, late) + Bytes{0x3B},
        screen + frame + ImageData(4, early) + Bytes{0x3B},
        Bytes(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(whole.size() * 9 / 10)),
        screen + frame + ImageData(4, codes) + smallFrames + Bytes{0x3B},
        screen + frame + ImageData(4, late) + smallFrames + Bytes{0x3B},
    };
    for (size_t i = 0; i < streams.size(); ++i) {
        const auto one = Transcript(streams[i], 1);
        for (int load = 0; load < 10; ++load) EXPECT_EQ(Transcript(streams[i], 2), one) << "stream " << i;
    }
    EXPECT_EQ(ErrorIn(Transcript(streams[2], 1)), GIFMessages::CodeOutOfRange);
}
