#include "GIFEmptyFrames.h"

#include "GIFFollowedScreen.h"
#include "GIFFrameQueries.h"
#include "GIFGraphicControlExtension.h"
#include "GIFImage.h"

#include <vector>

namespace {

using namespace GIFFollowedScreen;

// Whether every pixel of the frame is its transparent index.
bool DrawsNothing(const TGIFSubImage& frame) {
    const int t = TransparentIndexOf(frame);
    if (t < 0 || frame.Empty()) return false;
    if (!frame.HasPixelBuffer()) return frame.OneValue() == t;
    std::vector<uint8_t> fillRow;
    for (int y = 0; y < frame.Height(); ++y) {
        const uint8_t* row = frame.ReadRow(y, fillRow);
        for (int x = 0; x < frame.Width(); ++x)
            if (row[x] != t) return false;
    }
    return true;
}

bool AllGround(const TScreen& screen, const TGIFSubImage& frame) {
    for (int y = 0; y < frame.Height(); ++y) {
        const uint32_t* row = screen.At(frame.Left(), frame.Top() + y);
        for (int x = 0; x < frame.Width(); ++x)
            if (row[x] != Ground) return false;
    }
    return true;
}

// Whether the screen after the frame goes is the one shown while it was on:
// a frame that draws nothing shows what was there, and clearing it to the
// ground then changes nothing only where the ground shows already.
bool LeavesWhatItShows(const TGIFSubImage& frame, bool drawsNothing, const TScreen& first,
                       const TScreen& later) {
    const TGIFDisposal disposal = DisposalOf(frame);
    if (disposal <= TGIFDisposal::DoNotDispose) return true;
    if (!drawsNothing) return false;
    if (disposal == TGIFDisposal::RestorePrevious) return true;
    return AllGround(first, frame) && AllGround(later, frame);
}

} // namespace

int DropEmptyFrames(TGIFImage& image) {
    const int count = image.Images.Count();
    std::vector<bool> empty(static_cast<size_t>(count));
    bool any = false;
    for (int k = 0; k < count; ++k) {
        empty[static_cast<size_t>(k)] = DrawsNothing(image.Images[k]);
        any = any || (k > 0 && empty[static_cast<size_t>(k)]);
    }
    // Most animations have no such frame: then the screens need not be
    // followed.
    if (!any || !CanFollow(image)) return 0;
    const TRect bounds = image.FramesBounds();
    // Every pass after the first starts from what the first one left.
    TScreen later(bounds, Ground);
    for (const auto& frame : image.Images) ShowFrame(later, *frame);
    TScreen first(bounds, Ground);
    // Dropping a frame whose going changes nothing leaves both screens as
    // they were: the frame before stays the one before the next.
    std::vector<int> dropped;
    int before = 0;
    bool beforeLeavesWhatItShows = false;
    for (int k = 0; k < count; ++k) {
        TGIFSubImage& frame = image.Images[k];
        const bool drawsNothing = empty[static_cast<size_t>(k)];
        const bool leaves = LeavesWhatItShows(frame, drawsNothing, first, later);
        const TGIFGraphicControlExtension* control = frame.GraphicControlExtension();
        if (k > 0 && drawsNothing && leaves && beforeLeavesWhatItShows && frame.Extensions.Count() == 1 &&
            control && !control->UserInput()) {
            TGIFSubImage& kept = image.Images[before];
            const int delay = GIFFrame::ShownDelayOf(kept) + GIFFrame::ShownDelayOf(frame);
            if (delay <= 0xFFFF) {
                GIFFrame::GraphicControlFor(kept).SetDelay(static_cast<uint16_t>(delay));
                dropped.push_back(k);
                continue;
            }
        }
        ShowFrame(first, frame);
        ShowFrame(later, frame);
        before = k;
        beforeLeavesWhatItShows = leaves;
    }
    for (auto k = dropped.rbegin(); k != dropped.rend(); ++k) image.Images.Delete(*k);
    if (!dropped.empty()) image.Changed();
    return static_cast<int>(dropped.size());
}
