#include "OutputFile.h"

#include "Exceptions.h"
#include "FileHandle.h"
#include "FileReplacement.h"
#include "Stream.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace Tvgif {

namespace {

[[noreturn]] void CannotCreate(int error) {
    throw EFCreateError(std::string("cannot write: ") + std::strerror(error));
}

[[noreturn]] void CannotWrite(int error) {
    throw EWriteError(std::string("cannot write: ") + std::strerror(error));
}

void WriteAll(int fd, const uint8_t* data, size_t size) {
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size);
        if (n < 0) {
            if (errno == EINTR) continue;
            CannotWrite(errno);
        }
        data += n;
        size -= static_cast<size_t>(n);
    }
}

// A stream that writes straight onto a file descriptor, for output made
// piece by piece; it keeps no position to return to.
class TDescriptorStream : public TStream {
public:
    explicit TDescriptorStream(int fd) : Fd(fd) {}
    int64_t Read(void*, int64_t) override { throw EReadError("write-only stream"); }
    void Write(const void* buffer, int64_t count) override {
        WriteAll(Fd, static_cast<const uint8_t*>(buffer), static_cast<size_t>(count));
        Written += count;
    }
    int64_t Seek(int64_t offset, TSeekOrigin origin) override {
        if (offset == 0 && origin != TSeekOrigin::Beginning) return Written;
        throw EWriteError("cannot write: the output cannot go back");
    }

private:
    int Fd;
    int64_t Written = 0;
};

// The file that fileName stands for: links followed to the name they point
// at, whether or not that exists yet.
std::string LinkTarget(const std::string& fileName) {
    const TLinkTarget found = FollowLinks(fileName);
    if (found.Error != 0) CannotCreate(found.Error);
    return found.Target;
}

void ReplaceByRename(const std::string& target, const struct stat* old,
                     const std::function<void(int)>& fill) {
    std::string temporary;
    TFileHandle file(CreateTemporaryBeside(target, ".tvgif-", temporary));
    if (file.Get() < 0) CannotCreate(errno);
    try {
        if (old) {
            // Another user's file stays theirs where we may give it back
            // (as root); elsewhere the new file is ours, as any rewrite's.
            if (old->st_uid != ::geteuid() || old->st_gid != ::getegid())
                (void)!::fchown(file.Get(), old->st_uid, old->st_gid);
            if (::fchmod(file.Get(), old->st_mode & 07777) != 0) CannotCreate(errno);
        }
        fill(file.Get());
        if (::fsync(file.Get()) != 0) CannotWrite(errno);
        if (!file.Close()) CannotWrite(errno);
        if (::rename(temporary.c_str(), target.c_str()) != 0) CannotWrite(errno);
    } catch (...) {
        ::unlink(temporary.c_str());
        throw;
    }
    SyncFolderOf(target);
}

} // namespace

std::string OutputName(const std::string& fileName) {
    return fileName == "-" ? "standard output" : fileName;
}

void WriteOutputFile(const std::string& fileName, const uint8_t* data, size_t size) {
    WriteOutputFile(fileName, [&](int fd) { WriteAll(fd, data, size); });
}

void WriteOutputFile(const std::string& fileName, const std::function<void(TStream&)>& write) {
    WriteOutputFile(fileName, [&](int fd) {
        TDescriptorStream stream(fd);
        write(stream);
    });
}

void WriteOutputFile(const std::string& fileName, const std::function<void(int)>& fill) {
    if (fileName == "-") {
        if (std::fflush(stdout) != 0) CannotWrite(errno);
        fill(STDOUT_FILENO);
        return;
    }
    const std::string target = LinkTarget(fileName);
    struct stat old {};
    const bool exists = ::lstat(target.c_str(), &old) == 0;
    if (!exists && errno != ENOENT) CannotCreate(errno);
    if (exists && S_ISDIR(old.st_mode)) throw EFCreateError("is a folder, not a file");
    if (exists && !S_ISREG(old.st_mode)) {
        // A device or a FIFO: replacing it by a file would not be what was
        // asked for.
        TFileHandle file(::open(target.c_str(), O_WRONLY | O_NOFOLLOW | O_NOCTTY | O_CLOEXEC));
        if (file.Get() < 0) CannotCreate(errno);
        fill(file.Get());
        if (!file.Close()) CannotWrite(errno);
        return;
    }
    // Replacing a write-protected file by a rename would get round its
    // protection; refuse as writing it in place would.
    if (exists && ::faccessat(AT_FDCWD, target.c_str(), W_OK, AT_EACCESS) != 0) CannotCreate(errno);
    ReplaceByRename(target, exists ? &old : nullptr, fill);
}

} // namespace Tvgif
