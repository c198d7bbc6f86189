#include "FileReplacement.h"

#include <cerrno>
#include <cstdint>
#include <fcntl.h>
#include <filesystem>
#include <random>
#include <sys/stat.h>
#include <unistd.h>

int CreateTemporaryBeside(const std::string& target, const std::string& tag, std::string& temporary) {
    static const char Letters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    std::random_device seed;
    std::mt19937_64 random((uint64_t{seed()} << 32) ^ seed());
    for (int attempt = 0; attempt < 100; ++attempt) {
        temporary = target + tag;
        for (int i = 0; i < 8; ++i) temporary += Letters[random() % (sizeof Letters - 1)];
        const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST) return fd;
    }
    errno = EEXIST;
    return -1;
}

void SyncFolderOf(const std::string& fileName) {
    std::filesystem::path folder = std::filesystem::path(fileName).parent_path();
    if (folder.empty()) folder = std::filesystem::path(".");
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    ::fsync(fd);
    ::close(fd);
}

TLinkTarget FollowLinks(const std::string& fileName) {
    std::filesystem::path current = fileName;
    for (int depth = 0; depth < 40; ++depth) {
        struct stat info {};
        if (::lstat(current.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) return {current.string(), 0};
        std::string link(static_cast<size_t>(info.st_size > 0 ? info.st_size : 4096) + 1, '\0');
        const ssize_t n = ::readlink(current.c_str(), link.data(), link.size());
        if (n < 0) return {current.string(), errno};
        link.resize(static_cast<size_t>(n));
        const std::filesystem::path next = link;
        current = next.is_absolute() ? next : current.parent_path() / next;
    }
    return {current.string(), ELOOP};
}
