// tvgif run as a process: help and version, usage errors (exit 2), file
// errors naming the file (exit 1), options in any position, and running out
// of memory ending with a message rather than an abort.

#include "GIFTestStreams.h"

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
