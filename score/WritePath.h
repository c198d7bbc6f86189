#pragma once
// The system calls through which a score file is saved. Tests put in their
// own to make a save fail part way.

#include <sys/types.h>

#include <cstddef>

class WritePath {
public:
    virtual ~WritePath() = default;

    // The calls behave as their POSIX namesakes: -1 and errno on failure.
    virtual ssize_t Write(int fd, const void* data, size_t size);
    virtual int Sync(int fd);
    virtual int Rename(const char* from, const char* to);

    // The real calls.
    static WritePath& System();
};
