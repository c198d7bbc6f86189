#pragma once
// Byte streams: the one interface through which pictures and files are read
// and written.

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

enum class TSeekOrigin { Beginning, Current, End };

class TStream {
public:
    virtual ~TStream() = default;

    // Reads up to count bytes; returns how many were read (0 at the end).
    virtual int64_t Read(void* buffer, int64_t count) = 0;
    // Writes count bytes or throws EWriteError.
    virtual void Write(const void* buffer, int64_t count) = 0;
    // Moves the position; returns the new position. Throws EStreamError when
    // the stream cannot seek.
    virtual int64_t Seek(int64_t offset, TSeekOrigin origin) = 0;

    int64_t Position() { return Seek(0, TSeekOrigin::Current); }
    void SetPosition(int64_t position) { Seek(position, TSeekOrigin::Beginning); }
    virtual int64_t Size();

    // Reads exactly count bytes or throws EReadError ("Stream read error").
    void ReadExact(void* buffer, int64_t count);
    uint8_t ReadByte();
    void WriteByte(uint8_t value) { Write(&value, 1); }
    // Copies count bytes from source (all of it from the start when count is 0).
    int64_t CopyFrom(TStream& source, int64_t count);
    // Where the next bytes lie in memory, as long as the stream is neither
    // written nor destroyed, and moves past them: up to count bytes, how many
    // in count. Null (and nothing moved) when the stream keeps no bytes in
    // memory; then Read copies them.
    virtual const uint8_t* Lend(int64_t& count) { return (count = 0, nullptr); }
};

// A stream over a growable block of memory.
class TMemoryStream : public TStream {
public:
    TMemoryStream() = default;
    explicit TMemoryStream(std::vector<uint8_t> bytes) : Bytes(std::move(bytes)) {}

    int64_t Read(void* buffer, int64_t count) override;
    void Write(const void* buffer, int64_t count) override;
    int64_t Seek(int64_t offset, TSeekOrigin origin) override;
    int64_t Size() override { return static_cast<int64_t>(Bytes.size()); }
    const uint8_t* Lend(int64_t& count) override;

    void SetSize(int64_t size);
    void Clear();
    const std::vector<uint8_t>& Memory() const { return Bytes; }
    const uint8_t* Data() const { return Bytes.data(); }
    void LoadFromFile(const std::string& fileName);
    void SaveToFile(const std::string& fileName);

private:
    std::vector<uint8_t> Bytes;
    int64_t Pos = 0;
};

// A read-only stream over memory that someone else owns (no copy).
class TBorrowedMemoryStream : public TStream {
public:
    TBorrowedMemoryStream(const void* data, int64_t size)
        : Data(static_cast<const uint8_t*>(data)), Length(size) {}

    int64_t Read(void* buffer, int64_t count) override;
    void Write(const void* buffer, int64_t count) override;
    int64_t Seek(int64_t offset, TSeekOrigin origin) override;
    int64_t Size() override { return Length; }
    const uint8_t* Lend(int64_t& count) override;

private:
    const uint8_t* Data;
    int64_t Length;
    int64_t Pos = 0;
};

enum class TFileMode { OpenRead, OpenReadWrite, Create };

class TFileStream : public TStream {
public:
    // Throws EFOpenError or EFCreateError with the platform's message.
    TFileStream(const std::string& fileName, TFileMode mode);
    ~TFileStream() override;
    TFileStream(const TFileStream&) = delete;
    TFileStream& operator=(const TFileStream&) = delete;

    int64_t Read(void* buffer, int64_t count) override;
    void Write(const void* buffer, int64_t count) override;
    int64_t Seek(int64_t offset, TSeekOrigin origin) override;
    // Flushes and closes; throws EWriteError when the data did not reach the file.
    void Close();

private:
    std::FILE* File = nullptr;
    std::string Name;
};
