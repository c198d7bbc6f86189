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
    try {
        Flush();
    } catch (...) {
        // Only reached when a failure is already on its way to the caller.
    }
}

void TGIFWriter::Write(const void* buffer, int64_t count) {
    const auto* bytes = static_cast<const uint8_t*>(buffer);
    while (count > 0) {
        const int64_t n = std::min<int64_t>(count, 256 - Count);
        std::memcpy(Buffer + Count, bytes, static_cast<size_t>(n));
        Count += static_cast<int>(n);
        bytes += n;
        count -= n;
        if (Count == 256) Flush();
    }
}

void TGIFWriter::Flush() {
    if (Count <= 1) return;
    Buffer[0] = static_cast<uint8_t>(Count - 1);
    const int size = Count;
    // Reset first: a failing target must not see the same block again from
    // the destructor.
    Count = 1;
    Target.Write(Buffer, size);
}
