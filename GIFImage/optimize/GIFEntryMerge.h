#pragma once
// Near entries of a colour table made one, for a lossy choice. A capture
// tool's table, or a quantiser's ramp of shades, holds entries a step or
// two apart in colour: the eye cannot tell them apart, but each costs three
// bytes of table, and past each power of two every code of every frame that
// uses the table is a bit wider. The least used entries move into a near
// kept entry until the table fits in half the size, as long as no pixel
// moves far and the pixels moved spend little error altogether.

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

struct TEntryMerge {
    // The entry that shows each entry's pixels: itself when kept.
    std::array<uint8_t, 256> Into;
    bool Any = false;

    TEntryMerge();
    bool Gone(int entry) const { return Into[static_cast<size_t>(entry)] != entry; }
};

// uses: the pixels that show each entry of colours (0xFFRRGGBB); fixed:
// entries that keep their place and their pixels (a frame's transparent
// index). No pixel moves further than maxMove (RGB distance), and the
// squared error of all pixels moved stays within maxSpent. The table is
// halved while that holds, keeping one entry free for a transparent index.
TEntryMerge MergeNearEntries(const std::array<int64_t, 256>& uses, const std::vector<uint32_t>& colours,
                             const std::array<bool, 256>& fixed, int maxMove, int64_t maxSpent);
