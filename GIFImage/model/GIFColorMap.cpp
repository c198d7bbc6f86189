#include "GIFColorMap.h"

#include "GIFException.h"
#include "GIFImage.h"
#include "GIFMessages.h"
#include "GIFStreamIO.h"
#include "GIFWireFormat.h"

#include <algorithm>

void TGIFColorMap::Clear() {
    Entries.clear();
    EntryCount = 0;
    IsSorted = false;
}

void TGIFColorMap::Reserve(int count) {
    if (count <= Capacity()) return;
    // Small tables grow to 16 entries, larger ones in steps of 32.
    const int capacity = count <= 16 ? 16 : std::min(MaxColors, (count + 31) / 32 * 32);
    Entries.resize(static_cast<size_t>(capacity) * 3, 0);
}

int TGIFColorMap::Add(TColor color) {
    if (EntryCount >= MaxColors) throw GIFException(GIFMessages::ColorTableOverflow);
    Reserve(EntryCount + 1);
    ++EntryCount;
    SetEntry(EntryCount - 1, color);
    return EntryCount - 1;
}

TColor TGIFColorMap::Color(int index) {
    if (index < 0 || index >= EntryCount) {
        Warning(SeverityWarning, GIFMessages::InvalidColorIndex);
        if (EntryCount == 0) throw GIFException(GIFMessages::EmptyColorTable);
        index = 0;
    }
    const uint8_t* e = &Entries[static_cast<size_t>(index) * 3];
    return RGBColor(e[0], e[1], e[2]);
}

TPaletteEntry TGIFColorMap::Entry(int index) const {
    if (index < 0 || index >= EntryCount) return {};
    const uint8_t* e = &Entries[static_cast<size_t>(index) * 3];
    return {e[0], e[1], e[2]};
}

void TGIFColorMap::SetEntry(int index, TColor color) {
    if (index < 0 || index >= EntryCount) return;
    uint8_t* e = &Entries[static_cast<size_t>(index) * 3];
    e[0] = RedOf(color);
    e[1] = GreenOf(color);
    e[2] = BlueOf(color);
}

int TGIFColorMap::BitsPerPixel() const {
    return EntryCount == 0 ? 0 : GIFWire::BitsForEntries(EntryCount);
}

void TGIFColorMap::LoadFromStream(TStream& stream, int count) {
    Clear();
    count = std::clamp(count, 0, MaxColors);
    Reserve(count);
    GIFIO::ReadExact(stream, Entries.data(), static_cast<int64_t>(count) * 3);
    EntryCount = count;
}

void TGIFColorMap::SaveToStream(TStream& stream) const {
    if (EntryCount == 0) return;
    stream.Write(Entries.data(), int64_t{EntryCount} * 3);
    const int padding = (1 << BitsPerPixel()) - EntryCount;
    if (padding == 0) return;
    const uint8_t black[3 * MaxColors] = {};
    stream.Write(black, int64_t{padding} * 3);
}

void TGIFColorMap::Warning(TGIFSeverity severity, const std::string& message) {
    if (OwnerImage) OwnerImage->Warning(severity, message);
}
