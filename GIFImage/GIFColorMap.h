#pragma once
// A GIF colour table: up to 256 entries of red, green and blue in file order.

#include "GIFTypes.h"
#include "Geometry.h"
#include "Stream.h"

#include <cstdint>
#include <vector>

class TGIFColorMap {
public:
    static constexpr int MaxColors = 256;

    explicit TGIFColorMap(TGIFImage* image = nullptr) : OwnerImage(image) {}
    virtual ~TGIFColorMap() = default;

    int Count() const { return EntryCount; }
    int Capacity() const { return static_cast<int>(Entries.size() / 3); }
    bool Sorted() const { return IsSorted; }
    void SetSorted(bool value) { IsSorted = value; }

    void Clear();
    // Appends a colour; fails with "Color table overflow" on a full table.
    int Add(TColor color);
    // The colour at index, by the lookup rule: an index outside the table
    // warns "Invalid color index" and reads entry 0; an empty table fails
    // with "Color table is empty".
    TColor Color(int index);
    TPaletteEntry Entry(int index) const;
    void SetEntry(int index, TColor color);
    // 0 for no entries, else the smallest b >= 1 with 2^b >= Count().
    int BitsPerPixel() const;
    // Reads count entries of 3 bytes.
    void LoadFromStream(TStream& stream, int count);
    // Writes the entries and black ones up to 2^BitsPerPixel(), the size the
    // packed size field announces; an empty table writes nothing.
    void SaveToStream(TStream& stream) const;
    const uint8_t* Data() const { return Entries.data(); }

    virtual void Warning(TGIFSeverity severity, const std::string& message);

protected:
    void Reserve(int count);

    TGIFImage* OwnerImage;
    std::vector<uint8_t> Entries; // 3 bytes per entry, Capacity() entries
    int EntryCount = 0;
    bool IsSorted = false;
};

// The logical screen's table; its warnings go to the image.
class TGIFGlobalColorMap : public TGIFColorMap {
public:
    using TGIFColorMap::TGIFColorMap;
};

// A frame's own table; its warnings go to the image.
class TGIFLocalColorMap : public TGIFColorMap {
public:
    using TGIFColorMap::TGIFColorMap;
};
