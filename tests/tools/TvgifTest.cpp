// tvgif run as a process: help and version, usage errors (exit 2), file
// errors naming the file (exit 1), options in any position, and running out
// of memory ending with a message rather than an abort.

#include "Fnv1a.h"
#include "GIFTestStreams.h"

#include <QImage>
#include <QImageReader>
#include <gtest/gtest.h>

#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
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

// How a run of tvgif is set up.
struct RunSetup {
    long AddressSpaceMegabytes = 0; // above 0: the most the process may map
    long FileSizeBytes = 0;         // above 0: the largest file it may write
    std::string Stdin = "/dev/null";
    std::string Stdout; // empty: kept and returned in Outcome::Out
    std::string Program = TVGIF_PATH;
};

RunSetup AddressSpaceLimit(long megabytes) {
    RunSetup setup;
    setup.AddressSpaceMegabytes = megabytes;
    return setup;
}

RunSetup FileSizeLimit(long bytes) {
    RunSetup setup;
    setup.FileSizeBytes = bytes;
    return setup;
}

RunSetup StdinFrom(const std::string& path) {
    RunSetup setup;
    setup.Stdin = path;
    return setup;
}

RunSetup StdoutTo(const std::string& path) {
    RunSetup setup;
    setup.Stdout = path;
    return setup;
}

// Runs tvgif with args; a run that hangs is ended after a minute (and counts
// as ended by a signal).
Outcome RunTvgif(const std::vector<std::string>& args, const RunSetup& setup = {}) {
    std::filesystem::create_directories(Dir);
    const std::string out = (Dir / "stdout").string(), err = (Dir / "stderr").string();
    const pid_t pid = fork();
    if (pid == 0) {
        const int i = open(setup.Stdin.c_str(), O_RDONLY);
        const int o = setup.Stdout.empty() ? open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644)
                                           : open(setup.Stdout.c_str(), O_WRONLY);
        const int e = open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        dup2(i, 0);
        dup2(o, 1);
        dup2(e, 2);
        // Whatever a faulty run writes by a relative name lands here.
        if (chdir(Dir.c_str()) != 0) _exit(127);
        if (setup.AddressSpaceMegabytes > 0) {
            const rlim_t limit = static_cast<rlim_t>(setup.AddressSpaceMegabytes) * 1024 * 1024;
            const rlimit rl{limit, limit};
            setrlimit(RLIMIT_AS, &rl);
        }
        if (setup.FileSizeBytes > 0) {
            const rlimit rl{static_cast<rlim_t>(setup.FileSizeBytes),
                            static_cast<rlim_t>(setup.FileSizeBytes)};
            setrlimit(RLIMIT_FSIZE, &rl);
        }
        alarm(60);
        std::vector<char*> argv{const_cast<char*>(setup.Program.c_str())};
        for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        execv(setup.Program.c_str(), argv.data());
        _exit(127);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    Outcome outcome;
    outcome.ExitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    if (setup.Stdout.empty()) outcome.Out = ReadAll(out);
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

    // "-" is a frame from standard input.
    const std::string fromFile = (Dir / "from-file.gif").string();
    ASSERT_EQ(RunTvgif({"make", good, "-o", fromFile}).ExitCode, 0);
    const Outcome o = RunTvgif({"make", "-", "-o", out}, StdinFrom(good));
    ASSERT_EQ(o.ExitCode, 0) << o.Err;
    EXPECT_EQ(ReadAll(out), ReadAll(fromFile));
}

TEST(Tvgif, ACopyAloneStillRunsThePictureCommands) {
    // tvgif copied into another folder without tvgif-pictures: its GIF
    // commands run, and a picture command reaches the tool where the build
    // made it.
    const std::filesystem::path alone = Dir / "alone";
    std::filesystem::create_directories(alone);
    std::filesystem::copy_file(TVGIF_PATH, alone / "tvgif",
                               std::filesystem::copy_options::overwrite_existing);
    RunSetup setup;
    setup.Program = (alone / "tvgif").string();
    const std::string file = WriteFile("alone.gif", Small);
    EXPECT_EQ(RunTvgif({"info", file}, setup).ExitCode, 0);
    const Outcome o = RunTvgif({"render", file, (Dir / "alone-frames").string()}, setup);
    EXPECT_EQ(o.ExitCode, 0) << o.Err;
    EXPECT_TRUE(std::filesystem::exists(Dir / "alone-frames" / "frame-0000.png"));
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
        const Outcome o = RunTvgif(args, AddressSpaceLimit(200));
        EXPECT_EQ(o.ExitCode, 1) << command << ": " << o.Err;
        EXPECT_NE(o.Err.find(big + ": out of memory"), std::string::npos) << command << ": " << o.Err;
    }
    // 36 megapixels load within the limit; drawing or redrawing them does
    // not fit, wherever the memory runs out.
    const std::string large =
        WriteFile("large.gif", Header(6000, 6000, 0x87) + ColorTable(256) + Descriptor(0, 0, 6000, 6000) +
                                   ImageData(8, LongRunCodes(int64_t{6000} * 6000)) + Bytes{0x3B});
    const std::string out = (Dir / "out.gif").string();
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"render", large, (Dir / "frames").string()},
          {"optimize", "--best", large, out}}) {
        for (const long megabytes : {150, 200, 300}) {
            std::filesystem::remove_all(Dir / "frames");
            const Outcome o = RunTvgif(args, AddressSpaceLimit(megabytes));
            if (o.ExitCode == 0) continue;
            EXPECT_EQ(o.ExitCode, 1) << args[0] << " in " << megabytes << " MB: " << o.Err;
            EXPECT_NE(o.Err.find(large + ": out of memory"), std::string::npos) << args[0] << ": " << o.Err;
        }
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

namespace {

std::set<std::string> FolderNames(const std::filesystem::path& folder) {
    std::set<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        names.insert(entry.path().filename().string());
    return names;
}

mode_t ModeOf(const std::filesystem::path& path) {
    struct stat info {};
    stat(path.c_str(), &info);
    return info.st_mode & 07777;
}

void WriteText(const std::filesystem::path& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

// 64 × 64 pixels of 256 colours that compress badly: several KB however
// written.
Bytes NoisyGif() {
    Bytes pixels(64 * 64);
    uint32_t state = 12345;
    for (auto& p : pixels) p = static_cast<uint8_t>((state = state * 1103515245 + 12345) >> 24);
    return SimpleGif(64, 64, pixels, 8);
}

const char* const WritingCommands[] = {"copy", "optimize", "convert"};

} // namespace

TEST(TvgifOutput, ReplacesTheLinkedTargetKeepingItsModeAndTouchingNothingBeside) {
    const std::string in = WriteFile("in.gif", Small);
    mode_t umaskNow = umask(0);
    umask(umaskNow);
    for (const std::string command : WritingCommands) {
        const std::filesystem::path folder = Dir / ("out-" + command);
        std::filesystem::remove_all(folder);
        std::filesystem::create_directories(folder);
        // OUT links to a 0604 file; links planted under the temporary
        // names of old point at a file that must stay as it is.
        WriteText(folder / "real.gif", "old");
        std::filesystem::permissions(folder / "real.gif", std::filesystem::perms(0604));
        std::filesystem::create_symlink("real.gif", folder / "out.gif");
        WriteText(folder / "victim", "victim");
        for (const char* planted : {"out.gif.tvgif-tmp", "real.gif.tvgif-tmp"})
            std::filesystem::create_symlink("victim", folder / planted);
        const std::set<std::string> before = FolderNames(folder);

        const Outcome o = RunTvgif({command, in, (folder / "out.gif").string()});
        ASSERT_EQ(o.ExitCode, 0) << command << ": " << o.Err;
        EXPECT_TRUE(std::filesystem::is_symlink(folder / "out.gif")) << command;
        EXPECT_EQ(ReadAll((folder / "real.gif").string()).rfind("GIF8", 0), 0u) << command;
        EXPECT_EQ(ModeOf(folder / "real.gif"), 0604u) << command;
        EXPECT_EQ(ReadAll((folder / "victim").string()), "victim") << command;
        EXPECT_EQ(FolderNames(folder), before) << command;

        ASSERT_EQ(RunTvgif({command, in, (folder / "new.gif").string()}).ExitCode, 0) << command;
        EXPECT_EQ(ModeOf(folder / "new.gif"), 0666u & ~umaskNow) << command;

        // A device is written, not replaced by a file (were OUT /dev/null).
        if (mknod((folder / "null").c_str(), S_IFCHR | 0666, makedev(1, 3)) == 0) {
            EXPECT_EQ(RunTvgif({command, in, (folder / "null").string()}).ExitCode, 0) << command;
            EXPECT_TRUE(std::filesystem::is_character_file(folder / "null")) << command;
        }
    }
}

TEST(TvgifOutput, AFailedWriteExitsWithOneGivingTheReasonAndLeavesNothing) {
    const std::string in = WriteFile("noisy.gif", NoisyGif());
    const std::filesystem::path folder = Dir / "full";
    for (const std::string command : WritingCommands) {
        std::filesystem::remove_all(folder);
        std::filesystem::create_directories(folder);
        const std::string out = (folder / "out.gif").string();
        WriteText(out, "old");
        // No file may grow past 1 KB: the picture does not fit.
        const Outcome o = RunTvgif({command, in, out}, FileSizeLimit(1024));
        EXPECT_EQ(o.ExitCode, 1) << command << ": " << o.Err;
        EXPECT_NE(o.Err.find(out + ": cannot write: File too large"), std::string::npos)
            << command << ": " << o.Err;
        EXPECT_EQ(ReadAll(out), "old") << command;
        EXPECT_EQ(FolderNames(folder), std::set<std::string>{"out.gif"}) << command;

        const Outcome full = RunTvgif({command, in, "-"}, StdoutTo("/dev/full"));
        EXPECT_EQ(full.ExitCode, 1) << command;
        EXPECT_NE(full.Err.find("standard output: cannot write: No space left on device"), std::string::npos)
            << command << ": " << full.Err;
    }
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"info", in}, {"bench", "--reps", "1", in}}) {
        const Outcome o = RunTvgif(args, StdoutTo("/dev/full"));
        EXPECT_EQ(o.ExitCode, 1) << args[0];
        EXPECT_NE(o.Err.find("standard output: No space left on device"), std::string::npos) << o.Err;
    }
}

TEST(TvgifOutput, RenderRefusesEarlierFramesAndNeverWritesThroughALink) {
    const std::string three =
        WriteFile("three.gif", Header(2, 1, 0x80) + ColorTable(2) + Descriptor(0, 0, 2, 1) +
                                   ImageData(2, EncodeCodes(2, {0, 1})) + Descriptor(0, 0, 1, 1) +
                                   ImageData(2, EncodeCodes(2, {1})) + Descriptor(1, 0, 1, 1) +
                                   ImageData(2, EncodeCodes(2, {0})) + Bytes{0x3B});
    const std::string one = WriteFile("one.gif", Small);
    const std::filesystem::path folder = Dir / "render";
    std::filesystem::remove_all(folder);
    ASSERT_EQ(RunTvgif({"render", three, folder.string()}).ExitCode, 0);
    const std::string firstFrame = ReadAll((folder / "frame-0000.png").string());

    const Outcome refused = RunTvgif({"render", one, folder.string()});
    EXPECT_EQ(refused.ExitCode, 1);
    EXPECT_NE(refused.Err.find(folder.string() + ": already holds frame-*.png files"), std::string::npos)
        << refused.Err;
    EXPECT_EQ(ReadAll((folder / "frame-0000.png").string()), firstFrame);

    // A link under a frame's name is removed by --force, not followed.
    WriteText(Dir / "victim", "victim");
    std::filesystem::remove(folder / "frame-0000.png");
    std::filesystem::create_symlink(Dir / "victim", folder / "frame-0000.png");
    EXPECT_EQ(RunTvgif({"render", one, folder.string()}).ExitCode, 1);
    const Outcome forced = RunTvgif({"render", one, folder.string(), "--force"});
    EXPECT_EQ(forced.ExitCode, 0) << forced.Err;
    EXPECT_EQ(FolderNames(folder), std::set<std::string>{"frame-0000.png"});
    EXPECT_FALSE(std::filesystem::is_symlink(folder / "frame-0000.png"));
    EXPECT_EQ(ReadAll((Dir / "victim").string()), "victim");

    EXPECT_EQ(RunTvgif({"render", one, ""}).ExitCode, 2);
}

TEST(TvgifInput, StandardInputAndPipesAreReadOnce) {
    const std::string gif = WriteFile("pipe.gif", Small);
    QImage picture(3, 2, QImage::Format_RGB32);
    picture.fill(qRgb(200, 10, 10));
    const std::string png = (Dir / "pipe.png").string();
    ASSERT_TRUE(picture.save(QString::fromStdString(png)));
    const std::string copied = (Dir / "copied.gif").string();
    ASSERT_EQ(RunTvgif({"copy", gif, copied}).ExitCode, 0);

    // "-" both ways.
    const Outcome throughStdio = RunTvgif({"copy", "-", "-"}, StdinFrom(gif));
    EXPECT_EQ(throughStdio.ExitCode, 0) << throughStdio.Err;
    EXPECT_EQ(throughStdio.Out, ReadAll(copied));
    EXPECT_EQ(RunTvgif({"info", "-"}, StdinFrom(gif)).Out, RunTvgif({"info", gif}).Out);

    // A named pipe can be opened and read only once, and never sought in.
    const std::string fifo = (Dir / "fifo").string();
    for (const std::string& source : {gif, png}) {
        std::filesystem::remove(fifo);
        ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
        const pid_t writer = fork();
        if (writer == 0) {
            alarm(60);
            const std::string bytes = ReadAll(source);
            std::ofstream(fifo, std::ios::binary) << bytes;
            _exit(0);
        }
        const std::string out = (Dir / "from-fifo.gif").string();
        const Outcome o = RunTvgif({"convert", fifo, out});
        kill(writer, SIGKILL);
        waitpid(writer, nullptr, 0);
        EXPECT_EQ(o.ExitCode, 0) << source << ": " << o.Err;
        EXPECT_EQ(ReadAll(out).rfind("GIF8", 0), 0u) << source;
    }
}

TEST(TvgifErrors, NameTheFileAndTheCause) {
    const std::string noFrames = WriteFile("no-frames.gif", Header(2, 2, 0x80) + ColorTable(2) + Bytes{0x3B});
    const std::string pastTable = WriteFile("past-table.gif", SimpleGif(2, 2, Bytes{0, 1, 2, 3}, 1));
    const std::string out = (Dir / "errors-out.gif").string();
    for (const char* command : {"copy", "optimize"}) {
        const Outcome o = RunTvgif({command, noFrames, out});
        EXPECT_EQ(o.ExitCode, 1) << command;
        EXPECT_NE(o.Err.find(noFrames + ": has no frames to write"), std::string::npos)
            << command << ": " << o.Err;
    }
    const Outcome colours = RunTvgif({"copy", pastTable, out});
    EXPECT_EQ(colours.ExitCode, 1);
    EXPECT_NE(colours.Err.find(pastTable + ": its pixels use colours that its colour table lacks"),
              std::string::npos)
        << colours.Err;
    EXPECT_FALSE(std::filesystem::exists(out));

    const Outcome folder = RunTvgif({"convert", Dir.string(), out});
    EXPECT_EQ(folder.ExitCode, 1);
    EXPECT_NE(folder.Err.find(Dir.string() + ": is a folder, not a file"), std::string::npos) << folder.Err;

    const std::string small = WriteFile("small.gif", Small);
    const std::string unwritable = (Dir / "no-such-dir" / "out.gif").string();
    for (const char* command : WritingCommands) {
        const Outcome w = RunTvgif({command, small, unwritable});
        EXPECT_EQ(w.ExitCode, 1) << command;
        EXPECT_NE(w.Err.find(unwritable + ": cannot write: No such file or directory"), std::string::npos)
            << command << ": " << w.Err;
    }

    const Outcome bogus = RunTvgif({"--bogus"});
    EXPECT_EQ(bogus.ExitCode, 2);
    EXPECT_NE(bogus.Err.find("unknown option: --bogus"), std::string::npos) << bogus.Err;
    EXPECT_NE(bogus.Err.find("Usage: tvgif"), std::string::npos) << bogus.Err;
}

#if !defined(__SANITIZE_ADDRESS__)
// The hostile files of bench/gif/make-hostile.py, made small enough for a
// test, each under an address space that the program with about 100 MB, and
// 16 bytes for each pixel of the frames' union when drawn, stays within.
TEST(Tvgif, EveryCommandNeedsMemoryInProportionToTheFile) {
    const auto emptyFrames = [](int width, int height, int count) { // data that decodes nothing
        const Bytes frame = Descriptor(0, 0, width, height) + ImageData(2, {4, 5});
        Bytes bytes = Header(width, height, 0x81) + ColorTable(4);
        for (int i = 0; i < count; ++i) bytes.insert(bytes.end(), frame.begin(), frame.end());
        return bytes + Bytes{0x3B};
    };
    const Bytes smallFrame = Descriptor(0, 0, 2, 2) + ImageData(2, EncodeCodes(2, {1, 2, 2, 1}));
    const Bytes hugeScreen =
        Header(16000, 16000, 0x81) + ColorTable(4) + smallFrame + smallFrame + Bytes{0x3B};
    const Bytes tinyBlocks = Header(2, 2, 0x81) + ColorTable(4) + Bytes{0x21, 0xFE} +
                             SubBlocks(Bytes(4'000'000, 'x'), 1) + smallFrame + Bytes{0x3B};
    const std::string out = (Dir / "out.gif").string(), frames = (Dir / "frames").string();
    const struct {
        std::string File;
        long Megabytes;
        bool Draws; // rendered and redrawn: 16 bytes a pixel of a 3000 x 3000 union do not fit
    } cases[] = {{WriteFile("empty-large.gif", emptyFrames(3000, 3000, 12)), 150, false},
                 // 4.3 billion pixels a frame from 10 bytes: none of them is walked.
                 {WriteFile("empty-huge.gif", emptyFrames(65535, 65535, 3)), 200, true},
                 {WriteFile("empty-wide.gif", emptyFrames(65535, 1, 2000)), 200, true},
                 {WriteFile("huge-screen.gif", hugeScreen), 200, true},
                 {WriteFile("tiny-blocks.gif", tinyBlocks), 200, true}};
    for (const auto& c : cases) {
        std::vector<std::vector<std::string>> runs{
            {"info", c.File}, {"copy", c.File, out}, {"optimize", c.File, out}};
        if (c.Draws) {
            runs.push_back({"optimize", "--best", c.File, out});
            runs.push_back({"render", c.File, frames});
        }
        for (const auto& args : runs) {
            std::filesystem::remove_all(frames);
            const Outcome o = RunTvgif(args, AddressSpaceLimit(c.Megabytes));
            // A screen above 2^27 pixels is refused for its PNGs, as documented.
            if (args[0] == "render" && o.Err.find("too large") != std::string::npos) continue;
            EXPECT_EQ(o.ExitCode, 0) << ::testing::PrintToString(args) << ": " << o.Err;
        }
    }
    // 19 million pixels in two runs from 16 KB: the steps that follow the
    // screen take up to 28 bytes for each pixel of a frame, and leave such
    // a frame to the plain ones.
    const auto runsOf = [](int value, int64_t pixels) {
        std::vector<int> codes = LongRunCodes(pixels); // clear, 0, longer runs, end
        codes[1] = value;
        codes.pop_back();
        return codes;
    };
    std::vector<int> twoRuns = runsOf(1, int64_t{4400} * 2200);
    for (const int code : runsOf(2, int64_t{4400} * 2200)) twoRuns.push_back(code);
    twoRuns.push_back(257);
    const std::string large =
        WriteFile("large-frame.gif", Header(4400, 4400, 0x87) + ColorTable(256) +
                                         Descriptor(0, 0, 4400, 4400) + ImageData(8, twoRuns) + Bytes{0x3B});
    for (const char* option : {"--best", "--lossy=40"}) {
        const Outcome o = RunTvgif({"optimize", option, large, out}, AddressSpaceLimit(150));
        EXPECT_EQ(o.ExitCode, 0) << option << ": " << o.Err;
    }
}
#endif

TEST(Tvgif, RenderDrawsFramesUpToTheScreenLimit) {
    // 2^25 + 8192 pixels: 134 MB at 32 bits, above the 128 MB that Qt's image
    // reading allows by default; below the 2^27 pixels of a rendered screen.
    const std::string in = WriteFile(
        "large-frame.gif", Header(8192, 4097, 0x87) + ColorTable(256) + Descriptor(0, 0, 8192, 4097) +
                               ImageData(8, LongRunCodes(int64_t{8192} * 4097)) + Bytes{0x3B});
    const std::filesystem::path out = Dir / "large-frames";
    std::filesystem::remove_all(out);
    const Outcome o = RunTvgif({"render", in, out.string()});
    ASSERT_EQ(o.ExitCode, 0) << o.Err;
    QImageReader reader(QString::fromStdString((out / "frame-0000.png").string()));
    EXPECT_EQ(reader.size(), QSize(8192, 4097));
    QImageReader::setAllocationLimit(0);
    EXPECT_EQ(reader.read().pixel(8191, 4096), qRgb(0, 255, 0)) << "entry 0 of the table";
}

// info hashes a frame without a pixel buffer from its one value and its
// size: the checksum must be that of the pixels walked one by one.
TEST(TvgifChecksum, OneValueRepeatedHashesAsItsBytesWalkedOneByOne) {
    for (const uint8_t value : {0x00, 0x01, 0x5A, 0xFF})
        for (const uint64_t start : {Fnv1a64Start, uint64_t{0x0123456789ABCDEF}})
            for (const uint64_t count : {0, 1, 2, 255, 256, 257, 1000, 65537, 300001}) {
                const std::vector<uint8_t> bytes(count, value);
                EXPECT_EQ(Fnv1a64Repeat(value, count, start), Fnv1a64(bytes.data(), bytes.size(), start))
                    << "value " << int{value} << ", " << count << " bytes";
            }
}
