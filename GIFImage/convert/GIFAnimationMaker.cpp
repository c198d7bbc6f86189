#include "GIFAnimationMaker.h"

#include "GIFAnimationWriter.h"
#include "GIFBestPalette.h"
#include "GIFFrameHistogram.h"
#include "GIFFrameMaker.h"
#include "GIFFrameReader.h"
#include "GIFFrameSmoother.h"
#include "GIFToneMerge.h"
#include "GIFWorkerThreads.h"
#include "Stream.h"

#include <QImage>

#include <algorithm>
#include <deque>
#include <utility>

using namespace GIFFrameMaking;

namespace {

constexpr int MaxDelay = 0xFFFF;

// The frames whose colours are chosen at once hold at most about this many
// changed pixels between them (a palette search holds several times its
// pixels), so that large frames are chosen one at a time.
constexpr int64_t ChoosingPixels = 1000000;

// The frames of the first pass that the second takes again rather than
// reading them anew, up to this many pixels (32 MB): a short sequence is
// read and decoded once (decoding its PNG files twice was 40 % of the time
// of a few slides).
constexpr int64_t KeptPixels = int64_t{8} << 20;

// Frames larger than this (8 Mi pixels, 32 MB) are not smoothed for grain:
// the smoothing holds seven frames at once.
constexpr int64_t SmoothedPixels = int64_t{8} << 20;

// Runs read(i) for i in 0..count on kept threads, at most window ahead,
// and hands the results to use(i, result) in order.
template <class Read, class Use> void Pipeline(size_t count, size_t window, int threads, Read read, Use use) {
    using TResult = decltype(read(size_t{0}));
    std::deque<GIFWorkers::TTaskResult<TResult>> ahead;
    size_t next = 0;
    for (size_t i = 0; i < count; ++i) {
        while (next < count && ahead.size() < window)
            ahead.push_back(GIFWorkers::Later([&read, at = next++] { return read(at); }, threads));
        TResult result = ahead.front().get();
        ahead.pop_front();
        use(i, std::move(result));
    }
}

} // namespace

int GIFFrameDelay(int fps, int index) {
    fps = std::clamp(fps, 1, 100);
    return (index + 1) * 100 / fps - index * 100 / fps;
}

void MakeGIFAnimation(const std::vector<std::string>& files, const TGIFMakeOptions& options, TStream& out,
                      const TGIFMakeWarning& warning, const TGIFMakeProgress& progress) {
    if (files.empty()) throw Exception("no frames");
    const TFrameReader reader(files, options);
    const size_t count = files.size();
    const int threads = MakerThreads(options);
    const size_t window = size_t(threads) + 1;
    auto report = [&](int percent) {
        if (progress) progress(percent);
    };

    // First pass: every frame is read, and the histogram gathered. The
    // first frames, up to KeptPixels, are kept for the second pass, which
    // reads only the rest again.
    TFrameHistograms histograms;
    std::vector<QImage> kept;
    int64_t keptPixels = 0;
    Pipeline(
        count, window, threads,
        [&](size_t i) {
            bool misfit = false;
            QImage frame = reader.Read(i, misfit);
            histograms.Add(frame);
            return std::pair{misfit, std::move(frame)};
        },
        [&](size_t i, std::pair<bool, QImage> read) {
            if (read.first && warning)
                warning(files[i] + ": another size than the first frame; scaled to fit inside it, centred");
            const int64_t pixels = int64_t(read.second.width()) * read.second.height();
            if (kept.size() == i && keptPixels + pixels <= KeptPixels) {
                keptPixels += pixels;
                kept.push_back(std::move(read.second));
            }
            report(int(i * 30 / count));
        });
    TFrameHistogram& histogram = histograms.Merged();
    TPalette global;
    if (histogram.TooManyColours) {
        global = CreateBestPalette(histogram.Colors(), 255);
    } else {
        const std::vector<TWeightedColor> exact = histogram.ExactWeighted();
        global = TonesWorthMerging(exact, histogram.ExactRuns, histogram.ExactPixels())
                     ? MergeNearTones(exact, ToneLimits(options.Quality))
                     : CreateBestPalette(exact, 255);
    }
    report(35);

    // Second pass: frame by frame, written as soon as a few are ready.
    WriteHeader(out, reader.ScreenSize(), global, options.Loop);
    const int globalBits = GlobalBits(global);
    const int holdIndex = int(global.size());
    TFrameMaker maker(options, reader.ScreenSize(), std::move(global));
    std::deque<TFrameRecord> pending;
    auto writeOldest = [&] {
        WriteFrame(out, pending.front());
        pending.pop_front();
    };
    // The colours of a few frames are chosen at once on worker threads
    // (the palette search is most of the work); the frames are then drawn
    // over the screen in their order.
    struct TChoosing {
        int64_t Pixels;
        GIFWorkers::TTaskResult<TFrameColours> Colours;
    };
    std::deque<TChoosing> choosing;
    int64_t choosingPixels = 0;
    size_t drawn = 0;
    // The last frame drawn is pending.back() rather than joined to it.
    bool lastOwnRecord = false;
    auto drawOldest = [&] {
        const int delay = options.Delay > 0 ? options.Delay : GIFFrameDelay(options.Fps, int(drawn));
        TFrameColours colours = choosing.front().Colours.get();
        // A still picture is shown more closely while it stays.
        if (std::optional<TFrameChanges> refined = maker.Refined(colours.Picture, colours.Changes))
            colours = maker.ChooseColours(colours.Picture, std::move(*refined));
        TFrameRecord record = maker.Draw(std::move(colours), delay);
        choosingPixels -= choosing.front().Pixels;
        choosing.pop_front();
        // The frame before is restored once shown, when it was stored as a
        // frame of its own (else it showed nothing new and stays).
        const bool restores = record.RestoresPrevious && lastOwnRecord;
        if (restores) pending.back().Disposal = 3;
        // A frame that changes nothing lengthens the one before, unless what
        // shows changes between them.
        lastOwnRecord =
            !(record.Width == 0 && !restores && !pending.empty() && pending.back().Delay + delay <= MaxDelay);
        if (!lastOwnRecord) {
            pending.back().Delay += delay;
        } else {
            if (record.Width == 0) {
                // Nothing to show yet (or the delay would overflow): a
                // single transparent pixel holds the time.
                record = TFrameRecord{};
                record.Delay = delay;
                record.Data = GIFWorkers::TTaskResult<TCompressedFrame>::Done(
                    {CompressIndices({uint8_t(holdIndex)}, 1, 1, globalBits, 1 << globalBits), false,
                     globalBits, holdIndex});
            }
            pending.push_back(std::move(record));
        }
        while (pending.size() > window) writeOldest();
        ++drawn;
        report(35 + int(drawn * 65 / count));
    };
    const auto takeFrame = [&](TSmoothedFrame smoothed) {
        QImage frame = std::move(smoothed.Picture);
        maker.SettleGrain(frame, smoothed.Grainy);
        TFrameChanges changes = maker.FindChanges(frame, smoothed.Grainy);
        const int64_t pixels = changes.Count;
        while (!choosing.empty() &&
               (choosing.size() >= size_t(threads) || choosingPixels + pixels > ChoosingPixels))
            drawOldest();
        choosingPixels += pixels;
        choosing.push_back(
            {pixels, GIFWorkers::Later(
                         [&maker, frame = std::move(frame), changes = std::move(changes)]() mutable {
                             return maker.ChooseColours(frame, std::move(changes));
                         },
                         threads)});
    };
    // Grain over a still scene settles before the frames are compared.
    // Grain is a few steps whatever the quality: below the default quality
    // the tolerance takes it in, and a wider reach took moving texture for
    // grain (a camera pan lost 0.7 dB at quality 70 for no fewer bytes).
    // Where every colour is to be exact, only grain over the whole picture
    // settles (see TFrameMaker::SettleGrain).
    const QSize screen = reader.ScreenSize();
    const bool smoothable = int64_t(screen.width()) * screen.height() <= SmoothedPixels;
    const int defaultGrain = GrainTolerance(TGIFMakeOptions{}.Quality);
    const int grain = GrainTolerance(options.Quality);
    TFrameSmoother smoother(smoothable ? (grain > 0 ? std::min(grain, defaultGrain) : defaultGrain) : 0,
                            threads, grain == 0);
    // Frames being smoothed; the oldest are taken once more are under way.
    std::deque<GIFWorkers::TTaskResult<TSmoothedFrame>> smoothing;
    const auto takeSmoothed = [&](std::vector<GIFWorkers::TTaskResult<TSmoothedFrame>> ready,
                                  size_t underWay) {
        for (GIFWorkers::TTaskResult<TSmoothedFrame>& frame : ready) smoothing.push_back(std::move(frame));
        while (smoothing.size() > underWay) {
            takeFrame(smoothing.front().get());
            smoothing.pop_front();
        }
    };
    Pipeline(
        count, window, threads,
        [&](size_t i) {
            if (i < kept.size()) return std::move(kept[i]);
            bool misfit = false;
            return reader.Read(i, misfit);
        },
        [&](size_t, QImage frame) { takeSmoothed(smoother.Push(std::move(frame)), 2); });
    takeSmoothed(smoother.Finish(), 0);
    while (!choosing.empty()) drawOldest();
    while (!pending.empty()) writeOldest();
    out.WriteByte(0x3B);
}
