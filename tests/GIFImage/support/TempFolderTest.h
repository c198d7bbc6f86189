#pragma once
// A test suite whose tests write files: each test gets a fresh folder of
// its own under the system's temporary folder (named by the suite and the
// process, so that suites run side by side never meet), removed after it.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <unistd.h>

class TempFolderTest : public ::testing::Test {
protected:
    explicit TempFolderTest(std::string name) : Name(std::move(name)) {}
    void SetUp() override {
        Folder = std::filesystem::temp_directory_path() / (Name + "-" + std::to_string(::getpid()));
        std::filesystem::create_directories(Folder);
    }
    void TearDown() override { std::filesystem::remove_all(Folder); }
    std::filesystem::path Folder;

private:
    std::string Name;
};
