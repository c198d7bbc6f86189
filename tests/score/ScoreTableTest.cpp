#include "ScoreTable.h"
#include "ChildProcess.h"
#include "Exceptions.h"
#include "ScoreFile.h"
#include "ScoreRows.h"
#include "ScratchDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <set>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;
using Lines = std::vector<std::string>;

namespace {

ScoreEntry Win(int tenths, const std::string& name, int gap = 10, const std::string& separator = ".") {
    const int seconds = tenths / 10;
    return ScoreEntry{seconds / 60, seconds % 60, separator + std::to_string(tenths % 10),
                      "7.3.2024",   name,         gap};
}

class FullDiskPath : public WritePath {
public:
    ssize_t Write(int fd, const void* data, size_t size) override {
        if (size > 10) return WritePath::Write(fd, data, 10);
        errno = ENOSPC;
        return -1;
    }
};

} // namespace

TEST(RecordWin, FirstWinWithoutAFileWritesOneLineInRowZero) {
    ScratchDir dir;
    const std::string file = dir.File("sc4.pr");
    const RecordedWin win = RecordWin(file, Win(74, "Ana"), BlankRows());

    const std::string line = "   0:7.4           7.3.2024          Ana";
    EXPECT_EQ(win.Line, line);
    EXPECT_EQ(ReadBytes(file), line + "\r\n");
    EXPECT_EQ(win.Lines, Lines{line});
    EXPECT_EQ(win.Rows, (Lines{line, "", "", "", "", "", "", "", "", ""}));
    EXPECT_EQ(win.ScoreRow, 0);
}

TEST(RecordWin, ElevenWinsKeepElevenLinesAndASlowerTwelfthLeavesScoreRowAtMinusOne) {
    ScratchDir dir;
    const std::string file = dir.File("sc7.pr");
    Lines rows = BlankRows();
    // Slowest first, so that every win moves to the top.
    for (int i = 0; i < 11; ++i) {
        const RecordedWin win = RecordWin(file, Win(600 - i * 10, "p" + std::to_string(i)), rows);
        rows = win.Rows;
        EXPECT_EQ(win.ScoreRow, 0);
    }
    const Lines saved = *ReadScoreFile(file);
    ASSERT_EQ(saved.size(), 11u);
    EXPECT_TRUE(std::is_sorted(saved.begin(), saved.end(), [](const std::string& a, const std::string& b) {
        return *ReadDuration(a) < *ReadDuration(b);
    }));
    EXPECT_EQ(rows, Lines(saved.begin(), saved.begin() + 10));

    const RecordedWin slow = RecordWin(file, Win(9999, "slow"), rows);
    EXPECT_EQ(slow.ScoreRow, -1);
    EXPECT_EQ(slow.Lines.size(), 12u);
    EXPECT_EQ(slow.Lines.back(), slow.Line);
    EXPECT_EQ(slow.Rows, Lines(saved.begin(), saved.begin() + 10));
}

TEST(RecordWin, TenMinutesRankAfterNineFiftyNinePointNine) {
    ScratchDir dir;
    const std::string file = dir.File("sc4.pr");
    RecordWin(file, Win(5999, "nine"), BlankRows());
    const RecordedWin win = RecordWin(file, Win(6000, "ten"), BlankRows());
    EXPECT_EQ(win.Line, "   10:0.0         7.3.2024          ten");
    EXPECT_EQ(win.Lines, (Lines{"   9:59.9         7.3.2024          nine", win.Line}));
    EXPECT_EQ(win.ScoreRow, 1);
}

TEST(RecordWin, FasterWinAheadOfTwoEqualLinesGivesNBA) {
    ScratchDir dir;
    const std::string file = dir.File("sc4.pr");
    WriteBytes(file, "   0:4.0           1.1.2024          A\r\n   0:4.0           1.1.2024          B\r\n");
    const RecordedWin win = RecordWin(file, Win(30, "N"), BlankRows());
    EXPECT_EQ(ReadBytes(file), "   0:3.0           7.3.2024          N\r\n"
                               "   0:4.0           1.1.2024          B\r\n"
                               "   0:4.0           1.1.2024          A\r\n");
    EXPECT_EQ(win.ScoreRow, 0);
}

TEST(RecordWin, UnrankedFileIsRankedByExchangesGivingCBA) {
    ScratchDir dir;
    const std::string file = dir.File("sc4.pr");
    WriteBytes(file, "   0:5.0 A\r\n   0:5.0 B\r\n   0:3.0 C\r\n");
    const RecordedWin win = RecordWin(file, Win(90, "N"), BlankRows());
    EXPECT_EQ(win.Lines, (Lines{"   0:3.0 C", "   0:5.0 B", "   0:5.0 A", win.Line}));
}

TEST(RecordWin, EqualResultGoesAfterTheExistingOneAndIdenticalLinesPointAtTheLater) {
    ScratchDir dir;
    const std::string file = dir.File("sc4.pr");
    RecordWin(file, Win(50, "Ana"), BlankRows());
    const RecordedWin other = RecordWin(file, Win(50, "Bo"), BlankRows());
    EXPECT_EQ(other.Lines.back(), other.Line);
    EXPECT_EQ(other.ScoreRow, 1);

    const RecordedWin same = RecordWin(file, Win(50, "Ana"), other.Rows);
    EXPECT_EQ(same.Lines, (Lines{same.Line, other.Line, same.Line}));
    EXPECT_EQ(same.ScoreRow, 2);
}

TEST(RecordWin, EmptyNameAndTheGapOfNine) {
    ScratchDir dir;
    const RecordedWin win = RecordWin(dir.File("sc5.pr"), Win(74, "", 9), BlankRows());
    EXPECT_EQ(win.Line, "   0:7.4           7.3.2024         ");
    EXPECT_EQ(ReadBytes(dir.File("sc5.pr")), "   0:7.4           7.3.2024         \r\n");
    EXPECT_EQ(win.ScoreRow, 0);
}

TEST(RecordWin, KeepsCorruptLinesAndRanksThemLast) {
    ScratchDir dir;
    const std::string file = dir.File("sc4.pr");
    WriteBytes(file, "\r\n   0:9.0 slow\r\nhand edited\r\n   0:2,0 comma\r\n");
    const RecordedWin win = RecordWin(file, Win(50, "new"), BlankRows());
    EXPECT_EQ(win.Lines, (Lines{"   0:2,0 comma", win.Line, "   0:9.0 slow", "", "hand edited"}));
    EXPECT_EQ(win.ScoreRow, 1);
    EXPECT_EQ(*ReadScoreFile(file), win.Lines);
}

TEST(RecordWin, ADirectoryInPlaceOfTheFileIsAnErrorAndStays) {
    ScratchDir dir;
    const std::string file = dir.File("sc4.pr");
    fs::create_directory(file);
    fs::create_directory(dir.File("sc4.pr/inside"));
    EXPECT_THROW(RecordWin(file, Win(50, "Ana"), BlankRows()), EFOpenError);
    EXPECT_TRUE(fs::is_directory(dir.File("sc4.pr/inside")));
}

TEST(RecordWin, AFailedSaveLeavesTheTableAsItWas) {
    ScratchDir dir;
    const std::string file = dir.File("sc4.pr");
    RecordWin(file, Win(50, "Ana"), BlankRows());
    RecordWin(file, Win(60, "Bo"), BlankRows());
    const std::string before = ReadBytes(file);

    FullDiskPath fullDisk;
    EXPECT_THROW(RecordWin(file, Win(40, "Cy"), BlankRows(), fullDisk), EWriteError);
    EXPECT_EQ(ReadBytes(file), before);
    EXPECT_EQ(dir.Names(), std::set<std::string>{"sc4.pr"});
}

TEST(RecordWin, ALeftoverTemporaryFileDoesNotDisturbARecording) {
    ScratchDir dir;
    const std::string file = dir.File("sc4.pr");
    RecordWin(file, Win(50, "Ana"), BlankRows());
    WriteBytes(file + ".tmp", "   0:0.1 ghost\r\n   0:0");
    const RecordedWin win = RecordWin(file, Win(60, "Bo"), BlankRows());
    EXPECT_EQ(win.Lines.size(), 2u);
    EXPECT_EQ(*ReadScoreFile(file), win.Lines);
    EXPECT_EQ(ReadBytes(file + ".tmp"), "   0:0.1 ghost\r\n   0:0");
}

TEST(LoadForDisplay, FirstLoadWithoutAFileCreatesItAndGivesNoRows) {
    ScratchDir dir;
    const ShownTable shown = LoadForDisplay(dir.File("sc44.pr"), BlankRows());
    EXPECT_TRUE(shown.Lines.empty());
    EXPECT_TRUE(shown.Rows.empty());
    EXPECT_TRUE(fs::exists(dir.File("sc44.pr")));
    EXPECT_EQ(fs::file_size(dir.File("sc44.pr")), 0u);
}

TEST(LoadForDisplay, ShowsTheFileInItsOwnOrderAndKeepsRowsBeyondIt) {
    ScratchDir dir;
    WriteBytes(dir.File("sc4.pr"), "   0:9.0 b\r\n   0:1.0 a\r\n");
    const ShownTable shown = LoadForDisplay(dir.File("sc4.pr"), Lines{"x", "y", "z"});
    EXPECT_EQ(shown.Lines, (Lines{"   0:9.0 b", "   0:1.0 a"}));
    EXPECT_EQ(shown.Rows, (Lines{"   0:9.0 b", "   0:1.0 a", "z"}));
}

TEST(LoadForDisplay, AnUnreadableFileIsAnErrorAndIsNotReplaced) {
    ScratchDir dir;
    fs::create_directory(dir.File("sc4.pr"));
    EXPECT_THROW(LoadForDisplay(dir.File("sc4.pr"), BlankRows()), EFOpenError);
    EXPECT_TRUE(fs::is_directory(dir.File("sc4.pr")));
}

TEST(ClearScoreTable, EmptiesTheFileAndTheNextWinGrowsTheListFromNoRowsToOne) {
    ScratchDir dir;
    const std::string file = dir.File("sc4.pr");
    Lines rows = BlankRows();
    for (int i = 0; i < 3; ++i) rows = RecordWin(file, Win(50 + i, "p"), rows).Rows;

    ClearScoreTable(file);
    EXPECT_EQ(fs::file_size(file), 0u);
    const ShownTable cleared = LoadForDisplay(file, Lines{});
    EXPECT_TRUE(cleared.Rows.empty());

    const RecordedWin win = RecordWin(file, Win(70, "after"), cleared.Rows);
    EXPECT_EQ(win.Rows, Lines{win.Line});
    EXPECT_EQ(win.ScoreRow, 0);
    EXPECT_EQ(ReadBytes(file), win.Line + "\r\n");
}

TEST(ClearScoreTable, AFailedClearingLeavesTheLines) {
    ScratchDir dir;
    const std::string file = dir.File("sc4.pr");
    RecordWin(file, Win(50, "Ana"), BlankRows());
    const std::string before = ReadBytes(file);
    class FailingRename : public WritePath {
        int Rename(const char*, const char*) override {
            errno = EIO;
            return -1;
        }
    } failing;
    EXPECT_THROW(ClearScoreTable(file, failing), EWriteError);
    EXPECT_EQ(ReadBytes(file), before);
}

// Two game processes that win at the same moment in the same directory must
// both keep every line.
TEST(RecordWin, ProcessesRecordingAtOnceKeepAllTheirLines) {
    ScratchDir dir;
    const std::string file = dir.File("sc4.pr");
    constexpr int processes = 3;
    constexpr int winsEach = 40;
    std::vector<pid_t> children;
    for (int p = 0; p < processes; ++p) {
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            int status = 0;
            try {
                for (int i = 0; i < winsEach; ++i)
                    RecordWin(file,
                              Win((i * 37 + p * 11) % 300, "p" + std::to_string(p) + "w" + std::to_string(i)),
                              BlankRows());
            } catch (...) {
                status = 1;
            }
            _exit(status);
        }
        children.push_back(child);
    }
    for (pid_t child : children) {
        int status = 0;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }

    const Lines lines = *ReadScoreFile(file);
    std::set<std::string> names;
    for (const std::string& line : lines) names.insert(line.substr(line.find_last_of(' ') + 1));
    EXPECT_EQ(lines.size(), static_cast<size_t>(processes * winsEach));
    EXPECT_EQ(names.size(), static_cast<size_t>(processes * winsEach));
    EXPECT_TRUE(std::is_sorted(lines.begin(), lines.end(), [](const std::string& a, const std::string& b) {
        return *ReadDuration(a) < *ReadDuration(b);
    }));
}

// Under a locale whose separator is "٫" every line used to rank last.
TEST(RecordWin, RanksLinesWrittenWithATwoByteSeparator) {
    ScratchDir dir;
    const std::string file = dir.File("sc4.pr");
    const std::string arabic = "\xD9\xAB";
    RecordWin(file, Win(653, "slow", 10, arabic), BlankRows());
    RecordWin(file, Win(74, "fast", 10, arabic), BlankRows());
    const RecordedWin win = RecordWin(file, Win(300, "middle", 10, arabic), BlankRows());
    ASSERT_EQ(win.Lines.size(), 3u);
    EXPECT_EQ(win.Lines[0],
              "   0:7" + arabic + "4" + std::string(11, ' ') + "7.3.2024" + std::string(10, ' ') + "fast");
    EXPECT_TRUE(win.Lines[1].ends_with("middle"));
    EXPECT_TRUE(win.Lines[2].ends_with("slow"));
    EXPECT_EQ(win.ScoreRow, 1);
}

TEST(RecordWin, AFifoInPlaceOfTheFileIsRefusedAtOnceAndClearingLeavesItToo) {
    ScratchDir dir;
    const std::string file = dir.File("sc4.pr");
    ASSERT_EQ(::mkfifo(file.c_str(), 0644), 0);
    const ChildResult refused = RunInChild(
        [&] {
            bool recordRefused = false, clearRefused = false;
            try {
                RecordWin(file, Win(50, "Ana"), BlankRows());
            } catch (const EFOpenError&) {
                recordRefused = true;
            }
            try {
                ClearScoreTable(file);
            } catch (const EFOpenError&) {
                clearRefused = true;
            }
            return recordRefused && clearRefused;
        },
        0, 5);
    EXPECT_TRUE(refused.Succeeded()) << refused.Exited << " " << refused.Status;
    EXPECT_TRUE(fs::is_fifo(file));
    EXPECT_EQ(dir.Names(), std::set<std::string>{"sc4.pr"});
}

// Shared folders, seen by users other than root: the player records a win
// and clears the table where a plain in-place write of the file succeeds.
class SharedFolder : public testing::Test {
protected:
    void SetUp() override {
        if (::geteuid() != 0) GTEST_SKIP() << "needs root to act as other users";
        Folder = dir.Path / "shared";
        fs::create_directory(Folder);
        File = (Folder / "sc4.pr").string();
    }
    // Two wins recorded by the owner of the file, then the player's win.
    bool PlayerRecordsAndFindsThreeLines() {
        return RunInChild(
                   [&] {
                       const RecordedWin win = RecordWin(File, Win(40, "player"), BlankRows());
                       return win.ScoreRow == 0 && win.Lines.size() == 3 && *ReadScoreFile(File) == win.Lines;
                   },
                   PlayerUid)
            .Succeeded();
    }
    bool PlayerClears() {
        return RunInChild(
                   [&] {
                       ClearScoreTable(File);
                       return ReadScoreFile(File)->empty();
                   },
                   PlayerUid)
            .Succeeded();
    }
    void TableOwnedBy(uid_t owner, fs::perms mode) {
        RecordWin(File, Win(50, "Ana"), BlankRows());
        RecordWin(File, Win(60, "Bo"), BlankRows());
        ASSERT_EQ(::chown(File.c_str(), owner, owner), 0);
        fs::permissions(File, mode);
    }
    std::set<std::string> Names() const {
        std::set<std::string> names;
        for (const auto& entry : fs::directory_iterator(Folder))
            names.insert(entry.path().filename().string());
        return names;
    }
    uid_t OwnerOfFile() const {
        struct stat info {};
        ::stat(File.c_str(), &info);
        return info.st_uid;
    }

    ScratchDir dir;
    fs::path Folder;
    std::string File;
};

TEST_F(SharedFolder, AFolderThePlayerCannotWriteHoldingTheirWritableTable) {
    fs::permissions(Folder, fs::perms(0755));
    TableOwnedBy(PlayerUid, fs::perms(0644));
    EXPECT_TRUE(PlayerRecordsAndFindsThreeLines());
    EXPECT_TRUE(ReadScoreFile(File)->at(0).ends_with("player"));
    EXPECT_TRUE(PlayerClears());
    EXPECT_EQ(fs::file_size(File), 0u);
    EXPECT_EQ(Names(), std::set<std::string>{"sc4.pr"});
}

TEST_F(SharedFolder, AStickyFolderWithATableOfAnotherUser) {
    fs::permissions(Folder, fs::perms(01777));
    TableOwnedBy(OtherUid, fs::perms(0666));
    EXPECT_TRUE(PlayerRecordsAndFindsThreeLines());
    EXPECT_EQ(OwnerOfFile(), OtherUid); // written in place, still the other user's
    EXPECT_TRUE(PlayerClears());
    EXPECT_EQ(fs::file_size(File), 0u);
    EXPECT_EQ(Names(), std::set<std::string>{"sc4.pr"});
}

TEST_F(SharedFolder, ALockFileLeftByAnotherUserDoesNotStopThePlayer) {
    fs::permissions(Folder, fs::perms(01777));
    WriteBytes(File + ".lock", "");
    ASSERT_EQ(::chown((File + ".lock").c_str(), OtherUid, OtherUid), 0);
    fs::permissions(File + ".lock", fs::perms(0644));
    TableOwnedBy(PlayerUid, fs::perms(0644));
    EXPECT_TRUE(PlayerRecordsAndFindsThreeLines());
    EXPECT_TRUE(PlayerClears());
    EXPECT_EQ(Names(), (std::set<std::string>{"sc4.pr", "sc4.pr.lock"}));
}

TEST_F(SharedFolder, AReadOnlyTableInAWritableFolderIsStillRefused) {
    fs::permissions(Folder, fs::perms(0777));
    TableOwnedBy(OtherUid, fs::perms(0644));
    const std::string before = ReadBytes(File);
    EXPECT_FALSE(PlayerRecordsAndFindsThreeLines());
    EXPECT_FALSE(PlayerClears());
    EXPECT_EQ(ReadBytes(File), before);
    EXPECT_EQ(Names(), std::set<std::string>{"sc4.pr"});
}
