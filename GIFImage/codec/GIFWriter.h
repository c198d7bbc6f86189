#pragma once
// Streams that GIF data is written through. TGIFStream stands in for a
// stream that may only be written in its own way; TGIFWriter packs everything
// written into GIF data sub-blocks of up to 255 bytes. It is the one writer
// of sub-blocks: the encoders write their codes through it, and extensions
// their text and data.

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
    // Writes a last, partly filled sub-block unless the target has failed;
    // errors of the target are swallowed here (Flush reports them on the
    // normal path).
    ~TGIFWriter() override;

    // Full sub-blocks go out as they fill, many in one write of the target
    // when the caller hands over many bytes; the rest waits in the buffer.
    void Write(const void* buffer, int64_t count) override;
    // The encoders' path: one byte into the buffer, a sub-block out when it
    // holds 255 data bytes.
    void PutByte(uint8_t value) {
        Buffer[Count++] = value;
        if (Count == 256) Flush();
    }
    // Writes the buffered data as one sub-block, when there is any.
    void Flush();
    // Whether a write of the target has failed: what it was given is gone
    // from the buffers, and nothing more is written to it.
    bool Failed() const { return TargetFailed; }

private:
    void WriteTarget(const uint8_t* bytes, int count);

    static constexpr int BlocksAtOnce = 32;
    uint8_t Framed[BlocksAtOnce * 256];
    bool TargetFailed = false;
};
