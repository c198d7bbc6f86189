#include "GIFTrailer.h"

#include "GIFMessages.h"
#include "GIFStreamIO.h"

void TGIFTrailer::LoadFromStream(TStream& stream) {
    uint8_t value = 0;
    if (GIFIO::ReadByte(stream, value) && value != bsTrailer)
        Warning(SeverityWarning, GIFMessages::InvalidTrailer);
}
