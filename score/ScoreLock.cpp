#include "ScoreLock.h"

#include "Exceptions.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

std::string ScoreLock::LockFileName(const std::string& scoreFileName) {
    return scoreFileName + ".lock";
}

ScoreLock::ScoreLock(const std::string& scoreFileName) {
    const std::string name = LockFileName(scoreFileName);
    Fd = ::open(name.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
    if (Fd < 0) throw EFCreateError("Cannot create file \"" + name + "\". " + std::strerror(errno));
    // flock belongs to the open file, so it also parts two threads that each
    // opened the lock file; a signal may interrupt the wait.
    int result;
    do result = ::flock(Fd, LOCK_EX);
    while (result != 0 && errno == EINTR);
    if (result != 0) {
        const int error = errno;
        ::close(Fd);
        throw EFOpenError("Cannot lock file \"" + name + "\". " + std::strerror(error));
    }
}

ScoreLock::~ScoreLock() {
    // Closing the file releases the lock.
    ::close(Fd);
}
