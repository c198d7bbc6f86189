#include "InputFile.h"

#include "Exceptions.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::string Reason(int error) {
    return std::strerror(error);
}

[[noreturn]] void TooLarge(int64_t maxBytes) {
    throw EReadError("larger than the " + std::to_string(maxBytes) + " bytes an input may have");
}

// Closes a descriptor it opened when it goes out of scope.
class InputHandle {
public:
    explicit InputHandle(const std::string& fileName)
        : Fd(fileName == "-" ? STDIN_FILENO : ::open(fileName.c_str(), O_RDONLY | O_CLOEXEC)),
          Owned(fileName != "-") {}
    ~InputHandle() {
        if (Owned && Fd >= 0) ::close(Fd);
    }
    InputHandle(const InputHandle&) = delete;
    InputHandle& operator=(const InputHandle&) = delete;
    int Get() const { return Fd; }

private:
    int Fd;
    bool Owned;
};

} // namespace

std::string InputName(const std::string& fileName) {
    return fileName == "-" ? "standard input" : fileName;
}

std::vector<uint8_t> ReadInputFile(const std::string& fileName, int64_t maxBytes) {
    InputHandle input(fileName);
    if (input.Get() < 0) throw EFOpenError("cannot read: " + Reason(errno));
    struct stat info {};
    if (::fstat(input.Get(), &info) != 0) throw EFOpenError("cannot read: " + Reason(errno));
    if (S_ISDIR(info.st_mode)) throw EFOpenError("is a folder, not a file");
    if (S_ISREG(info.st_mode) && info.st_size > maxBytes) TooLarge(maxBytes);

    // A regular file's size is known (and read in one go); a pipe's grows as
    // it comes.
    std::vector<uint8_t> bytes;
    size_t size = 0;
    bytes.resize(S_ISREG(info.st_mode) ? static_cast<size_t>(info.st_size) + 1 : size_t{1} << 16);
    for (;;) {
        if (size == bytes.size()) {
            if (bytes.size() > static_cast<size_t>(maxBytes)) TooLarge(maxBytes);
            bytes.resize(std::min(bytes.size() * 2, static_cast<size_t>(maxBytes) + 1));
        }
        const ssize_t n = ::read(input.Get(), bytes.data() + size, bytes.size() - size);
        if (n == 0) break;
        if (n < 0) {
            if (errno == EINTR) continue;
            throw EReadError("cannot read: " + Reason(errno));
        }
        size += static_cast<size_t>(n);
    }
    bytes.resize(size);
    return bytes;
}
