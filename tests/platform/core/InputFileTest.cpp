// Reading a file given by name, whole: regular files, pipes that bring their
// bytes in pieces, folders, and the most a caller lets it read.

#include "InputFile.h"
#include "Exceptions.h"

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

std::vector<uint8_t> Pattern(size_t size) {
    std::vector<uint8_t> bytes(size);
    for (size_t i = 0; i < size; ++i) bytes[i] = static_cast<uint8_t>(i * 7 + i / 251);
    return bytes;
}

// Reads through a pipe that a thread fills in pieces of 1000 bytes.
std::vector<uint8_t> ReadPiped(const std::vector<uint8_t>& bytes, int64_t maxBytes) {
    int fds[2];
    EXPECT_EQ(::pipe(fds), 0);
    std::thread writer([&] {
        for (size_t at = 0; at < bytes.size(); at += 1000)
            if (::write(fds[1], bytes.data() + at, std::min<size_t>(1000, bytes.size() - at)) < 0) break;
        ::close(fds[1]);
    });
    try {
        std::vector<uint8_t> read = ReadInputFile("/dev/fd/" + std::to_string(fds[0]), maxBytes);
        writer.join();
        ::close(fds[0]);
        return read;
    } catch (...) {
        ::close(fds[0]); // the writer's next piece fails and it ends
        writer.join();
        throw;
    }
}

} // namespace

TEST(InputFile, ReadsFilesAndPipesWholeUpToTheMostAllowed) {
    const std::filesystem::path folder = std::filesystem::temp_directory_path() / "tv-input-file-test";
    std::filesystem::create_directories(folder);
    const std::vector<uint8_t> bytes = Pattern(300000);
    const std::string file = (folder / "bytes").string();
    std::ofstream(file, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), bytes.size());

    EXPECT_EQ(ReadInputFile(file), bytes);
    EXPECT_EQ(ReadInputFile(file, 300000), bytes);
    EXPECT_THROW(ReadInputFile(file, 299999), EReadError);
    try {
        ReadInputFile(folder.string());
        ADD_FAILURE() << "a folder was read";
    } catch (const EFOpenError& e) {
        EXPECT_STREQ(e.what(), "is a folder, not a file");
    }

    // A pipe's bytes come in pieces, more than its buffer holds.
    const auto ignored = std::signal(SIGPIPE, SIG_IGN);
    EXPECT_EQ(ReadPiped(bytes, 300000), bytes);
    EXPECT_THROW(ReadPiped(bytes, 100000), EReadError);
    std::signal(SIGPIPE, ignored);
    std::filesystem::remove_all(folder);
}
