#include "GIFLossyLZWEncoder.h"

#include "GIFException.h"
#include "GIFMessages.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>

// A list of near entries is written when first asked for, and the rows of
// the table are zero until a code is made: a frame of few codes touches
// few of their pages.
TLossyLZWEncoder::TLossyLZWEncoder()
    : WithinLists(new uint8_t[WithinSlots * WithinSlotSize]),
      Child(ZeroedArray<uint16_t>(static_cast<size_t>(MaxCodes) * 256)) {}

TLossyLZWEncoder& TLossyLZWEncoder::OfThisThread() {
    thread_local std::unique_ptr<TLossyLZWEncoder> made;
    if (!made) made = std::make_unique<TLossyLZWEncoder>();
    TLossyLZWEncoder& encoder = *made;
    encoder.KeepFullTable = false;
    encoder.Carry = TErrorCarry::None;
    encoder.OtherFirstPixels = false;
    encoder.CodeError = 0;
    encoder.ListedFrom = DefaultListedFrom;
    return encoder;
}

// Child holds no entry but those of the codes made: clearing them alone
// leaves it empty, where clearing the rows of the first codes wrote 130 KB
// a frame, over and over for a small one.
void TLossyLZWEncoder::ClearTable() {
    for (int code = MadeFrom; code < NextCode; ++code)
        Child[static_cast<size_t>(Parent[code]) * 256 + Value[code]] = 0;
    MadeFrom = FirstFreeCode;
    for (int code = 0; code < FirstFreeCode; ++code) {
        FirstChild[code] = NoNode;
        ChildCount[code] = 0;
        Parent[code] = NoNode;
        Value[code] = static_cast<uint8_t>(code);
        Height[code] = 0;
    }
    NextCode = FirstFreeCode;
}

// As TLZWEncoder: the code that would be 4095 is never made; the table is
// cleared instead. A kept table takes code 4095 and then no more.
int TLossyLZWEncoder::AddString(int prefix, int pixel) {
    if (KeepFullTable ? NextCode >= MaxCodes : NextCode > 4094) {
        if (!KeepFullTable) ClearTable();
        return NoNode;
    }
    const int code = NextCode++;
    Child[static_cast<size_t>(prefix) * 256 + static_cast<size_t>(pixel)] = static_cast<uint16_t>(code);
    FirstChild[code] = NoNode;
    Parent[code] = prefix;
    Value[code] = static_cast<uint8_t>(pixel);
    NextSibling[code] = FirstChild[prefix];
    FirstChild[prefix] = code;
    ChildCount[code] = 0;
    Ordinal[code] = ChildCount[prefix]++;
    Height[code] = 0;
    for (int node = prefix, h = 1; node != NoNode && Height[node] < h; node = Parent[node], ++h)
        Height[node] = h;
    return code;
}

void TLossyLZWEncoder::Relabel(int prefix, int code, int pixel) {
    Child[static_cast<size_t>(prefix) * 256 + Value[code]] = 0;
    Child[static_cast<size_t>(prefix) * 256 + static_cast<size_t>(pixel)] = static_cast<uint16_t>(code);
    Value[code] = static_cast<uint8_t>(pixel);
}

[[gnu::always_inline]] inline bool TLossyLZWEncoder::DifferenceOf(int index, const TLossyPixel& pixel,
                                                                  TColourError& d) const {
    d = {};
    if (index == pixel.Exact) return true;
    const uint32_t colour = index == Transparent ? pixel.Beneath : (*Colours)[static_cast<size_t>(index)];
    if (colour == TLossyPixel::NoColour || pixel.Wanted == TLossyPixel::NoColour) return false;
    d = TColourError::Between(colour, pixel.Wanted);
    return true;
}

[[gnu::always_inline]] inline int TLossyLZWEncoder::ErrorOf(int index, const TLossyPixel& pixel) const {
    TColourError d;
    if (!DifferenceOf(index, pixel, d)) return INT_MAX;
    return std::max(0, d.Squared() - pixel.FreeError);
}

// A pixel drawn in no colour it could show (an entry without one) counts as
// the largest error there is.
int TLossyLZWEncoder::DrawnError(int index, const TLossyPixel& pixel) const {
    const int e = ErrorOf(index, pixel);
    return e == INT_MAX ? 255 * 255 * 3 : e;
}

int64_t TLossyLZWEncoder::SquaredError(const std::vector<TLossyPixel>& pixels,
                                       const std::vector<uint8_t>& drawing,
                                       const std::vector<uint32_t>& colours, int transparentIndex) {
    Colours = &colours;
    Transparent = transparentIndex;
    int64_t total = 0;
    for (size_t i = 0; i < pixels.size() && i < drawing.size(); ++i)
        total += DrawnError(drawing[i], pixels[i]);
    return total;
}

double TLossyLZWEncoder::WeightedSquaredError(const std::vector<TLossyPixel>& pixels,
                                              const std::vector<uint8_t>& drawing,
                                              const std::vector<uint32_t>& colours, int transparentIndex,
                                              const std::vector<float>& weights) {
    Colours = &colours;
    Transparent = transparentIndex;
    double total = 0;
    for (size_t i = 0; i < pixels.size() && i < drawing.size() && i < weights.size(); ++i)
        total += static_cast<double>(weights[i]) * DrawnError(drawing[i], pixels[i]);
    return total;
}

// The other entries within the bound of entry's colour, and the
// transparent one: the first pixels a string starting off entry may take.
// Listed when first asked for in a Choose.
// Those whose red lies within the bound are found in ByRed, then measured
// in full, and listed by index, the order the search tries them in.
void TLossyLZWEncoder::ListNearFirsts(int entry, int rootCount) {
    const size_t from = NearList.size();
    NearFrom[static_cast<size_t>(entry)] = static_cast<int>(from);
    const uint32_t a = (*Colours)[static_cast<size_t>(entry)];
    const int red = static_cast<int>((a >> 16) & 0xFF);
    const int reach = static_cast<int>(std::sqrt(static_cast<double>(Budget)));
    const auto near = std::lower_bound(ByRed.begin(), ByRed.end(),
                                       std::pair{static_cast<uint8_t>(std::max(0, red - reach)), uint8_t{0}});
    for (auto e = near; e != ByRed.end() && e->first <= red + reach; ++e) {
        const int r = e->second;
        if (r != entry && r < rootCount &&
            TColourError::Between(a, (*Colours)[static_cast<size_t>(r)]).Squared() <= Budget)
            NearList.push_back(static_cast<uint8_t>(r));
    }
    if (Transparent >= 0 && Transparent < rootCount && Transparent != entry)
        NearList.push_back(static_cast<uint8_t>(Transparent));
    std::sort(NearList.begin() + static_cast<ptrdiff_t>(from), NearList.end());
    NearTo[static_cast<size_t>(entry)] = static_cast<int>(NearList.size());
}

// Whether the strings through node, the pixel before position and its
// error counted, can do no better than the best found: even the longest
// of them with no more error.
bool TLossyLZWEncoder::CannotWin(int node, size_t position, int64_t error) const {
    if (!OtherFirstPixels || CodeError <= 0) return false;
    const int64_t longest = static_cast<int64_t>(position - Start) + Height[node];
    const int64_t bestLength = static_cast<int64_t>(BestEnd - Start);
    return longest * (CodeError + BestError) < bestLength * (CodeError + error);
}

// Depth first, the exact child before the others; node stands for the
// pixels before position, carry for the error they pass on.
void TLossyLZWEncoder::Search(int node, size_t position, int64_t error, TColourError carry) {
    // With a code's worth of error, the string that covers the most pixels
    // per code and error wins; else the longest.
    const int64_t length = static_cast<int64_t>(position - Start);
    const int64_t bestLength = static_cast<int64_t>(BestEnd - Start);
    const int64_t gain =
        CodeError > 0 ? length * (CodeError + BestError) - bestLength * (CodeError + error) : 0;
    if (gain > 0 || (gain == 0 && (position > BestEnd || (position == BestEnd && error < BestError)))) {
        BestEnd = position;
        BestError = error;
        BestNode = node;
        BestRoot = Root;
    }
    if (position == Pixels->size()) return;
    const TLossyPixel& pixel = (*Pixels)[position];
    const int exact = Child[static_cast<size_t>(node) * 256 + static_cast<size_t>(pixel.Exact)];
    if (exact && !CannotWin(exact, position + 1, error))
        Search(exact, position + 1, error, Carried(carry, {}, position));
    if (ChildCount[node] > ListedFrom) {
        SearchListed(node, position, error, carry, exact);
        return;
    }
    for (int child = FirstChild[node]; child != NoNode; child = NextSibling[child]) {
        if (Evaluations >= SearchLimit) return;
        if (child == exact) continue;
        ++Evaluations;
        TColourError d;
        if (!DifferenceOf(Value[child], pixel, d)) continue;
        const int e = std::max(0, d.Squared() - pixel.FreeError);
        if (e > Budget) continue;
        if (Carry != TErrorCarry::None) {
            const TColourError total{d.R + carry.R, d.G + carry.G, d.B + carry.B};
            if (total.Squared() > Budget) continue;
        }
        if (!CannotWin(child, position + 1, error + e))
            Search(child, position + 1, error + e, Carried(carry, d, position));
    }
}

// The entries a pixel may take without passing the loss: those whose red
// lies within the loss of the wanted red (and its free error), found in
// ByRed, then measured in full; and the transparent one.
const uint8_t* TLossyLZWEncoder::EntriesWithin(size_t position) {
    const size_t slot = position & (WithinSlots - 1);
    uint8_t* list = WithinLists.get() + slot * WithinSlotSize;
    if (WithinOf[slot] == position) return list;
    WithinOf[slot] = static_cast<uint32_t>(position);
    list[0] = 0;
    const TLossyPixel& pixel = (*Pixels)[position];
    const auto take = [&](int entry) {
        if (entry != pixel.Exact && ErrorOf(entry, pixel) <= Budget)
            list[++list[0]] = static_cast<uint8_t>(entry);
    };
    if (pixel.Wanted != TLossyPixel::NoColour) {
        const int red = static_cast<int>((pixel.Wanted >> 16) & 0xFF);
        const int reach = static_cast<int>(std::sqrt(static_cast<double>(Budget + pixel.FreeError))) + 1;
        const auto from =
            std::lower_bound(ByRed.begin(), ByRed.end(),
                             std::pair{static_cast<uint8_t>(std::max(0, red - reach)), uint8_t{0}});
        for (auto e = from; e != ByRed.end() && e->first <= red + reach; ++e) take(e->second);
        if (Transparent >= 0) take(Transparent);
    }
    return list;
}

// The children of node other than exact whose colour is within the loss,
// found through the pixel's list of entries. The children between them are
// passed over as the walk in Search passes them, each one evaluation, so
// that the search stops where it would and finds the same strings.
void TLossyLZWEncoder::SearchListed(int node, size_t position, int64_t error, TColourError carry, int exact) {
    const TLossyPixel& pixel = (*Pixels)[position];
    const uint16_t* children = Child.get() + static_cast<size_t>(node) * 256;
    int found[256];
    int count = 0;
    const uint8_t* entries = EntriesWithin(position);
    for (int k = 1; k <= entries[0]; ++k)
        if (const int child = children[entries[k]]) found[count++] = child;
    // In the order of the sibling list: the last made first.
    if (count > 1) std::sort(found, found + count, [](int a, int b) { return a > b; });
    const int last = ChildCount[node] - 1;
    const int exactPlace = exact ? last - Ordinal[exact] : -1;
    int passed = 0; // children other than exact passed so far
    for (int k = 0; k < count; ++k) {
        const int child = found[k];
        const int place = last - Ordinal[child];
        const int before = place - (exact && exactPlace < place ? 1 : 0);
        Evaluations = std::min(SearchLimit, Evaluations + before - passed);
        if (Evaluations >= SearchLimit) return;
        ++Evaluations;
        passed = before + 1;
        TColourError d;
        DifferenceOf(Value[child], pixel, d);
        const int e = std::max(0, d.Squared() - pixel.FreeError);
        if (Carry != TErrorCarry::None) {
            const TColourError total{d.R + carry.R, d.G + carry.G, d.B + carry.B};
            if (total.Squared() > Budget) continue;
        }
        if (!CannotWin(child, position + 1, error + e))
            Search(child, position + 1, error + e, Carried(carry, d, position));
    }
    Evaluations = std::min(SearchLimit, Evaluations + ChildCount[node] - (exact ? 1 : 0) - passed);
}

void TLossyLZWEncoder::MarkRuns(int maxError) {
    const int freePixels = std::max(1, (RunFreeDistance + maxError / 2) / std::max(1, maxError));
    InRun.assign(Pixels->size(), 0);
    int run = 0;
    for (size_t i = 0; i < Pixels->size(); ++i) {
        const uint32_t wanted = (*Pixels)[i].Wanted;
        run = i > 0 && wanted != TLossyPixel::NoColour && wanted == (*Pixels)[i - 1].Wanted ? run + 1 : 1;
        InRun[i] = run > freePixels;
    }
}

void TLossyLZWEncoder::ListSameColours() {
    ByColour.clear();
    for (size_t i = 0; i < Colours->size(); ++i)
        if (static_cast<int>(i) != Transparent) ByColour.emplace_back((*Colours)[i], static_cast<int>(i));
    std::sort(ByColour.begin(), ByColour.end());
}

std::vector<uint8_t> TLossyLZWEncoder::Choose(const std::vector<TLossyPixel>& pixels,
                                              const std::vector<uint32_t>& colours, int transparentIndex,
                                              int bitsPerPixel, int maxError) {
    const int bits = std::max(bitsPerPixel, 2);
    FirstFreeCode = (1 << bits) + 2;
    Pixels = &pixels;
    Colours = &colours;
    Transparent = transparentIndex;
    Budget = int64_t{maxError} * maxError;
    ClearTable();
    if (Budget == 0) ListSameColours();
    ByRed.clear();
    for (size_t i = 0; i < colours.size() && i < 256; ++i)
        if (static_cast<int>(i) != transparentIndex)
            ByRed.emplace_back(static_cast<uint8_t>((colours[i] >> 16) & 0xFF), static_cast<uint8_t>(i));
    std::sort(ByRed.begin(), ByRed.end());
    WithinOf.assign(WithinSlots, NotListed);
    if (Carry == TErrorCarry::AlongRuns) MarkRuns(maxError);

    std::vector<uint8_t> chosen(pixels.size());
    StringCount = 0;
    size_t position = 0;
    int before = NoNode;
    const int rootCount = std::min(static_cast<int>(colours.size()), 1 << bits);
    if (OtherFirstPixels) {
        NearFrom.assign(static_cast<size_t>(rootCount), -1);
        NearTo.assign(static_cast<size_t>(rootCount), -1);
        NearList.clear();
    }
    while (position < pixels.size()) {
        const int first = pixels[position].Exact;
        if (first < 0 || first >= static_cast<int>(colours.size()) || first >= (1 << bits))
            throw GIFException(GIFMessages::ColorNotInTable);
        const int added = before == NoNode ? NoNode : AddString(before, first);
        // (A table just cleared, or none yet, holds no string before.)
        const bool cleared = before == NoNode || (added == NoNode && !KeepFullTable);
        Start = position;
        BestEnd = position;
        BestError = 0;
        BestRoot = first;
        Evaluations = 0;
        Root = first;
        Search(first, position + 1, 0, {});
        if (OtherFirstPixels) {
            Evaluations = 0;
            const bool fromTable = first != Transparent;
            if (fromTable && NearFrom[static_cast<size_t>(first)] < 0) ListNearFirsts(first, rootCount);
            // A transparent pixel may start with any entry; without loss
            // only with those of the colour wanted, found by colour.
            const bool byColour = !fromTable && Budget == 0;
            int from = fromTable ? NearFrom[static_cast<size_t>(first)] : 0;
            int to = fromTable ? NearTo[static_cast<size_t>(first)] : rootCount;
            if (byColour) {
                const auto [low, high] =
                    std::equal_range(ByColour.begin(), ByColour.end(), std::pair{pixels[position].Wanted, -1},
                                     [](const auto& a, const auto& b) { return a.first < b.first; });
                from = static_cast<int>(low - ByColour.begin());
                to = static_cast<int>(high - ByColour.begin());
            }
            for (int k = from; k < to; ++k) {
                const int r = fromTable  ? NearList[static_cast<size_t>(k)]
                              : byColour ? ByColour[static_cast<size_t>(k)].second
                                         : k;
                if (r == first || r >= rootCount) continue;
                TColourError d;
                if (!DifferenceOf(r, pixels[position], d)) continue;
                const int e = std::max(0, d.Squared() - pixels[position].FreeError);
                if (e > Budget) continue;
                // The string before must not go on with r, or the usual
                // encoder would parse otherwise; its new entry takes r.
                if (!cleared && Child[static_cast<size_t>(before) * 256 + static_cast<size_t>(r)]) continue;
                if (added != NoNode) Relabel(before, added, r);
                if (CannotWin(r, position + 1, e)) continue;
                Root = r;
                Search(r, position + 1, e, Carried({}, d, position));
                if (Evaluations >= SearchLimit) break;
            }
            if (added != NoNode) Relabel(before, added, BestRoot);
        }
        // The string must not stop where the exact pixel would continue it,
        // or the usual encoder would parse the chosen pixels otherwise.
        while (BestEnd < pixels.size()) {
            const int next =
                Child[static_cast<size_t>(BestNode) * 256 + static_cast<size_t>(pixels[BestEnd].Exact)];
            if (!next) break;
            BestNode = next;
            ++BestEnd;
        }
        for (int node = BestNode, at = static_cast<int>(BestEnd) - 1; node != NoNode;
             node = Parent[node], --at)
            chosen[static_cast<size_t>(at)] = Value[node];
        position = BestEnd;
        ++StringCount;
        before = BestNode;
    }
    return chosen;
}
