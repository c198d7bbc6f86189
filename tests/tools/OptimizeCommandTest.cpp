// tvgif optimize as a user runs it: exit codes, messages, and a result that
// is never larger than the input.

#include "GIFGraphicControlExtension.h"
#include "GIFTestImages.h"
#include "GIFTestStreams.h"

#include <QProcess>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <set>

namespace {

struct TvgifRun {
    int Code = -1;
    std::string Out;
    std::string Err;
};

TvgifRun Tvgif(const QStringList& arguments) {
    QProcess process;
    process.start(QStringLiteral(TVGIF_PATH), arguments);
    process.waitForFinished(120000);
    return {process.exitCode(), process.readAllStandardOutput().toStdString(),
            process.readAllStandardError().toStdString()};
}

std::filesystem::path TempFile(const std::string& name) {
    return std::filesystem::temp_directory_path() / ("tvgif-optimize-test-" + name);
}

void WriteBytes(const std::filesystem::path& path, const Bytes& bytes) {
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

Bytes ReadBytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), {});
}

QString Q(const std::filesystem::path& path) {
    return QString::fromStdString(path.string());
}

} // namespace

TEST(TvgifOptimize, AFileThatWouldGrowIsWrittenAsItWas) {
    // Image data without the leading clear code and no trailer: tighter than
    // any writer that follows the format makes it.
    std::vector<int> codes = EncodeCodes(2, Bytes{0, 1, 0, 1, 1, 0, 1, 0});
    codes.erase(codes.begin());
    const Bytes input = Header(4, 2, 0x80) + ColorTable(2) + Descriptor(0, 0, 4, 2) + ImageData(2, codes);
    const auto in = TempFile("grow-in.gif");
    const auto out = TempFile("grow-out.gif");
    WriteBytes(in, input);
    const TvgifRun run = Tvgif({"optimize", Q(in), Q(out)});
    EXPECT_EQ(run.Code, 0) << run.Err;
    EXPECT_EQ(ReadBytes(out), input);
    EXPECT_NE(run.Err.find("wrote it unchanged"), std::string::npos) << run.Err;
    std::filesystem::remove(in);
    std::filesystem::remove(out);
}

TEST(TvgifOptimize, ShrinksAnAnimationWithoutAProgressBarOffATerminal) {
    const std::filesystem::path in = TV_TEST_DATA "/gif/optimize/sprite-full.gif";
    const auto out = TempFile("sprite.gif");
    for (const QStringList& options :
         {QStringList{}, QStringList{"--best"}, QStringList{"--crop", "--merge"}}) {
        const TvgifRun run = Tvgif(QStringList{"optimize", Q(in)} + options + QStringList{Q(out)});
        EXPECT_EQ(run.Code, 0) << run.Err;
        EXPECT_EQ(run.Err, "");
        EXPECT_LT(std::filesystem::file_size(out) * 2, std::filesystem::file_size(in));
    }
    std::filesystem::remove(out);
}

TEST(TvgifOptimize, UsageAndFileErrors) {
    EXPECT_EQ(Tvgif({"optimize", "only-one.gif"}).Code, 2);
    EXPECT_EQ(Tvgif({"optimize", "a.gif", "b.gif", "--fast"}).Code, 2);
    EXPECT_EQ(Tvgif({"optimize", "--help"}).Code, 0);
    const auto missing = TempFile("missing.gif");
    const TvgifRun run = Tvgif({"optimize", Q(missing), Q(TempFile("never.gif"))});
    EXPECT_EQ(run.Code, 1);
    EXPECT_NE(run.Err.find(missing.string()), std::string::npos) << run.Err;
    EXPECT_FALSE(std::filesystem::exists(TempFile("never.gif")));
}

TEST(TvgifOptimize, ColorsLeavesEveryTableThatSmallAndTheTimingAsItWas) {
    // One animation with transparency over a global table of 32 colours,
    // one without; with a dither, a fixed palette and the default method.
    struct Case {
        const char* File;
        QStringList Options;
        int Colors;
    };
    for (const Case& c : {Case{"sprite-gifsicle-O3.gif", {"--colors", "4", "--dither", "1"}, 4},
                          Case{"sprite-full.gif", {"--colors", "5", "--method", "6"}, 5},
                          Case{"sprite-full.gif", {"--colors", "2"}, 2}}) {
        SCOPED_TRACE(c.File + (" " + c.Options.join(' ').toStdString()));
        const std::filesystem::path in = std::string(TV_TEST_DATA "/gif/optimize/") + c.File;
        const auto out = TempFile("colors.gif");
        const TvgifRun run = Tvgif(QStringList{"optimize", Q(in), Q(out)} + c.Options);
        ASSERT_EQ(run.Code, 0) << run.Err;
        TGIFImage before, after;
        Load(before, ReadBytes(in));
        Load(after, ReadBytes(out));
        // The files store tables of 2^n entries; the pixels show no more
        // colours than asked for (these inputs use one table throughout).
        std::set<uint32_t> shown;
        for (int i = 0; i < after.Images.Count(); ++i) {
            TGIFSubImage& frame = after.Images[i];
            const auto* control = frame.GraphicControlExtension();
            const int t = frame.Transparent() ? control->TransparentColorIndex() : -1;
            for (int64_t p = 0; p < frame.DataSize(); ++p)
                if (frame.Data()[p] != t) {
                    const TPaletteEntry e = frame.ActiveColorMap().Entry(frame.Data()[p]);
                    shown.insert(uint32_t{e.Red} << 16 | uint32_t{e.Green} << 8 | e.Blue);
                }
        }
        EXPECT_LE(static_cast<int>(shown.size()), c.Colors);
        EXPECT_GE(static_cast<int>(shown.size()), 2);
        auto duration = [](TGIFImage& image) {
            int hundredths = 0;
            for (int i = 0; i < image.Images.Count(); ++i)
                if (const auto* control = image.Images[i].GraphicControlExtension())
                    hundredths += control->Delay();
            return hundredths;
        };
        EXPECT_EQ(duration(after), duration(before));
        EXPECT_GT(after.Images.Count(), 1);
        std::filesystem::remove(out);
    }
    EXPECT_EQ(Tvgif({"optimize", "a.gif", "b.gif", "--colors", "1"}).Code, 2);
    EXPECT_EQ(Tvgif({"optimize", "a.gif", "b.gif", "--dither", "1"}).Code, 2);
}
