#include "GIFLossySpread.h"

#include <algorithm>

std::vector<int> SpreadOverTime(const std::vector<TLossyRun>& runs, double reserve) {
    const size_t count = runs[EvenRun].Frames.size();
    struct TMove {
        size_t Frame;
        int To;       // the run the frame then follows
        double Bytes; // from the bound: saved by a raise, paid by a lowering
        double Error; // from the bound: added by a raise, saved by a lowering
    };
    const auto outcome = [&](size_t k, int r) -> const TFrameOutcome& { return runs[r].Frames[k]; };
    std::vector<TMove> raises, lowers;
    std::vector<int> choice(count, EvenRun);
    double room = -reserve;
    for (size_t k = 0; k < count; ++k) {
        const TFrameOutcome& at = outcome(k, EvenRun);
        // A run that stores no more with no more error is taken at once:
        // the one that stores least (the raise first where it is smaller).
        int free = -1;
        for (const int r : {RaisedRun, 0, 1}) {
            const TFrameOutcome& o = outcome(k, r);
            const bool dominates = r == RaisedRun ? o.Bytes < at.Bytes : o.Bytes <= at.Bytes;
            if (dominates && o.Error <= at.Error && (free < 0 || o.Bytes < outcome(k, free).Bytes)) free = r;
        }
        if (free >= 0) {
            choice[k] = free;
            room += at.Error - outcome(k, free).Error;
            continue;
        }
        const TFrameOutcome& up = outcome(k, RaisedRun);
        if (up.Bytes < at.Bytes)
            raises.push_back({k, RaisedRun, double(at.Bytes - up.Bytes), up.Error - at.Error});
        for (int r = EvenRun - 1; r >= 0; --r)
            if (outcome(k, r).Error < at.Error)
                lowers.push_back(
                    {k, r, double(outcome(k, r).Bytes - at.Bytes), at.Error - outcome(k, r).Error});
    }
    std::sort(raises.begin(), raises.end(),
              [](const TMove& a, const TMove& b) { return a.Bytes * b.Error > b.Bytes * a.Error; });
    std::sort(lowers.begin(), lowers.end(),
              [](const TMove& a, const TMove& b) { return a.Bytes * b.Error < b.Bytes * a.Error; });
    std::vector<int> best = choice;
    double bestSaved = 0;
    for (size_t lowered = 0; lowered <= lowers.size(); ++lowered) {
        std::vector<int> tried = choice;
        double left = room, saved = 0;
        for (size_t i = 0; i < lowered; ++i) {
            const TMove& lower = lowers[i];
            // Only further down than the frame already is.
            if (tried[lower.Frame] <= lower.To) continue;
            const TFrameOutcome& from = outcome(lower.Frame, tried[lower.Frame]);
            const TFrameOutcome& to = outcome(lower.Frame, lower.To);
            tried[lower.Frame] = lower.To;
            left += from.Error - to.Error;
            saved -= double(to.Bytes - from.Bytes);
        }
        for (const TMove& raise : raises) {
            if (tried[raise.Frame] != EvenRun || raise.Error > left) continue;
            tried[raise.Frame] = RaisedRun;
            left -= raise.Error;
            saved += raise.Bytes;
        }
        // (Kept back: the lowerings must leave at least the reserve.)
        if (left >= 0 && saved > bestSaved) {
            bestSaved = saved;
            best = tried;
        }
    }
    return best;
}
