#include "GIFStreamIO.h"

#include "GIFException.h"
#include "GIFMessages.h"

#include <algorithm>

namespace GIFIO {

void ReadExact(TStream& stream, void* buffer, int64_t count) {
    if (count <= 0) return;
    if (stream.Read(buffer, count) != count) throw GIFException(GIFMessages::PrematureEnd);
}

bool ReadByte(TStream& stream, uint8_t& value) {
    return stream.Read(&value, 1) == 1;
}

bool ReadNonZeroByte(TStream& stream, uint8_t& value) {
    do {
        if (!ReadByte(stream, value)) return false;
    } while (value == 0);
    return true;
}

void StepBack(TStream& stream) {
    stream.Seek(-1, TSeekOrigin::Current);
}

void Skip(TStream& stream, int64_t count) {
    if (count <= 0) return;
    const int64_t here = stream.Position();
    const int64_t left = std::max<int64_t>(0, stream.Size() - here);
    stream.SetPosition(here + std::min(count, left));
}

void SkipSubBlocks(TStream& stream) {
    uint8_t size = 0;
    while (ReadByte(stream, size) && size != 0) Skip(stream, size);
}

int64_t MeasureImageData(TStream& stream) {
    const int64_t start = stream.Position();
    const int64_t end = stream.Size();
    int64_t at = start;
    uint8_t size = 0;
    if (ReadByte(stream, size)) {
        ++at;
        while (at < end && ReadByte(stream, size)) {
            at = std::min(end, at + 1 + size);
            if (size == 0) break;
            stream.SetPosition(at);
        }
    }
    stream.SetPosition(start);
    return at - start;
}

} // namespace GIFIO
