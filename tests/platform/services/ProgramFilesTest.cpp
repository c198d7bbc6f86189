// Where the program finds the files that lie beside it: a build tree keeps
// them beside the program, an installation in its data folder.
#include "ProgramFiles.h"
#include "StartOptions.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

void Touch(const QString& path) {
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
}

} // namespace

TEST(ProgramFiles, BesideTheProgramFirstThenTheInstalledDataFolder) {
    QTemporaryDir root;
    const QString bin = root.filePath("usr/bin/");
    const QString data = root.filePath("usr/share/tulva-and-vesk/");
    QDir().mkpath(bin);
    // Neither holds the files: the program's own directory, where a missing
    // file is then reported.
    EXPECT_EQ(LocateProgramDir(bin, "../share/tulva-and-vesk", "DING.WAV"), bin);
    Touch(data + "ding.wav"); // found without regard to case
    EXPECT_EQ(LocateProgramDir(bin, "../share/tulva-and-vesk", "DING.WAV"), data);
    EXPECT_EQ(LocateProgramDir(bin, data, "DING.WAV"), data); // an absolute data folder
    EXPECT_EQ(LocateProgramDir(bin, "", "DING.WAV"), bin);
    Touch(bin + "DING.WAV");
    EXPECT_EQ(LocateProgramDir(bin, "../share/tulva-and-vesk", "DING.WAV"), bin);
}

TEST(StartOptions, UserDataKeepsScoresInTheDataFolderATerminalStartWhereItIs) {
    QStandardPaths::setTestModeEnabled(true);
    const QString before = QDir::currentPath();
    char program[] = "tulva";
    char userData[] = "--user-data";
    char unknown[] = "--colour";
    char* plain[] = {program, nullptr};
    EXPECT_EQ(ApplyStartOptions(1, plain), -1);
    EXPECT_EQ(QDir::currentPath(), before);
    char* wrong[] = {program, unknown, nullptr};
    EXPECT_EQ(ApplyStartOptions(2, wrong), 2);
    EXPECT_EQ(QDir::currentPath(), before);
    char* desktop[] = {program, userData, nullptr};
    EXPECT_EQ(ApplyStartOptions(2, desktop), -1);
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    EXPECT_EQ(QDir::currentPath(), QDir(folder).canonicalPath());
    QDir::setCurrent(before);
    QStandardPaths::setTestModeEnabled(false);
}
