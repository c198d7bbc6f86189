// tvgif run as a process: help and version, usage errors (exit 2), file
// errors naming the file (exit 1), options in any position, and running out
// of memory ending with a message rather than an abort.

#include "GIFTestStreams.h"

#include <QImage>
#include <gtest/gtest.h>

#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

struct Outcome {
    int ExitCode = -1; // -1: ended by a signal
    std::string Out;
    std::string Err;
};

std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

const std::filesystem::path Dir =
    std::filesystem::temp_directory_path() / ("tvgif-test-" + std::to_string(getpid()));

// Removes the folder when the test program ends (the children of RunTvgif
// leave through execv or _exit and do not get here).
struct RemoveDirAtExit {
    ~RemoveDirAtExit() {
        std::error_code error;
        std::filesystem::remove_all(Dir, error);
    }
} removeDirAtExit;

// Runs tvgif with args; with addressSpaceMegabytes above 0 the process may
// map no more than that.
Outcome RunTvgif(const std::vector<std::string>& args, long addressSpaceMegabytes = 0) {
    std::filesystem::create_directories(Dir);
    const std::string out = (Dir / "stdout").string(), err = (Dir / "stderr").string();
    const pid_t pid = fork();
    if (pid == 0) {
        const int o = open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        const int e = open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        dup2(o, 1);
        dup2(e, 2);
        if (addressSpaceMegabytes > 0) {
            const rlim_t limit = static_cast<rlim_t>(addressSpaceMegabytes) * 1024 * 1024;
            const rlimit rl{limit, limit};
            setrlimit(RLIMIT_AS, &rl);
        }
        std::vector<char*> argv{const_cast<char*>(TVGIF_PATH)};
        for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        execv(TVGIF_PATH, argv.data());
        _exit(127);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    Outcome outcome;
    outcome.ExitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    outcome.Out = ReadAll(out);
    outcome.Err = ReadAll(err);
    return outcome;
}

std::string WriteFile(const std::string& name, const Bytes& bytes) {
    std::filesystem::create_directories(Dir);
    const std::string path = (Dir / name).string();
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return path;
}

const Bytes Small = SimpleGif(4, 2, Bytes{0, 1, 2, 3, 3, 2, 1, 0});

} // namespace

TEST(Tvgif, HelpAndVersionSucceed) {
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"--help"}, {"info", "--help"}, {"copy", "--help"}, {"bench", "--help"}}) {
        const Outcome o = RunTvgif(args);
        EXPECT_EQ(o.ExitCode, 0) << args[0];
        EXPECT_NE(o.Out.find("Usage"), std::string::npos) << args[0];
    }
    const Outcome version = RunTvgif({"--version"});
    EXPECT_EQ(version.ExitCode, 0);
    EXPECT_EQ(version.Out.rfind("tvgif ", 0), 0u);
}

TEST(Tvgif, UsageErrorsExitWithTwoAndAMessage) {
    const std::string file = WriteFile("small.gif", Small);
    for (const std::vector<std::string>& args : {std::vector<std::string>{},
                                                 {"frob"},
                                                 {"copy", file},
                                                 {"info", file, "extra"},
                                                 {"bench", file, "--reps", "x"},
                                                 {"bench", "--threads", "0", file},
                                                 {"copy", "--fast", file, file}}) {
        const Outcome o = RunTvgif(args);
        EXPECT_EQ(o.ExitCode, 2) << ::testing::PrintToString(args);
        EXPECT_FALSE(o.Err.empty()) << ::testing::PrintToString(args);
    }
}

TEST(Tvgif, OptionsGoAnywhere) {
    const std::string in = WriteFile("in.gif", Small);
    const std::string before = (Dir / "before.gif").string(), after = (Dir / "after.gif").string();
    ASSERT_EQ(RunTvgif({"copy", "--rle", in, before}).ExitCode, 0);
    ASSERT_EQ(RunTvgif({"copy", in, after, "--rle"}).ExitCode, 0);
    EXPECT_EQ(ReadAll(before), ReadAll(after));
    EXPECT_NE(ReadAll(before), ReadAll(in)); // run-length codes, not LZW

    const Outcome bench = RunTvgif({"bench", "--reps", "1", in, "--encode", "--threads", "2"});
    EXPECT_EQ(bench.ExitCode, 0);
    EXPECT_NE(bench.Out.find("\ntotal "), std::string::npos);
}

TEST(Tvgif, FileErrorsExitWithOneNamingTheFile) {
    const std::string missing = (Dir / "missing.gif").string();
    const Outcome info = RunTvgif({"info", missing});
    EXPECT_EQ(info.ExitCode, 1);
    EXPECT_NE(info.Err.find(missing), std::string::npos);

    const std::string in = WriteFile("in.gif", Small);
    const std::string unwritable = (Dir / "no-such-dir" / "out.gif").string();
    const Outcome copy = RunTvgif({"copy", in, unwritable});
    EXPECT_EQ(copy.ExitCode, 1);
    EXPECT_NE(copy.Err.find(unwritable), std::string::npos);

    const Outcome bench = RunTvgif({"bench", in, missing});
    EXPECT_EQ(bench.ExitCode, 1);
    EXPECT_NE(bench.Err.find(missing), std::string::npos);
}

TEST(Tvgif, MakeWithABrokenFrameNamesItAndWritesNothing) {
    const std::string broken = WriteFile("broken.png", Bytes{0x89, 'P', 'N', 'G', 1, 2, 3});
    const std::string good = (Dir / "good.png").string(), out = (Dir / "made.gif").string();
    ASSERT_TRUE(QImage(4, 4, QImage::Format_RGB32).save(QString::fromStdString(good)));
    for (const std::string& target : {out, std::string("-")}) {
        const Outcome o = RunTvgif({"make", good, broken, good, "-o", target});
        EXPECT_EQ(o.ExitCode, 1) << target;
        EXPECT_NE(o.Err.find(broken + ": "), std::string::npos) << o.Err;
        EXPECT_TRUE(o.Out.empty()) << target;
    }
    EXPECT_FALSE(std::filesystem::exists(out));
    const Outcome help = RunTvgif({"make", "--help"});
    EXPECT_EQ(help.ExitCode, 0);
    EXPECT_NE(help.Out.find("tvgif render"), std::string::npos);
}

#if !defined(__SANITIZE_ADDRESS__)
TEST(Tvgif, RunningOutOfMemoryEndsWithAMessageAndExitOne) {
    // 256 megapixels that about 100 KB of data really produce: within every
    // limit of the reader, but not within the 200 MB the process may map.
    const std::string big =
        WriteFile("big.gif", Header(16000, 16000, 0x87) + ColorTable(256) + Descriptor(0, 0, 16000, 16000) +
                                 ImageData(8, LongRunCodes(int64_t{16000} * 16000)) + Bytes{0x3B});
    for (const char* command : {"info", "copy"}) {
        std::vector<std::string> args{command, big};
        if (std::string(command) == "copy") args.push_back((Dir / "copy.gif").string());
        const Outcome o = RunTvgif(args, 200);
        EXPECT_EQ(o.ExitCode, 1) << command << ": " << o.Err;
        EXPECT_NE(o.Err.find(big + ": out of memory"), std::string::npos) << command << ": " << o.Err;
    }
}
#endif

TEST(Tvgif, RenderWritesEachFrameAsThePainterShowsIt) {
    // A 4 × 2 screen: a full first frame of colour 1, then a transparent
    // frame of colour 2 at (2, 1) restored to the background, then one
    // pixel of colour 3; the ground under the picture is transparent.
    const Bytes gif = Header(4, 2, 0x81) + ColorTable(4) + GraphicControl(0x04, 5, 0) +
                      Descriptor(0, 0, 4, 2) + ImageData(2, EncodeCodes(2, Bytes(8, 1))) +
                      GraphicControl(0x09, 5, 0) + Descriptor(2, 1, 2, 1) +
                      ImageData(2, EncodeCodes(2, {2, 0})) + Descriptor(0, 0, 1, 1) +
                      ImageData(2, EncodeCodes(2, {3})) + Bytes{0x3B};
    const std::string in = WriteFile("render.gif", gif);
    const std::filesystem::path out = Dir / "frames";
    std::filesystem::remove_all(out);
    const Outcome render = RunTvgif({"render", in, out.string()});
    ASSERT_EQ(render.ExitCode, 0) << render.Err;
    QImage frames[3];
    for (int i = 0; i < 3; ++i) {
        frames[i].load(QString::fromStdString((out / ("frame-000" + std::to_string(i) + ".png")).string()));
        ASSERT_EQ(frames[i].size(), QSize(4, 2)) << i;
        frames[i] = frames[i].convertToFormat(QImage::Format_ARGB32);
    }
    EXPECT_FALSE(std::filesystem::exists(out / "frame-0003.png"));
    const QRgb one = qRgb(1, 254, 7), two = qRgb(2, 253, 14), three = qRgb(3, 252, 21);
    EXPECT_EQ(frames[0].pixel(3, 1), one);
    EXPECT_EQ(frames[1].pixel(2, 1), two);
    EXPECT_EQ(frames[1].pixel(3, 1), one) << "under its transparent pixel";
    EXPECT_EQ(frames[2].pixel(0, 0), three);
    EXPECT_EQ(frames[2].pixel(1, 0), one);
    EXPECT_EQ(frames[2].pixel(2, 1), 0u) << "restored to the transparent ground";
    EXPECT_EQ(frames[2].pixel(3, 1), 0u);

    const std::string bad = WriteFile("bad.gif", Bytes{'G', 'I', 'F'});
    const Outcome failed = RunTvgif({"render", bad, out.string()});
    EXPECT_EQ(failed.ExitCode, 1);
    EXPECT_NE(failed.Err.find(bad + ": Premature end of data"), std::string::npos) << failed.Err;
}
