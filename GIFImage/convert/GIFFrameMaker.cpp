#include "GIFFrameMaker.h"

#include "GIFBestPalette.h"
#include "GIFFewestRuns.h"
#include "GIFFollowedScreen.h"
#include "GIFLossyOptimizer.h"
#include "GIFPictureReduction.h"
#include "GIFWireFormat.h"
#include "GIFWorkerThreads.h"

#include <algorithm>
#include <thread>

namespace GIFFrameMaking {

namespace {

// A frame's own palette is chosen from at most about this many of its
// changed pixels.
constexpr int64_t PaletteSamplePixels = 1000000;

// A frame's own table always pays when each of its bytes saves at least
// this much squared RGB error, summed over the frame's changed pixels.
constexpr double LocalErrorPerTableByte = 200;

// A change of less than this share of the screen is a small one (see
// ChooseColours).
constexpr double SmallChangeShare = 8;

// A still picture is drawn again where the pixels that the global table
// showed off their colour add up to more than this squared RGB error per
// pixel of the screen: below about 70 dB of likeness (see Refined).
constexpr double StillScreenError = 0.02;

// Where every colour is to be exact, a pixel of settled grain is drawn
// again when its mean moves this much of a step from the colour shown (see
// SettleGrain). At three quarters a grainy film stored fewer bytes but
// came within 0.1 dB of gifski's likeness at its quality 100.
constexpr double SettledStep = 0.65;

// Where every colour is to be exact, a run of at least this many changed
// pixels that the screen already shows nearer than their entries is left
// as it shows (see Draw).
constexpr int KeptRun = 8;

// A gap of at most this many unchanged pixels between changed ones is drawn
// in the colours it shows rather than left transparent.
constexpr int ShortGap = 4;

// A pixel in a run of at least this many of its colour along its row lies
// in a flat area, which the loss leaves alone (see InFlatRun).
constexpr int FlatRun = 5;

// In a frame with grain, a pixel that moves with at most this many of its
// eight neighbours may be grain (see TFrameMaker::Differs): grain of a still
// film then no longer redrew scattered pairs (a fifth of its bytes). In
// other frames the pixel must move alone: a growing bar's edge kept what
// it showed and the bars took 1 % more bytes.
constexpr int GrainNeighbours = 2;

// Quality 100 keeps only exact colours; lower qualities let a pixel keep
// what the screen shows while it stays within this squared RGB distance
// (18 at quality 90: sensor noise of a step or two never shows).
int Tolerance(int quality) {
    const double perComponent = (100 - std::clamp(quality, 1, 100)) / 4.0;
    return int(3 * perComponent * perComponent);
}

// The mean squared RGB error per changed pixel that a frame's own palette
// may leave when fewer colours make shorter codes (0.025 at quality 90).
// What a frame's table loses stays on screen as long as its pixels do: at
// ten times this, a desktop with a window of text lost 4 to 7 dB in its
// first frame, and so in every frame after it, to store a twelfth less.
double AllowedError(int quality) {
    const double step = (100 - std::clamp(quality, 1, 100)) / 20.0;
    return step * step / 10;
}

// The loss the compressor may take when none is asked for: none at quality
// 100, a colour distance of 5 at 90. (At 4, particles and video kept one
// to two dB more likeness than gifski's default but came within 0.85 of its
// bytes; at 6, charts and user interfaces fell below its likeness.)
int QualityLossyLevel(int quality) {
    return (100 - std::clamp(quality, 1, 100)) * 3 / 10;
}

int Distance(uint8_t r, uint8_t g, uint8_t b, const TPaletteEntry& e) {
    const int dr = r - e.Red, dg = g - e.Green, db = b - e.Blue;
    return dr * dr + dg * dg + db * db;
}

uint32_t Opaque(const uint8_t* rgb) {
    return 0xFF000000u | uint32_t{rgb[0]} << 16 | uint32_t{rgb[1]} << 8 | rgb[2];
}

uint32_t Opaque(const TPaletteEntry& e) {
    return 0xFF000000u | uint32_t{e.Red} << 16 | uint32_t{e.Green} << 8 | e.Blue;
}

// Whether pixel (x, y) of the picture lies in a run of at least FlatRun
// pixels of its colour along its row: a ground or a margin, not the stroke
// of a glyph. Where the lossy compressor may not touch these, a cartoon's
// likeness no longer fell frame by frame where the shapes had passed (1.5
// dB below gifski's before, 1.4 above now, for 1 % more bytes), and text
// fading in on a still ground stored at most 2.2 % more; with runs of two,
// that text stored a fifth to a half more.
bool InFlatRun(const TPixels& picture, int x, int y) {
    const QRgb colour = picture.At(x, y);
    int run = 1;
    for (int k = x - 1; k >= 0 && run < FlatRun && picture.At(k, y) == colour; --k) ++run;
    for (int k = x + 1; k < picture.Width && run < FlatRun && picture.At(k, y) == colour; ++k) ++run;
    return run >= FlatRun;
}

// Whether every two colours of the palette lie more than distance apart.
bool Separated(const TPalette& palette, int distance) {
    for (size_t i = 0; i < palette.size(); ++i)
        for (size_t j = i + 1; j < palette.size(); ++j)
            if (Distance(palette[i].Red, palette[i].Green, palette[i].Blue, palette[j]) <=
                distance * distance)
                return false;
    return true;
}

} // namespace

int MakerThreads(const TGIFMakeOptions& options) {
    return options.Threads > 0 ? options.Threads : std::max(1, int(std::thread::hardware_concurrency()));
}

int GrainTolerance(int quality) {
    return 4 * Tolerance(quality);
}

TToneMerge ToneLimits(int quality) {
    const int tolerance2 = std::min(Tolerance(quality), Tolerance(TGIFMakeOptions{}.Quality));
    return {tolerance2, tolerance2 / 6.0};
}

TFrameMaker::TFrameMaker(const TGIFMakeOptions& options, QSize size, TPalette global)
    : Options(options), Threads(MakerThreads(options)), Screen(size), Global(std::move(global)),
      GlobalBits(::GlobalBits(Global)), Tolerance2(Tolerance(options.Quality)),
      GrainTolerance2(GrainTolerance(options.Quality)),
      LossyLevel(options.Lossy >= 0 ? options.Lossy : QualityLossyLevel(options.Quality)),
      LossyShare(1 + (100 - std::clamp(options.Quality, 1, 100)) / 32.0),
      Sources(size_t(size.width()) * size_t(size.height()) * 3, 0),
      SourceSeen(size_t(size.width()) * size_t(size.height()), 0), SourcesBefore(Sources),
      SourceSeenBefore(SourceSeen), ScreenBefore(size) {}

TFrameChanges TFrameMaker::FindChanges(const QImage& picture, bool grainy) {
    GrainNeighboursNow = grainy ? GrainNeighbours : 0;
    TFrameChanges changes;
    changes.Grainy = grainy;
    const int w = picture.width(), h = picture.height();
    const TPixels pixels(picture);
    TBox kept{w, h, 0, 0}, restored{w, h, 0, 0};
    int64_t keptCount = 0, restoredCount = 0;
    bool choice = false;
    const TBox& last = LastChanges;
    // Per pixel, whether it differs from the colours after the frame
    // before (AfterLast) and before it (BeforeLast).
    enum : uint8_t { AfterLast = 1, BeforeLast = 2 };
    std::vector<uint8_t> differs(size_t(w) * size_t(h));
    for (int y = 0; y < h; ++y) {
        const bool rowInLast = y >= last.Top && y < last.Bottom;
        uint8_t* row = &differs[size_t(y) * size_t(w)];
        for (int x = 0; x < w; ++x) {
            const bool afterLast = Differs(pixels, x, y, Sources, SourceSeen);
            bool beforeLast = afterLast;
            if (rowInLast && x >= last.Left && x < last.Right) {
                beforeLast = Differs(pixels, x, y, SourcesBefore, SourceSeenBefore);
                choice |= beforeLast != afterLast;
            }
            if (afterLast) kept.Include(x, y), ++keptCount;
            if (beforeLast) restored.Include(x, y), ++restoredCount;
            row[x] = uint8_t((afterLast ? AfterLast : 0) | (beforeLast ? BeforeLast : 0));
        }
    }
    // The first frame is never restored: decoders disagree on what
    // shows before it. Restoring paid only where it left no more pixels
    // to draw, so that the trials run on few frames.
    changes.RestoresPrevious =
        choice && FramesFound >= 2 && restoredCount <= keptCount &&
        GIFFollowedScreen::RestoringPays(TrialSize(picture, kept, Sources, SourceSeen),
                                         TrialSize(picture, restored, SourcesBefore, SourceSeenBefore));
    ++FramesFound;
    // Either way both sets of colours stand for the screen before this
    // frame from here on.
    if (changes.RestoresPrevious) {
        CopyBox(SourcesBefore, Sources, w, 3, last);
        CopyBox(SourceSeenBefore, SourceSeen, w, 1, last);
    } else {
        CopyBox(Sources, SourcesBefore, w, 3, last);
        CopyBox(SourceSeen, SourceSeenBefore, w, 1, last);
    }
    const TBox box = changes.RestoresPrevious ? restored : kept;
    LastChanges = TBox{};
    if (box.Right <= box.Left) return changes;
    LastChanges = box;
    const int left = box.Left, top = box.Top, right = box.Right, bottom = box.Bottom;
    changes.Left = left, changes.Top = top, changes.Right = right, changes.Bottom = bottom;
    changes.Changed.assign(size_t(right - left) * size_t(bottom - top), 0);
    // The sources now stand for the screen the frame is drawn over.
    const uint8_t against = changes.RestoresPrevious ? BeforeLast : AfterLast;
    for (int y = top; y < bottom; ++y)
        for (int x = left; x < right; ++x)
            if (differs[size_t(y) * size_t(w) + size_t(x)] & against) {
                changes.Changed[size_t(y - top) * size_t(right - left) + size_t(x - left)] = 1;
                ++changes.Count;
            }
    for (int y = top; y < bottom; ++y) {
        const QRgb* in = reinterpret_cast<const QRgb*>(picture.constScanLine(y));
        for (int x = left; x < right; ++x) {
            if (!changes.Changed[size_t(y - top) * size_t(right - left) + size_t(x - left)]) continue;
            const size_t pixel = size_t(y) * size_t(w) + size_t(x);
            uint8_t* source = &Sources[3 * pixel];
            source[0] = uint8_t(qRed(in[x])), source[1] = uint8_t(qGreen(in[x])),
            source[2] = uint8_t(qBlue(in[x]));
            SourceSeen[pixel] = 1;
        }
    }
    return changes;
}

void TFrameMaker::SettleGrain(QImage& picture, bool grainy) {
    if (Tolerance2 > 0) return;
    const int w = picture.width(), h = picture.height();
    if (!grainy) {
        std::fill(GrainCounts.begin(), GrainCounts.end(), uint8_t{0});
        return;
    }
    if (GrainCounts.empty()) {
        GrainSums.assign(3 * size_t(w) * size_t(h), 0);
        GrainCounts.assign(size_t(w) * size_t(h), 0);
    }
    const int settle2 = GrainTolerance(TGIFMakeOptions{}.Quality);
    for (int y = 0; y < h; ++y) {
        QRgb* row = reinterpret_cast<QRgb*>(picture.scanLine(y));
        for (int x = 0; x < w; ++x) {
            const QRgb value = row[x];
            if (qAlpha(value) < 128) continue;
            const size_t pixel = size_t(y) * size_t(w) + size_t(x);
            uint16_t* sum = &GrainSums[3 * pixel];
            uint8_t& count = GrainCounts[pixel];
            const int v[3] = {qRed(value), qGreen(value), qBlue(value)};
            double apart2 = 0;
            for (int k = 0; k < 3 && count > 0; ++k) {
                const double d = double(sum[k]) / count - v[k];
                apart2 += d * d;
            }
            // A value far from the mean starts it anew; a count of 255
            // keeps the sums within 16 bits and the mean as it is.
            if (count == 0 || apart2 > settle2) {
                for (int k = 0; k < 3; ++k) sum[k] = uint16_t(v[k]);
                count = 1;
            } else if (count < 255) {
                for (int k = 0; k < 3; ++k) sum[k] = uint16_t(sum[k] + v[k]);
                ++count;
            }
            double mean[3];
            bool shows = SourceSeen[pixel] != 0;
            for (int k = 0; k < 3; ++k) {
                mean[k] = double(sum[k]) / count;
                shows = shows && std::abs(mean[k] - Sources[3 * pixel + size_t(k)]) < SettledStep;
            }
            row[x] = shows ? qRgba(Sources[3 * pixel], Sources[3 * pixel + 1], Sources[3 * pixel + 2],
                                   qAlpha(value))
                           : qRgba(int(mean[0] + 0.5), int(mean[1] + 0.5), int(mean[2] + 0.5), qAlpha(value));
        }
    }
}

std::optional<TFrameChanges> TFrameMaker::Refined(const QImage& picture, const TFrameChanges& changes) const {
    // Below quality 98 the tolerance decides how far a pixel kept may show
    // off its colour; grain settles as it is.
    const int w = picture.width(), h = picture.height();
    const int64_t screenPixels = int64_t(w) * h;
    if (Tolerance2 > 0 || changes.Grainy || changes.RestoresPrevious ||
        double(changes.Count) * SmallChangeShare >= double(screenPixels))
        return std::nullopt;
    const TPixels pixels(picture);
    // The frame's own mark for pixel (x, y), 0 outside its changes.
    const auto changedAt = [&](int x, int y) -> uint8_t {
        if (x < changes.Left || x >= changes.Right || y < changes.Top || y >= changes.Bottom) return 0;
        return changes.Changed[size_t(y - changes.Top) * size_t(changes.Right - changes.Left) +
                               size_t(x - changes.Left)];
    };
    // How far the global table shows pixel (x, y) off its colour, where the
    // frame does not change it (0 elsewhere).
    const auto offBy = [&](int x, int y) {
        const size_t pixel = size_t(y) * size_t(w) + size_t(x);
        const QRgb colour = pixels.At(x, y);
        if (Screen.Drawn[pixel] != DrawnInGlobalTable || qAlpha(colour) < 128 || changedAt(x, y)) return 0;
        const uint8_t* shown = &Screen.Colors[3 * pixel];
        return Distance(uint8_t(qRed(colour)), uint8_t(qGreen(colour)), uint8_t(qBlue(colour)),
                        TPaletteEntry{shown[0], shown[1], shown[2]});
    };
    const double enough = StillScreenError * double(screenPixels);
    double offError = 0;
    for (int y = 0; y < h && offError <= enough; ++y)
        for (int x = 0; x < w; ++x) offError += offBy(x, y);
    if (offError <= enough) return std::nullopt;
    TBox box =
        changes.Count > 0 ? TBox{changes.Left, changes.Top, changes.Right, changes.Bottom} : TBox{w, h, 0, 0};
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            if (offBy(x, y) > 0) box.Include(x, y);
    TFrameChanges refined;
    refined.Left = box.Left, refined.Top = box.Top, refined.Right = box.Right, refined.Bottom = box.Bottom;
    refined.Sharpens = true;
    const int width = box.Right - box.Left;
    refined.Changed.assign(size_t(width) * size_t(box.Bottom - box.Top), 0);
    for (int y = box.Top; y < box.Bottom; ++y)
        for (int x = box.Left; x < box.Right; ++x) {
            uint8_t& mark = refined.Changed[size_t(y - box.Top) * size_t(width) + size_t(x - box.Left)];
            mark = changedAt(x, y);
            if (mark == 0 && offBy(x, y) > 0) mark = Sharpened;
            refined.Count += mark != 0;
        }
    return refined;
}

std::unique_ptr<TSlowColorLookup> TFrameMaker::TakeGlobalLookup() const {
    std::lock_guard lock(LookupsMutex);
    if (GlobalLookups.empty()) return std::make_unique<TSlowColorLookup>(Global);
    std::unique_ptr<TSlowColorLookup> lookup = std::move(GlobalLookups.back());
    GlobalLookups.pop_back();
    return lookup;
}

void TFrameMaker::GiveBackGlobalLookup(std::unique_ptr<TSlowColorLookup> lookup) const {
    std::lock_guard lock(LookupsMutex);
    GlobalLookups.push_back(std::move(lookup));
}

TFrameColours TFrameMaker::ChooseColours(const QImage& picture, TFrameChanges changes) const {
    TFrameColours colours;
    colours.Picture = picture;
    colours.Changes = std::move(changes);
    const TFrameChanges& c = colours.Changes;
    if (c.Count == 0) return colours;
    const int left = c.Left, top = c.Top;
    const int64_t count = c.Count;
    const std::vector<uint8_t>& changed = c.Changed;
    const int width = c.Right - c.Left, height = c.Bottom - c.Top;
    // The changed pixels of the rectangle as a picture of their own;
    // the mask leaves out the others.
    QImage crop(width, height, QImage::Format_RGB888);
    TTransparencyMask keep(size_t(width) * size_t(height), 1);
    for (int y = 0; y < height; ++y) {
        const QRgb* in = reinterpret_cast<const QRgb*>(picture.constScanLine(top + y)) + left;
        uint8_t* out = crop.scanLine(y);
        for (int x = 0; x < width; ++x) {
            out[3 * x] = uint8_t(qRed(in[x]));
            out[3 * x + 1] = uint8_t(qGreen(in[x]));
            out[3 * x + 2] = uint8_t(qBlue(in[x]));
            keep[size_t(y) * size_t(width) + size_t(x)] = !changed[size_t(y) * size_t(width) + size_t(x)];
        }
    }
    // A large change chooses its palette from a sample of its pixels.
    const int64_t step = std::max<int64_t>(1, count / PaletteSamplePixels);
    if (step > 1) {
        int64_t seen = 0;
        for (size_t at = 0; at < keep.size(); ++at)
            if (!keep[at]) keep[at] = seen++ % step != 0;
    }
    TPalette local = CreateBestPalette(crop, 255, &keep);
    auto localLookup = std::make_unique<TSlowColorLookup>(local);
    std::vector<uint8_t> localChosen;
    double localError = Choose(crop, changed, *localLookup, localChosen);
    // A table that shows a picture in continuous tone exactly merges its
    // near tones, as the global table does.
    if (localError == 0 && Tolerance2 > 0) {
        std::vector<TWeightedColor> weighted(local.size());
        for (size_t i = 0; i < local.size(); ++i)
            weighted[i].Color = uint32_t(local[i].Red) << 16 | uint32_t(local[i].Green) << 8 | local[i].Blue;
        uint64_t runs = 0;
        for (size_t at = 0; at < changed.size(); ++at) {
            if (!changed[at]) continue;
            ++weighted[localChosen[at]].Count;
            runs += at % size_t(width) == 0 || !changed[at - 1] || localChosen[at] != localChosen[at - 1];
        }
        if (TonesWorthMerging(weighted, runs, uint64_t(count))) {
            local = MergeNearTones(weighted, ToneLimits(Options.Quality));
            localLookup = std::make_unique<TSlowColorLookup>(local);
            localError = Choose(crop, changed, *localLookup, localChosen);
        }
    }
    // Fewer colours, shorter codes, while the error stays within what
    // the quality allows; colours that all fit stay exact.
    const double allowed = AllowedError(Options.Quality) * double(count);
    for (int colors = 127;
         colors >= 3 && localError > 0 && localError <= allowed && int(local.size()) > colors; colors /= 2) {
        TPalette fewer = CreateBestPalette(crop, colors, &keep);
        auto fewerLookup = std::make_unique<TSlowColorLookup>(fewer);
        std::vector<uint8_t> fewerChosen;
        const double fewerError = Choose(crop, changed, *fewerLookup, fewerChosen);
        if (fewerError > allowed) break;
        local = std::move(fewer);
        localChosen = std::move(fewerChosen);
        localLookup = std::move(fewerLookup);
        localError = fewerError;
    }
    std::unique_ptr<TSlowColorLookup> globalLookup = TakeGlobalLookup();
    std::vector<uint8_t> globalChosen;
    const double globalError = Choose(crop, changed, *globalLookup, globalChosen);
    GiveBackGlobalLookup(std::move(globalLookup));
    const int localBits = GIFWire::BitsForEntries(int(local.size()) + 1);
    // A table of its own costs its bytes; it pays when it serves the
    // pixels clearly better or, as well, with shorter codes.
    auto cost = [&](int bits, int tableEntries) { return 3.0 * tableEntries + count * bits / 32.0; };
    // Below quality 100 the table's bytes buy more likeness spent on the
    // codes (a finer loss), so it must halve the error to pay, or save
    // much error for each of its bytes (a large change of many colours,
    // a camera pan, say).
    const double localGain = Options.Quality >= 100 ? 0.85 : 0.5;
    // Halving counts where the table shows the frame exactly, or where
    // the frame is a good part of the screen, or where it saves a step
    // squared per pixel: a small change that no table of 255 colours
    // shows exactly (a moving antialiased shape) adds its slight error
    // to what the rest of the screen already shows, and its own table
    // of 768 bytes bought little that the compressor's loss did not
    // spend again (a cartoon: a fifth smaller with the global table,
    // within 0.35 dB of the likeness).
    const bool smallPart = double(count) * SmallChangeShare < double(Screen.Drawn.size());
    const bool halvingPays = localError == 0 || !smallPart || globalError - localError >= double(count);
    colours.UseLocal = (localError < localGain * globalError && halvingPays) ||
                       globalError - localError > LocalErrorPerTableByte * 3.0 * (1 << localBits) ||
                       (localError <= globalError && cost(localBits, 1 << localBits) < cost(GlobalBits, 0));
    // Pixels to be shown more closely than the table they show in now
    // want colours of their own.
    if (c.Sharpens) colours.UseLocal = localError < globalError;
    colours.Exact = (colours.UseLocal ? localError : globalError) == 0;
    colours.Chosen = std::move(colours.UseLocal ? localChosen : globalChosen);
    if (colours.UseLocal) {
        colours.Local = std::move(local);
        colours.LocalLookup = std::move(localLookup);
    }
    colours.Crop = std::move(crop);
    return colours;
}

TFrameRecord TFrameMaker::Draw(TFrameColours colours, int delay) {
    TFrameRecord record;
    record.Delay = delay;
    const TFrameChanges& c = colours.Changes;
    // The screen before this frame: after the frame before, or restored.
    if (c.RestoresPrevious)
        ScreenBefore.CopyBoxTo(Screen, LastDrawn);
    else
        Screen.CopyBoxTo(ScreenBefore, LastDrawn);
    LastDrawn = c.Count > 0 ? TBox{c.Left, c.Top, c.Right, c.Bottom} : TBox{};
    record.RestoresPrevious = c.RestoresPrevious;
    if (c.Count == 0) {
        record.Width = 0;
        return record;
    }
    const std::vector<uint8_t>& changed = c.Changed;
    const std::vector<uint8_t>& chosen = colours.Chosen;
    const int left = c.Left, top = c.Top;
    const int width = c.Right - c.Left, height = c.Bottom - c.Top;
    const TPalette& palette = colours.UseLocal ? colours.Local : Global;
    const int transparent = int(palette.size());
    TDrawnFrame drawn;
    drawn.Indices.resize(chosen.size());
    // An exact frame whose table holds no two colours within the loss
    // leaves the lossy compressor nothing to choose: drawn without it,
    // pixel art took a third less time and stored smaller.
    const bool lossy =
        LossyLevel > 0 && !(colours.Exact && Separated(palette, LossyErrorOfLevel(LossyLevel)));
    if (lossy) drawn.LossyPixels.resize(chosen.size());
    bool anyShown = false;
    // Whether the screen shows the changed pixel at (x, y) at least as
    // near its colour as its entry would.
    const auto showsNearer = [&](int x, int y) {
        const size_t pixel = size_t(top + y) * size_t(Screen.Width) + size_t(left + x);
        if (!Screen.Drawn[pixel]) return false;
        const uint8_t* shown = &Screen.Colors[3 * pixel];
        const uint8_t* source = colours.Crop.constScanLine(y) + 3 * x;
        return Distance(source[0], source[1], source[2], TPaletteEntry{shown[0], shown[1], shown[2]}) <=
               Distance(source[0], source[1], source[2],
                        palette[chosen[size_t(y) * size_t(width) + size_t(x)]]);
    };
    // Where every colour is to be exact, nothing keeps a pixel that changed
    // a little: a run of such pixels that the screen shows nearer than
    // their entries (the rows of a gradient stretching as a bar grows) is
    // left as it shows. Alone, such a pixel is drawn: photographs then took
    // 3 to 11 % more bytes, their runs broken by transparent holes.
    std::vector<uint8_t> keptRun(Tolerance2 == 0 ? size_t(width) : 0);
    for (int y = 0; y < height; ++y) {
        if (!keptRun.empty()) {
            std::fill(keptRun.begin(), keptRun.end(), uint8_t{0});
            int run = 0;
            for (int x = 0; x <= width; ++x) {
                if (x < width && changed[size_t(y) * size_t(width) + size_t(x)] == 1 && showsNearer(x, y)) {
                    ++run;
                    continue;
                }
                if (run >= KeptRun) std::fill(keptRun.begin() + (x - run), keptRun.begin() + x, uint8_t{1});
                run = 0;
            }
        }
        for (int x = 0; x < width; ++x) {
            const size_t at = size_t(y) * size_t(width) + size_t(x);
            const size_t pixel = size_t(top + y) * size_t(Screen.Width) + size_t(left + x);
            uint8_t* shown = &Screen.Colors[3 * pixel];
            const bool wasDrawn = Screen.Drawn[pixel];
            if (lossy && wasDrawn) drawn.LossyPixels[at].Beneath = Opaque(shown);
            int index = transparent;
            // A pixel sharpened is drawn only where its entry lies nearer.
            const bool draws = changed[at] == Sharpened
                                   ? !showsNearer(x, y)
                                   : changed[at] && (keptRun.empty() || !keptRun[size_t(x)]);
            if (draws) {
                const TPaletteEntry& e = palette[chosen[at]];
                if (!wasDrawn || e.Red != shown[0] || e.Green != shown[1] || e.Blue != shown[2]) {
                    index = chosen[at];
                    shown[0] = e.Red, shown[1] = e.Green, shown[2] = e.Blue;
                    Screen.Drawn[pixel] = colours.UseLocal ? DrawnInOwnTable : DrawnInGlobalTable;
                    anyShown = true;
                }
            }
            drawn.Indices[at] = uint8_t(index);
        }
    }
    if (!anyShown) {
        record.Width = 0;
        return record;
    }
    const TBox box{c.Left, c.Top, c.Right, c.Bottom};
    drawn.Shown.emplace(Screen, box);
    record.Left = left, record.Top = top, record.Width = width, record.Height = height;
    if (colours.UseLocal) record.LocalTable = palette;
    record.Data = GIFWorkers::Later(
        [this, colours = std::move(colours), drawn = std::move(drawn)]() mutable {
            return Compress(colours, std::move(drawn));
        },
        Threads);
    return record;
}

TCompressedFrame TFrameMaker::Compress(const TFrameColours& colours, TDrawnFrame drawn) const {
    const TFrameChanges& c = colours.Changes;
    const QImage& picture = colours.Picture;
    const TPixels pictureView(picture);
    const QImage& crop = colours.Crop;
    const TShownBox& shownBox = *drawn.Shown;
    const int left = c.Left, top = c.Top;
    const int width = c.Right - c.Left, height = c.Bottom - c.Top;
    const TPalette& palette = colours.UseLocal ? colours.Local : Global;
    const int transparent = int(palette.size());
    std::unique_ptr<TSlowColorLookup> globalLookup;
    if (!colours.UseLocal) globalLookup = TakeGlobalLookup();
    TColorLookup& lookup = colours.UseLocal ? static_cast<TColorLookup&>(*colours.LocalLookup)
                                            : static_cast<TColorLookup&>(*globalLookup);
    const bool lossy = !drawn.LossyPixels.empty();
    std::vector<uint8_t>& indices = drawn.Indices;
    // The same pixels with every kept one transparent: the other form
    // tried by the closer search, and always where no loss is taken, as
    // it then costs one compression. A scrolling scene that repeats
    // few of its own rows (clouds a pixel on, a ground three) stored a
    // sixth smaller in it than in the forms with kept gaps drawn.
    std::vector<uint8_t> plain;
    if (Options.Best || !lossy) plain = indices;
    // With a loss allowed: what each pixel shows, besides what showed
    // beneath it before this frame.
    std::vector<TLossyPixel>& lossyPixels = drawn.LossyPixels;
    // The indices the lossy compressor starts from (see ContinueRuns).
    std::vector<uint8_t> lossyExact(lossy ? indices.size() : 0);
    // For each pixel two indices it may take: the changed ones only
    // their own, the others transparent or the entry of the colour
    // they show, when the table has it.
    std::vector<std::array<uint8_t, 2>> choices(indices.size());
    for (int y = 0; y < height; ++y) {
        for (int x = 0; lossy && x < width; ++x) {
            if (!shownBox.WasDrawn(x, y)) continue;
            const size_t at = size_t(y) * size_t(width) + size_t(x);
            const uint8_t* shown = shownBox.Colour(x, y);
            // The loss is measured against the picture's true colour,
            // counting only what it adds to the exact choice's error
            // and a share of it (where the picture is transparent,
            // against what shows): noisy pixels, already far from the
            // palette, take more loss for the same share of likeness.
            const bool opaque = qAlpha(pictureView.At(left + x, top + y)) >= 128;
            const uint8_t* source = opaque ? crop.constScanLine(y) + 3 * x : shown;
            lossyPixels[at].Wanted = Opaque(source);
            lossyPixels[at].FreeError =
                int(LossyShare *
                    Distance(source[0], source[1], source[2], TPaletteEntry{shown[0], shown[1], shown[2]}));
            // In a flat area that the table shows exactly, a pixel
            // keeps its index: a loss there puts an error where the
            // picture has none, on an area that stays on screen (the
            // ground a moving shape uncovers, a page's margin) and
            // shows as a band.
            if (opaque && indices[at] != transparent && std::memcmp(source, shown, 3) == 0 &&
                InFlatRun(pictureView, left + x, top + y))
                lossyPixels[at].Wanted = TLossyPixel::NoColour;
        }
        uint8_t* row = &indices[size_t(y) * size_t(width)];
        if (lossy) {
            uint8_t* lossyRow = &lossyExact[size_t(y) * size_t(width)];
            std::copy(row, row + width, lossyRow);
            ContinueRuns(lossyRow, shownBox, y, palette, transparent);
        }
        PlainChoices(row, &choices[size_t(y) * size_t(width)], shownBox, y, lookup, palette, transparent);
        FillKeptGaps(row, shownBox, y, lookup, palette, transparent);
    }
    if (globalLookup) GiveBackGlobalLookup(std::move(globalLookup));
    std::vector<uint8_t> fewestRuns = FewestRunsOf(choices.size(), [&](size_t at, int(&values)[2]) {
        values[0] = choices[at][0], values[1] = choices[at][1];
    });
    choices = {};
    bool anyTransparent = false;
    for (size_t at = 0; at < indices.size(); ++at)
        anyTransparent |= indices[at] == transparent || fewestRuns[at] == transparent ||
                          (!plain.empty() && plain[at] == transparent) ||
                          (!lossyExact.empty() && lossyExact[at] == transparent);
    const int entries = int(palette.size()) + (anyTransparent ? 1 : 0);
    const int bits = colours.UseLocal ? GIFWire::BitsForEntries(entries) : GlobalBits;
    std::unique_ptr<TLossyFrame> lossyFrame;
    if (lossy) {
        lossyFrame = std::make_unique<TLossyFrame>();
        lossyFrame->Pixels = std::move(lossyPixels);
        for (const TPaletteEntry& e : palette) lossyFrame->Colours.push_back(Opaque(e));
        lossyFrame->Colours.push_back(TLossyPixel::NoColour);
        lossyFrame->Transparent = anyTransparent ? transparent : -1;
        lossyFrame->MaxError = LossyErrorOfLevel(LossyLevel);
    }
    std::vector<TFrameForm> forms;
    // On a tie the first form wins.
    forms.push_back({std::move(indices), std::move(lossyExact), true});
    if (!plain.empty()) forms.push_back({std::move(plain), {}, false});
    forms.push_back({std::move(fewestRuns), {}, false});
    TCompressedFrame compressed = CompressFrame(forms, width, height, bits, lossyFrame.get());
    compressed.Bits = bits;
    compressed.TransparentIndex = anyTransparent ? transparent : -1;
    return compressed;
}

inline int TFrameMaker::DistanceFromSource(const TPixels& picture, int x, int y,
                                           const std::vector<uint8_t>& sources,
                                           const std::vector<uint8_t>& seen) const {
    const QRgb color = picture.At(x, y);
    if (qAlpha(color) < 128) return 0;
    const size_t pixel = size_t(y) * size_t(picture.Width) + size_t(x);
    if (!seen[pixel]) return -1;
    const uint8_t* shown = &sources[3 * pixel];
    return Distance(uint8_t(qRed(color)), uint8_t(qGreen(color)), uint8_t(qBlue(color)),
                    TPaletteEntry{shown[0], shown[1], shown[2]});
}

inline bool TFrameMaker::Differs(const TPixels& picture, int x, int y, const std::vector<uint8_t>& sources,
                                 const std::vector<uint8_t>& seen) const {
    const int distance = DistanceFromSource(picture, x, y, sources, seen);
    if (distance < 0 || distance > GrainTolerance2) return true;
    return distance > Tolerance2 && !MovesAlone(picture, x, y, sources, seen);
}

bool TFrameMaker::MovesAlone(const TPixels& picture, int x, int y, const std::vector<uint8_t>& sources,
                             const std::vector<uint8_t>& seen) const {
    int moving = 0;
    for (int ny = std::max(0, y - 1); ny <= std::min(picture.Height - 1, y + 1); ++ny)
        for (int nx = std::max(0, x - 1); nx <= std::min(picture.Width - 1, x + 1); ++nx) {
            if (nx == x && ny == y) continue;
            const int around = DistanceFromSource(picture, nx, ny, sources, seen);
            if (around < 0) return false;
            if (around > Tolerance2 && ++moving > GrainNeighboursNow) return false;
        }
    return true;
}

int64_t TFrameMaker::TrialSize(const QImage& picture, const TBox& box, const std::vector<uint8_t>& sources,
                               const std::vector<uint8_t>& seen) const {
    if (box.Right <= box.Left) return 0;
    const int width = box.Right - box.Left, height = box.Bottom - box.Top;
    std::vector<uint8_t> indices(size_t(width) * size_t(height));
    const TPixels pixels(picture);
    for (int y = 0; y < height; ++y) {
        const QRgb* in = reinterpret_cast<const QRgb*>(picture.constScanLine(box.Top + y)) + box.Left;
        for (int x = 0; x < width; ++x)
            indices[size_t(y) * size_t(width) + size_t(x)] =
                Differs(pixels, box.Left + x, box.Top + y, sources, seen)
                    ? uint8_t(((in[x] & 0xFFFFFFu) * 2654435761u >> 24) % 255)
                    : uint8_t(255);
    }
    return int64_t(CompressIndices(indices, width, height, 8, 256).size());
}

void TFrameMaker::FillKeptGaps(uint8_t* row, const TShownBox& shown, int y, TColorLookup& lookup,
                               const TPalette& palette, int transparent) {
    const int width = shown.Width;
    for (int x = 0; x < width;) {
        if (row[x] != transparent) {
            ++x;
            continue;
        }
        const int start = x;
        while (x < width && row[x] == transparent) ++x;
        if (start == 0) continue;
        const int before = row[start - 1];
        bool own = x < width && x - start <= ShortGap;
        for (int k = start; own && k < x; ++k) {
            const uint8_t* colour = shown.Colour(k, y);
            const int index = lookup.Lookup(colour[0], colour[1], colour[2]);
            own = shown.Shows(k, y, palette[size_t(index)]);
            if (own) row[k] = uint8_t(index);
        }
        if (own) continue;
        bool same = true;
        for (int k = start; same && k < x; ++k) same = shown.Shows(k, y, palette[size_t(before)]);
        for (int k = start; k < x; ++k) row[k] = uint8_t(same ? before : transparent);
    }
}

void TFrameMaker::PlainChoices(const uint8_t* row, std::array<uint8_t, 2>* choices, const TShownBox& shown,
                               int y, TColorLookup& lookup, const TPalette& palette, int transparent) {
    uint32_t lastShown = 0;
    int lastPlain = -1;
    for (int x = 0; x < shown.Width; ++x) {
        choices[x] = {row[x], row[x]};
        if (row[x] != transparent || !shown.WasDrawn(x, y)) continue;
        const uint8_t* rgb = shown.Colour(x, y);
        const uint32_t colour = Opaque(rgb);
        if (lastPlain < 0 || colour != lastShown) {
            const int index = lookup.Lookup(rgb[0], rgb[1], rgb[2]);
            lastShown = colour;
            lastPlain = shown.Shows(x, y, palette[size_t(index)]) ? index : transparent;
        }
        choices[x][1] = uint8_t(lastPlain);
    }
}

void TFrameMaker::ContinueRuns(uint8_t* row, const TShownBox& shown, int y, const TPalette& palette,
                               int transparent) {
    for (int x = 1; x < shown.Width; ++x)
        if (row[x] == transparent && row[x - 1] != transparent && shown.Shows(x, y, palette[row[x - 1]]))
            row[x] = row[x - 1];
}

double TFrameMaker::Choose(const QImage& crop, const std::vector<uint8_t>& changed, TColorLookup& lookup,
                           std::vector<uint8_t>& chosen) {
    chosen.assign(changed.size(), 0);
    double error = 0;
    const int width = crop.width();
    for (int y = 0; y < crop.height(); ++y) {
        const uint8_t* in = crop.constScanLine(y);
        int previous = -1;
        int previousError = 0;
        for (int x = 0; x < width; ++x, in += 3) {
            const size_t at = size_t(y) * size_t(width) + size_t(x);
            if (!changed[at]) {
                previous = -1;
                continue;
            }
            if (previous >= 0 && (std::memcmp(in, in - 3, 3) == 0 ||
                                  Distance(in[0], in[1], in[2], lookup.Color(previous)) == 0)) {
                // Equal to the pixel before, or exactly the entry.
                previousError = std::memcmp(in, in - 3, 3) == 0 ? previousError : 0;
                chosen[at] = uint8_t(previous);
                error += previousError;
                continue;
            }
            previous = lookup.Lookup(in[0], in[1], in[2]);
            previousError = Distance(in[0], in[1], in[2], lookup.Color(previous));
            chosen[at] = uint8_t(previous);
            error += previousError;
        }
    }
    return error;
}

} // namespace GIFFrameMaking
