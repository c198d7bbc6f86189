#include "ScoreFile.h"

#include "Exceptions.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::string Reason(int error) {
    return std::strerror(error);
}

std::string Quoted(const std::string& fileName) {
    return "\"" + fileName + "\"";
}

// Closes a descriptor when it goes out of scope.
class FileHandle {
public:
    explicit FileHandle(int fd) : Fd(fd) {}
    ~FileHandle() {
        if (Fd >= 0) ::close(Fd);
    }
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;
    int Get() const { return Fd; }
    // Closes now and tells whether the close succeeded.
    bool Close() {
        const int fd = Fd;
        Fd = -1;
        return ::close(fd) == 0;
    }

private:
    int Fd;
};

std::string ReadAll(const std::string& fileName, int fd) {
    std::string text;
    char buffer[1 << 16];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n == 0) return text;
        if (n < 0) {
            if (errno == EINTR) continue;
            throw EReadError("Cannot read file " + Quoted(fileName) + ". " + Reason(errno));
        }
        text.append(buffer, static_cast<size_t>(n));
    }
}

void WriteAll(WritePath& path, int fd, const std::string& text, const std::string& fileName) {
    size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = path.Write(fd, text.data() + done, text.size() - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            throw EWriteError("Stream write error on " + Quoted(fileName) + ": " + Reason(errno));
        }
        done += static_cast<size_t>(n);
    }
}

// Makes the rename itself lasting; failure here loses nothing already written.
void SyncDirectoryOf(const std::string& fileName) {
    std::string directory = std::filesystem::path(fileName).parent_path().string();
    if (directory.empty()) directory = ".";
    const int fd = ::open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    ::fsync(fd);
    ::close(fd);
}

} // namespace

std::vector<std::string> SplitScoreText(std::string_view text) {
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < text.size()) {
        const size_t end = text.find_first_of("\r\n", start);
        if (end == std::string_view::npos) {
            lines.emplace_back(text.substr(start));
            break;
        }
        lines.emplace_back(text.substr(start, end - start));
        start = end + 1;
        if (text[end] == '\r' && start < text.size() && text[start] == '\n') ++start;
    }
    return lines;
}

std::string JoinScoreLines(const std::vector<std::string>& lines) {
    size_t size = 0;
    for (const std::string& line : lines) size += line.size() + 2;
    std::string text;
    text.reserve(size);
    for (const std::string& line : lines) {
        text += line;
        text += "\r\n";
    }
    return text;
}

std::optional<std::vector<std::string>> ReadScoreFile(const std::string& fileName) {
    FileHandle file(::open(fileName.c_str(), O_RDONLY | O_CLOEXEC));
    if (file.Get() < 0) {
        if (errno == ENOENT) return std::nullopt;
        throw EFOpenError("Cannot open file " + Quoted(fileName) + ". " + Reason(errno));
    }
    // A directory opens for reading; say so before reading fails less clearly.
    struct stat info {};
    if (::fstat(file.Get(), &info) == 0 && S_ISDIR(info.st_mode))
        throw EFOpenError("Cannot open file " + Quoted(fileName) + ". " + Reason(EISDIR));
    return SplitScoreText(ReadAll(fileName, file.Get()));
}

void CreateEmptyScoreFile(const std::string& fileName) {
    // No O_TRUNC: a file that appeared in the meantime keeps its lines.
    FileHandle file(::open(fileName.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0666));
    if (file.Get() < 0) throw EFCreateError("Cannot create file " + Quoted(fileName) + ". " + Reason(errno));
}

std::string TemporaryScoreFileName(const std::string& fileName) {
    return fileName + ".tmp";
}

void WriteScoreFile(const std::string& fileName, const std::vector<std::string>& lines, WritePath& path) {
    // A replacing rename would get round a write-protected file; refuse as a
    // direct write would.
    if (::access(fileName.c_str(), W_OK) != 0 && errno != ENOENT)
        throw EFCreateError("Cannot create file " + Quoted(fileName) + ". " + Reason(errno));

    const std::string temporary = TemporaryScoreFileName(fileName);
    // O_TRUNC: a temporary file left by a save that crashed is simply reused.
    FileHandle file(::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666));
    if (file.Get() < 0) throw EFCreateError("Cannot create file " + Quoted(temporary) + ". " + Reason(errno));

    struct stat old {};
    if (::stat(fileName.c_str(), &old) == 0) ::fchmod(file.Get(), old.st_mode & 07777);

    try {
        WriteAll(path, file.Get(), JoinScoreLines(lines), fileName);
        if (path.Sync(file.Get()) != 0)
            throw EWriteError("Stream write error on " + Quoted(fileName) + ": " + Reason(errno));
        if (!file.Close())
            throw EWriteError("Stream write error on " + Quoted(fileName) + ": " + Reason(errno));
        if (path.Rename(temporary.c_str(), fileName.c_str()) != 0)
            throw EWriteError("Cannot replace file " + Quoted(fileName) + ". " + Reason(errno));
    } catch (...) {
        ::unlink(temporary.c_str());
        throw;
    }
    SyncDirectoryOf(fileName);
}
