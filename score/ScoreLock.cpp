#include "ScoreLock.h"

#include "ScoreFile.h"

#include <cerrno>
#include <fcntl.h>
#include <filesystem>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Opens something to lock: the folder, or else the file when it is regular.
int OpenLockable(const std::string& target) {
    std::filesystem::path folder = std::filesystem::path(target).parent_path();
    if (folder.empty()) folder = std::filesystem::path(".");
    int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) return fd;
    fd = ::open(target.c_str(), O_RDONLY | O_NONBLOCK | O_NOFOLLOW | O_CLOEXEC);
    struct stat info {};
    if (fd >= 0 && (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode))) {
        ::close(fd);
        return -1;
    }
    return fd;
}

} // namespace

ScoreLock::ScoreLock(const std::string& scoreFileName) {
    Fd = OpenLockable(ScoreFileTarget(scoreFileName));
    if (Fd < 0) return;
    // flock belongs to the open file, so it also parts two threads that each
    // opened the folder; a signal may interrupt the wait.
    int result;
    do result = ::flock(Fd, LOCK_EX);
    while (result != 0 && errno == EINTR);
    if (result != 0) {
        ::close(Fd);
        Fd = -1;
    }
}

ScoreLock::~ScoreLock() {
    // Closing the descriptor releases the lock.
    if (Fd >= 0) ::close(Fd);
}
