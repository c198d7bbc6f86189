#include "WritePath.h"

#include <cstdio>
#include <unistd.h>

ssize_t WritePath::Write(int fd, const void* data, size_t size) {
    return ::write(fd, data, size);
}

int WritePath::Sync(int fd) {
    return ::fsync(fd);
}

int WritePath::Rename(const char* from, const char* to) {
    return std::rename(from, to);
}

WritePath& WritePath::System() {
    static WritePath path;
    return path;
}
