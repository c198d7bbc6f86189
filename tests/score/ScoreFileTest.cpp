#include "ScoreFile.h"
#include "ChildProcess.h"
#include "Exceptions.h"
#include "ScratchDir.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <set>
#include <string>
#include <sys/stat.h>
#include <vector>

namespace fs = std::filesystem;
using Lines = std::vector<std::string>;
using Names = std::set<std::string>;

namespace {

// Writes the first Allowed bytes for real, then fails as a full disk does.
class FullDiskPath : public WritePath {
public:
    explicit FullDiskPath(size_t allowed) : Allowed(allowed) {}
    ssize_t Write(int fd, const void* data, size_t size) override {
        if (Written >= Allowed) {
            errno = ENOSPC;
            return -1;
        }
        const ssize_t n = WritePath::Write(fd, data, std::min(size, Allowed - Written));
        if (n > 0) Written += static_cast<size_t>(n);
        return n;
    }
    size_t Allowed;
    size_t Written = 0;
};

class FailingSyncPath : public WritePath {
public:
    int Sync(int) override {
        errno = EIO;
        return -1;
    }
};

class FailingRenamePath : public WritePath {
public:
    int Rename(const char*, const char*) override {
        errno = EXDEV;
        return -1;
    }
};

// Writes at most three bytes a call, as a pipe or a signal may cut writes short.
class ShortWritePath : public WritePath {
public:
    ssize_t Write(int fd, const void* data, size_t size) override {
        return WritePath::Write(fd, data, std::min<size_t>(size, 3));
    }
};

const Lines Table{"   0:7.4           1.1.2024          Ana", "   1:5.3           1.1.2024          Bo"};
const std::string TableBytes =
    "   0:7.4           1.1.2024          Ana\r\n   1:5.3           1.1.2024          Bo\r\n";

} // namespace

TEST(SplitScoreText, AcceptsCrLfCrAndLfLineEnds) {
    EXPECT_EQ(SplitScoreText("a\r\nb\r\n"), (Lines{"a", "b"}));
    EXPECT_EQ(SplitScoreText("a\rb\r"), (Lines{"a", "b"}));
    EXPECT_EQ(SplitScoreText("a\nb\n"), (Lines{"a", "b"}));
    EXPECT_EQ(SplitScoreText("a\r\nb\nc\rd"), (Lines{"a", "b", "c", "d"}));
}

TEST(SplitScoreText, KeepsBlankLinesAndALastLineWithoutEnd) {
    EXPECT_EQ(SplitScoreText(""), Lines{});
    EXPECT_EQ(SplitScoreText("a"), Lines{"a"});
    EXPECT_EQ(SplitScoreText("a\r\n\r\nb"), (Lines{"a", "", "b"}));
    EXPECT_EQ(SplitScoreText("\n\r"), (Lines{"", ""}));
    EXPECT_EQ(SplitScoreText("\r\n"), Lines{""});
}

TEST(JoinScoreLines, EndsEveryLineWithCrLf) {
    EXPECT_EQ(JoinScoreLines(Table), TableBytes);
    EXPECT_EQ(JoinScoreLines({}), "");
    EXPECT_EQ(JoinScoreLines({""}), "\r\n");
}

TEST(ScoreFile, MissingFileReadsAsNothingAndIsNotCreated) {
    ScratchDir dir;
    EXPECT_FALSE(ReadScoreFile(dir.File("sc4.pr")).has_value());
    EXPECT_FALSE(fs::exists(dir.File("sc4.pr")));
}

TEST(ScoreFile, WritesCrLfLinesAndReadsThemBack) {
    ScratchDir dir;
    WriteScoreFile(dir.File("sc4.pr"), Table);
    EXPECT_EQ(ReadBytes(dir.File("sc4.pr")), TableBytes);
    EXPECT_EQ(ReadScoreFile(dir.File("sc4.pr")), Table);
    EXPECT_EQ(dir.Names(), Names{"sc4.pr"});
}

TEST(ScoreFile, NamesOutsideAsciiAreWrittenAsUtf8AndReadBackUnchanged) {
    ScratchDir dir;
    const Lines lines{"   0:7.4           1.1.2024          Željko Đurić",
                      "   0:8.0           1.1.2024          東京"};
    WriteScoreFile(dir.File("sc4.pr"), lines);
    EXPECT_EQ(ReadBytes(dir.File("sc4.pr")),
              "   0:7.4           1.1.2024          \xC5\xBD"
              "eljko \xC4\x90uri\xC4\x87\r\n"
              "   0:8.0           1.1.2024          \xE6\x9D\xB1\xE4\xBA\xAC\r\n");
    EXPECT_EQ(ReadScoreFile(dir.File("sc4.pr")), lines);
}

TEST(ScoreFile, ReadsFilesWithOtherLineEnds) {
    ScratchDir dir;
    WriteBytes(dir.File("sc5.pr"), "   0:1.0 a\n   0:2.0 b\r   0:3.0 c");
    EXPECT_EQ(ReadScoreFile(dir.File("sc5.pr")), (Lines{"   0:1.0 a", "   0:2.0 b", "   0:3.0 c"}));
}

TEST(ScoreFile, ADirectoryInPlaceOfTheFileCannotBeReadAndStays) {
    ScratchDir dir;
    fs::create_directory(dir.File("sc4.pr"));
    try {
        ReadScoreFile(dir.File("sc4.pr"));
        FAIL() << "a directory was read as a score file";
    } catch (const EFOpenError& e) {
        EXPECT_NE(e.Message().find("sc4.pr"), std::string::npos) << e.Message();
        EXPECT_NE(e.Message().find("Is a directory"), std::string::npos) << e.Message();
    }
    EXPECT_TRUE(fs::is_directory(dir.File("sc4.pr")));
}

TEST(ScoreFile, CreatingAnEmptyFileNeverTruncatesAnExistingOne) {
    ScratchDir dir;
    CreateEmptyScoreFile(dir.File("sc4.pr"));
    EXPECT_TRUE(fs::exists(dir.File("sc4.pr")));
    EXPECT_EQ(fs::file_size(dir.File("sc4.pr")), 0u);

    WriteBytes(dir.File("sc5.pr"), TableBytes);
    CreateEmptyScoreFile(dir.File("sc5.pr"));
    EXPECT_EQ(ReadBytes(dir.File("sc5.pr")), TableBytes);

    EXPECT_THROW(CreateEmptyScoreFile(dir.File("no-such-dir/sc4.pr")), EFCreateError);
}

TEST(ScoreFileSave, AWriteErrorPartWayLeavesTheOldFileIntact) {
    ScratchDir dir;
    const std::string file = dir.File("sc4.pr");
    WriteBytes(file, TableBytes);
    Lines bigger = Table;
    for (int i = 0; i < 100; ++i)
        bigger.push_back("   9:9.9           1.1.2024          x" + std::to_string(i));

    FullDiskPath fullDisk(50);
    try {
        WriteScoreFile(file, bigger, fullDisk);
        FAIL() << "the save did not report the full disk";
    } catch (const EWriteError& e) {
        EXPECT_NE(e.Message().find("No space left on device"), std::string::npos) << e.Message();
        EXPECT_NE(e.Message().find("sc4.pr"), std::string::npos) << e.Message();
    }
    EXPECT_EQ(fullDisk.Written, 50u); // the save really failed part way
    EXPECT_EQ(ReadBytes(file), TableBytes);
    EXPECT_EQ(dir.Names(), Names{"sc4.pr"});
}

TEST(ScoreFileSave, FailedFlushOrRenameLeavesTheOldFileIntact) {
    ScratchDir dir;
    const std::string file = dir.File("sc4.pr");
    WriteBytes(file, TableBytes);

    FailingSyncPath failingSync;
    EXPECT_THROW(WriteScoreFile(file, {"   0:1.0 new"}, failingSync), EWriteError);
    EXPECT_EQ(ReadBytes(file), TableBytes);
    EXPECT_EQ(dir.Names(), Names{"sc4.pr"});

    FailingRenamePath failingRename;
    EXPECT_THROW(WriteScoreFile(file, {"   0:1.0 new"}, failingRename), EWriteError);
    EXPECT_EQ(ReadBytes(file), TableBytes);
    EXPECT_EQ(dir.Names(), Names{"sc4.pr"});
}

TEST(ScoreFileSave, ShortWritesStillWriteEverything) {
    ScratchDir dir;
    ShortWritePath shortWrites;
    WriteScoreFile(dir.File("sc4.pr"), Table, shortWrites);
    EXPECT_EQ(ReadBytes(dir.File("sc4.pr")), TableBytes);
}

TEST(ScoreFileSave, FilesWithTheNamesOfTemporaryFilesAreNeverWrittenThrough) {
    ScratchDir dir;
    const std::string file = dir.File("sc4.pr");
    WriteBytes(file, TableBytes);
    // A leftover of a crash and a planted link to another file of the user.
    WriteBytes(dir.File("sc4.pr.tmp~"), std::string(5000, 'z') + "\r\nhalf a li");
    WriteBytes(dir.File("victim"), "precious\n");
    fs::create_symlink("victim", dir.File("sc4.pr.tmp"));

    WriteScoreFile(file, {"   0:1.0 new"});
    EXPECT_EQ(ReadBytes(file), "   0:1.0 new\r\n");
    EXPECT_EQ(ReadBytes(dir.File("victim")), "precious\n");
    EXPECT_EQ(dir.Names(), (Names{"sc4.pr", "sc4.pr.tmp", "sc4.pr.tmp~", "victim"}));
}

TEST(ScoreFileSave, AScoreFileThatIsALinkIsWrittenAtItsTargetAndStaysALink) {
    ScratchDir dir;
    fs::create_directory(dir.File("kept"));
    WriteBytes(dir.File("kept/scores"), TableBytes);
    fs::create_symlink("kept/scores", dir.File("sc4.pr"));
    fs::create_symlink("kept/later", dir.File("sc5.pr")); // dangling until the first save

    WriteScoreFile(dir.File("sc4.pr"), {"   0:1.0 new"});
    WriteScoreFile(dir.File("sc5.pr"), {"   0:2.0 new"});
    EXPECT_TRUE(fs::is_symlink(dir.File("sc4.pr")));
    EXPECT_TRUE(fs::is_symlink(dir.File("sc5.pr")));
    EXPECT_EQ(ReadBytes(dir.File("kept/scores")), "   0:1.0 new\r\n");
    EXPECT_EQ(ReadBytes(dir.File("kept/later")), "   0:2.0 new\r\n");
    EXPECT_EQ(dir.Names(), (Names{"kept", "sc4.pr", "sc5.pr"}));
}

// A FIFO would block the open until a writer came, a device such as
// /dev/zero would be read until memory ran out: both are refused at once.
TEST(ScoreFile, AFifoOrADeviceIsRefusedAtOnceAndLeftAsItIs) {
    ScratchDir dir;
    const std::string fifo = dir.File("sc4.pr");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0666), 0);
    fs::create_symlink("/dev/zero", dir.File("sc5.pr"));
    for (const std::string& file : {fifo, dir.File("sc5.pr")}) {
        const ChildResult refused = RunInChild(
            [&] {
                try {
                    ReadScoreFile(file);
                    return false;
                } catch (const EFOpenError& e) {
                    if (e.Message().find("Not a regular file") == std::string::npos) return false;
                }
                try {
                    WriteScoreFile(file, Table);
                    return false;
                } catch (const EFOpenError&) {
                    return true;
                }
            },
            0, 5);
        EXPECT_TRUE(refused.Succeeded()) << file << " exited " << refused.Exited << " " << refused.Status;
    }
    EXPECT_TRUE(fs::is_fifo(fifo));
    EXPECT_TRUE(fs::is_symlink(dir.File("sc5.pr")));
    EXPECT_EQ(dir.Names(), (Names{"sc4.pr", "sc5.pr"}));
}

TEST(ScoreFileSave, KeepsThePermissionsOfTheOldFile) {
    ScratchDir dir;
    const std::string file = dir.File("sc4.pr");
    WriteBytes(file, TableBytes);
    fs::permissions(file, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    WriteScoreFile(file, Table);
    EXPECT_EQ(fs::status(file).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
}

TEST(ScoreFileSave, ADirectoryThatDoesNotExistCannotBeSavedInto) {
    ScratchDir dir;
    EXPECT_THROW(WriteScoreFile(dir.File("missing/sc4.pr"), Table), EFCreateError);
}

TEST(ScoreFileSave, ADirectoryInPlaceOfTheFileIsNotReplaced) {
    ScratchDir dir;
    const std::string file = dir.File("sc4.pr");
    fs::create_directory(file);
    EXPECT_THROW(WriteScoreFile(file, Table), EFOpenError);
    EXPECT_TRUE(fs::is_directory(file));
    EXPECT_EQ(dir.Names(), Names{"sc4.pr"});
}
