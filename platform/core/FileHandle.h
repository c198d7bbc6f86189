#pragma once
// A file descriptor that is closed when it goes out of scope, for the
// places that write files through the system calls themselves (to create
// them exclusively, never through a link, and to sync them).

#include <unistd.h>

class TFileHandle {
public:
    explicit TFileHandle(int fd) : Fd(fd) {}
    ~TFileHandle() {
        if (Fd >= 0) ::close(Fd);
    }
    TFileHandle(const TFileHandle&) = delete;
    TFileHandle& operator=(const TFileHandle&) = delete;
    int Get() const { return Fd; }
    // Closes now and tells whether the close succeeded (NFS reports a
    // failed write there).
    bool Close() {
        const int fd = Fd;
        Fd = -1;
        return ::close(fd) == 0;
    }

private:
    int Fd;
};
