#pragma once
// Streams that the encoders write through. TGIFStream stands in for a stream
// that may only be written in its own way; TGIFWriter packs everything
// written into GIF data sub-blocks of up to 255 bytes through one 256-byte
// buffer.

#include "Stream.h"

#include <cstdint>

class TGIFStream : public TStream {
public:
    explicit TGIFStream(TStream& target) : Target(target) {}

    // Fail with "Invalid stream operation": the GIF stream is write-only and
    // knows no positions.
    int64_t Read(void* buffer, int64_t count) override;
    void Write(const void* buffer, int64_t count) override;
    int64_t Seek(int64_t offset, TSeekOrigin origin) override;

protected:
    TStream& Target;
    // Byte 0 holds the sub-block size, bytes 1..255 the data.
    uint8_t Buffer[256];
    int Count = 1;
};

class TGIFWriter : public TGIFStream {
public:
    using TGIFStream::TGIFStream;
    // Writes a last, partly filled sub-block; errors of the target are
    // swallowed here (Flush reports them on the normal path).
    ~TGIFWriter() override;

    void Write(const void* buffer, int64_t count) override;
    // The encoders' path: one byte into the buffer, a sub-block out when it
    // holds 255 data bytes.
    void PutByte(uint8_t value) {
        Buffer[Count++] = value;
        if (Count == 256) Flush();
    }
    // Writes the buffered data as one sub-block, when there is any.
    void Flush();
};
