#pragma once
// A GIF colour table: up to 256 entries of red, green and blue in file order.

#include "GIFTypes.h"
#include "Geometry.h"
#include "Stream.h"

#include <array>
#include <cstdint>
#include <vector>

// One entry's use count, as the colour table optimisation sorts them.
struct TColorUse {
    int64_t Count = 0;
    int Index = 0;
};

// Sorts by descending count with the table optimisation's quicksort: the
// middle element is the pivot, the scans stop at counts not above (from the
// left) and not below (from the right) it. Equal counts keep no particular
// order, so the result is given exactly by this sort.
void SortColorUses(std::vector<TColorUse>& uses);

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

    // Use counts of the entries by the pixels of the frames that use this
    // table (indices outside the table are counted in their slot too).
    virtual std::array<int64_t, MaxColors> BuildHistogram();
    // Maps the pixels of the frames that use this table, and the transparent
    // index of those that are transparent, through map.
    virtual void MapImages(const std::array<uint8_t, MaxColors>& map);
    // Sorts the entries by descending use and drops the unused ones at the
    // end, keeping entries that a transparent index (or, for the global
    // table, the background index) still names. Pixels follow their colour.
    // A table of fewer than 2 entries, or a global table of an image without
    // frames, is left as it is. Marks the table sorted; returns whether the
    // order changed.
    virtual bool Optimize();
    // The entries changed: the frames that use the table drop their bitmaps.
    virtual void Changed();

protected:
    void Reserve(int count);
    // The frames whose active table this is.
    virtual std::vector<TGIFSubImage*> UsingFrames() { return {}; }
    // Entries named by other parts of the picture than pixels.
    virtual std::vector<int> ReferencedIndices();

    TGIFImage* OwnerImage;
    std::vector<uint8_t> Entries; // 3 bytes per entry, Capacity() entries
    int EntryCount = 0;
    bool IsSorted = false;
};

// The logical screen's table; its warnings go to the image.
class TGIFGlobalColorMap : public TGIFColorMap {
public:
    using TGIFColorMap::TGIFColorMap;
    bool Optimize() override;
    // Also moves the logical screen's background index.
    void MapImages(const std::array<uint8_t, MaxColors>& map) override;

protected:
    std::vector<TGIFSubImage*> UsingFrames() override;
    std::vector<int> ReferencedIndices() override;
};

// A frame's own table; its warnings go to the image.
class TGIFLocalColorMap : public TGIFColorMap {
public:
    explicit TGIFLocalColorMap(TGIFImage* image = nullptr, TGIFSubImage* frame = nullptr)
        : TGIFColorMap(image), Frame(frame) {}

protected:
    std::vector<TGIFSubImage*> UsingFrames() override;

private:
    TGIFSubImage* Frame;
};
