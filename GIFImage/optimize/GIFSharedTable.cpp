#include "GIFSharedTable.h"

#include <algorithm>
#include <cstdint>
#include <functional>
#include <queue>

std::vector<uint32_t> SharedColours(const TColoursByFrame& found, const std::vector<int64_t>& gains,
                                    int background, TSharedOrder order, TSharedStart start) {
    const std::vector<uint32_t>& colourOf = found.ColourOf;
    const std::vector<std::vector<int>>& colourIdsOf = found.ColourIdsOf;
    const std::vector<std::vector<std::pair<int, int64_t>>>& framesOf = found.FramesOf;
    const size_t frameCount = colourIdsOf.size();
    // A transparent frame takes for its transparency any entry it does not
    // show.
    const size_t room = 256;

    std::vector<int64_t> weight(colourOf.size(), 0);
    std::vector<bool> shared(frameCount, true);
    std::vector<bool> kept(colourOf.size(), true);
    const auto frameWeight = [&](size_t f) { return gains[f]; };
    for (size_t f = 0; f < frameCount; ++f)
        for (int id : colourIdsOf[f]) weight[static_cast<size_t>(id)] += frameWeight(f);
    if (background >= 0) weight[0] = INT64_MAX;
    size_t count = colourOf.size();
    // Lightest first; an entry whose weight has since fallen is stale.
    using TEntry = std::pair<int64_t, int>;
    std::priority_queue<TEntry, std::vector<TEntry>, std::greater<>> lightest;
    for (size_t id = 0; id < weight.size(); ++id) lightest.emplace(weight[id], static_cast<int>(id));
    if (start == TSharedStart::Empty) {
        std::fill(shared.begin(), shared.end(), false);
        std::fill(kept.begin(), kept.end(), false);
        count = background >= 0 ? 1 : 0;
        if (background >= 0) kept[0] = true;
    }
    while (count > room && !lightest.empty()) {
        const auto [w, id] = lightest.top();
        lightest.pop();
        if (!kept[static_cast<size_t>(id)] || w != weight[static_cast<size_t>(id)]) continue;
        kept[static_cast<size_t>(id)] = false;
        --count;
        for (const auto& [f, uses] : framesOf[static_cast<size_t>(id)]) {
            if (!shared[static_cast<size_t>(f)]) continue;
            shared[static_cast<size_t>(f)] = false;
            for (int other : colourIdsOf[static_cast<size_t>(f)]) {
                if (!kept[static_cast<size_t>(other)] || weight[static_cast<size_t>(other)] == INT64_MAX)
                    continue;
                weight[static_cast<size_t>(other)] -= frameWeight(static_cast<size_t>(f));
                lightest.emplace(weight[static_cast<size_t>(other)], other);
            }
        }
    }

    // Colours that no frame still sharing the table shows go too, and the
    // room they and the dropped frames leave goes to the heaviest of the
    // frames turned away that fit in it.
    for (size_t id = 0; id < weight.size(); ++id)
        if (kept[id] && weight[id] == 0) {
            kept[id] = false;
            --count;
        }
    std::vector<size_t> byWeight;
    for (size_t f = 0; f < frameCount; ++f)
        if (!shared[f]) byWeight.push_back(f);
    std::stable_sort(byWeight.begin(), byWeight.end(),
                     [&](size_t a, size_t b) { return frameWeight(a) > frameWeight(b); });
    for (const size_t f : byWeight) {
        size_t missing = 0;
        for (int id : colourIdsOf[f]) missing += kept[static_cast<size_t>(id)] ? 0 : 1;
        if (count + missing > room) continue;
        for (int id : colourIdsOf[f]) kept[static_cast<size_t>(id)] = true;
        count += missing;
        shared[f] = true;
    }

    struct TScore {
        size_t SmallestFrame = 256; // the fewest colours of a frame showing it
        int64_t Frames = 0;
        int64_t Uses = 0;
    };
    std::vector<TScore> score(colourOf.size());
    for (size_t id = 0; id < colourOf.size(); ++id)
        for (const auto& [f, uses] : framesOf[id])
            if (shared[static_cast<size_t>(f)]) {
                score[id].SmallestFrame =
                    std::min(score[id].SmallestFrame, colourIdsOf[static_cast<size_t>(f)].size());
                ++score[id].Frames;
                score[id].Uses += uses;
            }
    std::vector<int> ids;
    for (size_t id = 0; id < colourOf.size(); ++id)
        if (kept[id]) ids.push_back(static_cast<int>(id));
    std::stable_sort(ids.begin(), ids.end(), [&](int a, int b) {
        const auto& sa = score[static_cast<size_t>(a)];
        const auto& sb = score[static_cast<size_t>(b)];
        if (order == TSharedOrder::BySmallestFrame && sa.SmallestFrame != sb.SmallestFrame)
            return sa.SmallestFrame < sb.SmallestFrame;
        if (sa.Frames != sb.Frames) return sa.Frames > sb.Frames;
        return sa.Uses > sb.Uses;
    });
    std::vector<uint32_t> colours;
    for (int id : ids) colours.push_back(colourOf[static_cast<size_t>(id)]);
    // A transparent frame showing every colour kept needs an entry more.
    for (size_t f = 0; f < frameCount; ++f)
        if (shared[f] && found.Transparent[f] && colourIdsOf[f].size() == colours.size() &&
            colours.size() < room) {
            colours.push_back(0xFF000000u);
            break;
        }
    return colours;
}
