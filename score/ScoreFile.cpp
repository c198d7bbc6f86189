#include "ScoreFile.h"

#include "Exceptions.h"
#include "FileHandle.h"
#include "FileReplacement.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::string Reason(int error) {
    return std::strerror(error);
}

std::string Quoted(const std::string& fileName) {
    return "\"" + fileName + "\"";
}

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

// The regular file a score file's name stands for; anything else (a
// directory, a FIFO, a device) is refused before it is opened for reading or
// writing, so nothing blocks and nothing endless is read.
void RequireRegularFile(const std::string& fileName, const struct stat& info) {
    if (S_ISREG(info.st_mode)) return;
    throw EFOpenError("Cannot open file " + Quoted(fileName) + ". " +
                      (S_ISDIR(info.st_mode) ? Reason(EISDIR) : std::string("Not a regular file")));
}

bool IsPermissionError(int error) {
    return error == EACCES || error == EPERM || error == EROFS;
}

void WriteAndSync(WritePath& path, int fd, const std::string& text, const std::string& fileName) {
    WriteAll(path, fd, text, fileName);
    if (path.Sync(fd) != 0)
        throw EWriteError("Stream write error on " + Quoted(fileName) + ": " + Reason(errno));
}

// Writes the whole text into a temporary file and renames it over the
// target. False, with nothing changed, when the folder does not let this user
// put or replace a file there (a read-only or sticky folder); the caller then
// writes the target in place.
bool ReplaceByRename(WritePath& path, const std::string& target, const struct stat* old,
                     const std::string& text, const std::string& fileName) {
    std::string temporary;
    TFileHandle file(CreateTemporaryBeside(target, ".", temporary));
    if (file.Get() < 0) {
        if (IsPermissionError(errno)) return false;
        throw EFCreateError("Cannot create file " + Quoted(fileName) + ". " + Reason(errno));
    }
    if (old) ::fchmod(file.Get(), old->st_mode & 07777);
    try {
        WriteAndSync(path, file.Get(), text, fileName);
        if (!file.Close())
            throw EWriteError("Stream write error on " + Quoted(fileName) + ": " + Reason(errno));
        if (path.Rename(temporary.c_str(), target.c_str()) != 0) {
            // A sticky folder keeps another user's file from being replaced.
            if (old && IsPermissionError(errno)) {
                ::unlink(temporary.c_str());
                return false;
            }
            throw EWriteError("Cannot replace file " + Quoted(fileName) + ". " + Reason(errno));
        }
    } catch (...) {
        ::unlink(temporary.c_str());
        throw;
    }
    SyncFolderOf(target);
    return true;
}

// Writes the target in place, as a plain save would: the only way left when
// the folder takes no new file. An existing file is opened without O_CREAT
// (which sticky folders refuse for another user's file) and never through a
// link; a missing one is created exclusively.
void WriteInPlace(WritePath& path, const std::string& target, bool exists, const std::string& text,
                  const std::string& fileName) {
    const int flags = O_WRONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC | (exists ? 0 : O_CREAT | O_EXCL);
    TFileHandle file(::open(target.c_str(), flags, 0666));
    if (file.Get() < 0) throw EFCreateError("Cannot create file " + Quoted(fileName) + ". " + Reason(errno));
    struct stat info {};
    if (::fstat(file.Get(), &info) != 0)
        throw EFCreateError("Cannot create file " + Quoted(fileName) + ". " + Reason(errno));
    RequireRegularFile(fileName, info);
    WriteAll(path, file.Get(), text, fileName);
    if (::ftruncate(file.Get(), static_cast<off_t>(text.size())) != 0 || path.Sync(file.Get()) != 0 ||
        !file.Close())
        throw EWriteError("Stream write error on " + Quoted(fileName) + ": " + Reason(errno));
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

std::string ScoreFileTarget(const std::string& fileName) {
    const TLinkTarget found = FollowLinks(fileName);
    if (found.Error == ELOOP)
        throw EFOpenError("Cannot open file " + Quoted(fileName) + ". " + Reason(ELOOP));
    return found.Target;
}

std::optional<std::vector<std::string>> ReadScoreFile(const std::string& fileName) {
    struct stat info {};
    if (::stat(fileName.c_str(), &info) != 0) {
        if (errno == ENOENT) return std::nullopt;
        throw EFOpenError("Cannot open file " + Quoted(fileName) + ". " + Reason(errno));
    }
    RequireRegularFile(fileName, info);
    // O_NONBLOCK: should a FIFO have taken the file's place since, the open
    // does not wait for a writer; the check below then refuses it.
    TFileHandle file(::open(fileName.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    if (file.Get() < 0) {
        if (errno == ENOENT) return std::nullopt;
        throw EFOpenError("Cannot open file " + Quoted(fileName) + ". " + Reason(errno));
    }
    if (::fstat(file.Get(), &info) != 0)
        throw EFOpenError("Cannot open file " + Quoted(fileName) + ". " + Reason(errno));
    RequireRegularFile(fileName, info);
    return SplitScoreText(ReadAll(fileName, file.Get()));
}

void CreateEmptyScoreFile(const std::string& fileName) {
    // Exclusive: a file that appeared in the meantime keeps its lines, and a
    // link is followed to where its target is to be.
    const std::string target = ScoreFileTarget(fileName);
    TFileHandle file(::open(target.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666));
    if (file.Get() < 0 && errno != EEXIST)
        throw EFCreateError("Cannot create file " + Quoted(fileName) + ". " + Reason(errno));
}

void WriteScoreFile(const std::string& fileName, const std::vector<std::string>& lines, WritePath& path) {
    const std::string target = ScoreFileTarget(fileName);
    struct stat old {};
    const bool exists = ::lstat(target.c_str(), &old) == 0;
    if (!exists && errno != ENOENT)
        throw EFCreateError("Cannot create file " + Quoted(fileName) + ". " + Reason(errno));
    if (exists) {
        RequireRegularFile(fileName, old);
        // Replacing the file by a rename would get round its write
        // protection; refuse as a plain write would.
        if (::faccessat(AT_FDCWD, target.c_str(), W_OK, AT_EACCESS) != 0)
            throw EFCreateError("Cannot create file " + Quoted(fileName) + ". " + Reason(errno));
    }
    const std::string text = JoinScoreLines(lines);
    if (!ReplaceByRename(path, target, exists ? &old : nullptr, text, fileName))
        WriteInPlace(path, target, exists, text, fileName);
}
