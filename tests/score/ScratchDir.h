#pragma once
// A fresh directory for one test, removed afterwards, and small file helpers.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <set>
#include <sstream>
#include <string>

class ScratchDir {
public:
    ScratchDir() {
        std::random_device seed;
        const auto* test = testing::UnitTest::GetInstance()->current_test_info();
        Path = std::filesystem::temp_directory_path() /
               ("tv-score-" + std::string(test ? test->name() : "x") + "-" + std::to_string(seed()));
        std::filesystem::create_directories(Path);
    }
    ~ScratchDir() {
        std::error_code ignored;
        std::filesystem::remove_all(Path, ignored);
    }
    std::string File(const std::string& name) const { return (Path / name).string(); }
    // The names in the directory, to see that a save left nothing behind.
    std::set<std::string> Names() const {
        std::set<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(Path))
            names.insert(entry.path().filename().string());
        return names;
    }

    std::filesystem::path Path;
};

inline std::string ReadBytes(const std::string& fileName) {
    std::ifstream in(fileName, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

inline void WriteBytes(const std::string& fileName, const std::string& text) {
    std::ofstream(fileName, std::ios::binary) << text;
}
