#include "GIFWriter.h"

#include "Exceptions.h"
#include "GIFMessages.h"

#include <algorithm>
#include <cstring>

int64_t TGIFStream::Read(void*, int64_t) {
    throw Exception(GIFMessages::InvalidStreamOperation);
}

void TGIFStream::Write(const void*, int64_t) {
    throw Exception(GIFMessages::InvalidStreamOperation);
}

int64_t TGIFStream::Seek(int64_t, TSeekOrigin) {
    throw Exception(GIFMessages::InvalidStreamOperation);
}

TGIFWriter::~TGIFWriter() {
    if (TargetFailed) return;
    try {
        Flush();
    } catch (...) {
        // Only reached when a failure is already on its way to the caller.
    }
}

void TGIFWriter::Write(const void* buffer, int64_t count) {
    const auto* bytes = static_cast<const uint8_t*>(buffer);
    // First the sub-block that is partly filled.
    if (Count > 1) {
        const int64_t n = std::min<int64_t>(count, 256 - Count);
        std::memcpy(Buffer + Count, bytes, static_cast<size_t>(n));
        Count += static_cast<int>(n);
        bytes += n;
        count -= n;
        if (Count < 256) return;
        Flush();
    }
    // Then full sub-blocks framed straight from the caller's bytes, many to
    // one write of the target.
    while (count >= 255) {
        int framed = 0;
        for (; count >= 255 && framed < BlocksAtOnce * 256; framed += 256, bytes += 255, count -= 255) {
            Framed[framed] = 255;
            std::memcpy(Framed + framed + 1, bytes, 255);
        }
        WriteTarget(Framed, framed);
    }
    std::memcpy(Buffer + 1, bytes, static_cast<size_t>(count));
    Count = 1 + static_cast<int>(count);
}

void TGIFWriter::Flush() {
    if (Count <= 1) return;
    Buffer[0] = static_cast<uint8_t>(Count - 1);
    const int size = Count;
    // Reset first: a failing target must not see the same block again.
    Count = 1;
    WriteTarget(Buffer, size);
}

void TGIFWriter::WriteTarget(const uint8_t* bytes, int count) {
    TargetFailed = true;
    Target.Write(bytes, count);
    TargetFailed = false;
}
