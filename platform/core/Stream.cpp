#include "Stream.h"

#include "Exceptions.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

int64_t TStream::Size() {
    const int64_t here = Seek(0, TSeekOrigin::Current);
    const int64_t end = Seek(0, TSeekOrigin::End);
    Seek(here, TSeekOrigin::Beginning);
    return end;
}

void TStream::ReadExact(void* buffer, int64_t count) {
    if (count < 0 || Read(buffer, count) != count) throw EReadError("Stream read error");
}

uint8_t TStream::ReadByte() {
    uint8_t value = 0;
    ReadExact(&value, 1);
    return value;
}

int64_t TStream::CopyFrom(TStream& source, int64_t count) {
    if (count == 0) {
        source.SetPosition(0);
        count = source.Size();
    }
    uint8_t buffer[65536];
    int64_t left = count;
    while (left > 0) {
        const int64_t chunk = std::min<int64_t>(left, sizeof buffer);
        source.ReadExact(buffer, chunk);
        Write(buffer, chunk);
        left -= chunk;
    }
    return count;
}

namespace {

int64_t SeekTarget(int64_t offset, TSeekOrigin origin, int64_t pos, int64_t size) {
    int64_t target = offset;
    if (origin == TSeekOrigin::Current) target = pos + offset;
    if (origin == TSeekOrigin::End) target = size + offset;
    if (target < 0) throw EStreamError("Stream seek error");
    return target;
}

// Lends up to count of the size bytes at data from pos on, and moves pos past them.
const uint8_t* LendFrom(const uint8_t* data, int64_t size, int64_t& pos, int64_t& count) {
    count = std::clamp<int64_t>(count, 0, std::max<int64_t>(0, size - pos));
    const uint8_t* const bytes = data + std::min(pos, size);
    pos += count;
    return bytes;
}

} // namespace

const uint8_t* TMemoryStream::Lend(int64_t& count) {
    return LendFrom(Bytes.data(), Size(), Pos, count);
}

int64_t TMemoryStream::Read(void* buffer, int64_t count) {
    const int64_t size = Size();
    if (count <= 0 || Pos >= size) return 0;
    const int64_t n = std::min(count, size - Pos);
    std::memcpy(buffer, Bytes.data() + Pos, static_cast<size_t>(n));
    Pos += n;
    return n;
}

void TMemoryStream::Write(const void* buffer, int64_t count) {
    if (count <= 0) return;
    const size_t end = static_cast<size_t>(Pos + count);
    if (end > Bytes.size()) Bytes.resize(end);
    std::memcpy(Bytes.data() + Pos, buffer, static_cast<size_t>(count));
    Pos += count;
}

int64_t TMemoryStream::Seek(int64_t offset, TSeekOrigin origin) {
    Pos = SeekTarget(offset, origin, Pos, Size());
    return Pos;
}

void TMemoryStream::SetSize(int64_t size) {
    Bytes.resize(static_cast<size_t>(size));
    Pos = std::min(Pos, size);
}

void TMemoryStream::Clear() {
    Bytes.clear();
    Pos = 0;
}

void TMemoryStream::LoadFromFile(const std::string& fileName) {
    TFileStream file(fileName, TFileMode::OpenRead);
    Clear();
    CopyFrom(file, 0);
    Pos = 0;
}

void TMemoryStream::SaveToFile(const std::string& fileName) {
    TFileStream file(fileName, TFileMode::Create);
    file.Write(Bytes.data(), Size());
    file.Close();
}

const uint8_t* TBorrowedMemoryStream::Lend(int64_t& count) {
    return LendFrom(Data, Length, Pos, count);
}

int64_t TBorrowedMemoryStream::Read(void* buffer, int64_t count) {
    if (count <= 0 || Pos >= Length) return 0;
    const int64_t n = std::min(count, Length - Pos);
    std::memcpy(buffer, Data + Pos, static_cast<size_t>(n));
    Pos += n;
    return n;
}

void TBorrowedMemoryStream::Write(const void*, int64_t) {
    throw EWriteError("Stream write error");
}

int64_t TBorrowedMemoryStream::Seek(int64_t offset, TSeekOrigin origin) {
    Pos = SeekTarget(offset, origin, Pos, Length);
    return Pos;
}

TFileStream::TFileStream(const std::string& fileName, TFileMode mode) : Name(fileName) {
    const char* how = mode == TFileMode::OpenRead ? "rb" : mode == TFileMode::OpenReadWrite ? "r+b" : "w+b";
    File = std::fopen(fileName.c_str(), how);
    if (!File) {
        const std::string reason = std::strerror(errno);
        if (mode == TFileMode::Create)
            throw EFCreateError("Cannot create file \"" + fileName + "\". " + reason);
        throw EFOpenError("Cannot open file \"" + fileName + "\". " + reason);
    }
}

TFileStream::~TFileStream() {
    if (File) std::fclose(File);
}

int64_t TFileStream::Read(void* buffer, int64_t count) {
    if (count <= 0) return 0;
    const size_t n = std::fread(buffer, 1, static_cast<size_t>(count), File);
    if (n < static_cast<size_t>(count) && std::ferror(File))
        throw EReadError("Stream read error: " + std::string(std::strerror(errno)));
    return static_cast<int64_t>(n);
}

void TFileStream::Write(const void* buffer, int64_t count) {
    if (count <= 0) return;
    if (std::fwrite(buffer, 1, static_cast<size_t>(count), File) != static_cast<size_t>(count))
        throw EWriteError("Stream write error: " + std::string(std::strerror(errno)));
}

int64_t TFileStream::Seek(int64_t offset, TSeekOrigin origin) {
    const int whence = origin == TSeekOrigin::Beginning ? SEEK_SET
                       : origin == TSeekOrigin::Current ? SEEK_CUR
                                                        : SEEK_END;
    if (std::fseek(File, offset, whence) != 0) throw EStreamError("Stream seek error");
    return std::ftell(File);
}

void TFileStream::Close() {
    if (!File) return;
    const bool flushed = std::fflush(File) == 0;
    const int err = errno;
    const bool closed = std::fclose(File) == 0;
    File = nullptr;
    if (!flushed || !closed)
        throw EWriteError("Stream write error on \"" + Name + "\": " + std::strerror(err));
}
