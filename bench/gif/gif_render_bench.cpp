// The painter and frame rendering: how close to its nominal time each frame
// starts (median and 95th percentile over a 200-frame animation), the CPU an
// animation costs while it waits between frames, and the time to render the
// benchmark set's animations frame by frame as `tvgif render` does.
// Figures taken while other work runs on the machine are noisy.

#include "BenchSupport.h"
#include "Canvas.h"
#include "GIFDrawFlags.h"
#include "GIFGraphicControlExtension.h"
#include "GIFImage.h"
#include "GIFPainter.h"

#include <QCoreApplication>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <ctime>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

// An animation of count frames of 64 × 64, each with the given delay.
void MakeAnimation(TGIFImage& image, int count, uint16_t delay) {
    image.SetWidth(64);
    image.SetHeight(64);
    for (int i = 0; i < 4; ++i) image.Header.ColorMap.Add(RGBColor(uint8_t(i * 60), 0, 0));
    for (int i = 0; i < count; ++i) {
        auto frame = std::make_unique<TGIFSubImage>(&image);
        frame->SetWidth(64);
        frame->SetHeight(64);
        std::memset(frame->ScanLine(0), i % 4, 64 * 64);
        auto control = std::make_unique<TGIFGraphicControlExtension>(*frame);
        control->SetDelay(delay);
        frame->Extensions.Add(std::move(control));
        image.Add(std::move(frame));
    }
}

// Runs the UI thread's events until the image has no painter.
void RunUntilDone(TGIFImage& image) {
    while (image.PainterCount() > 0) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    QCoreApplication::processEvents();
}

double Percentile(std::vector<double> values, double p) {
    if (values.empty()) return 0;
    std::sort(values.begin(), values.end());
    return values[static_cast<size_t>(p * static_cast<double>(values.size() - 1))];
}

// Each frame waits 3 units (36 ms at speed 100); at speed 1000 that is
// 3.6 ms, so 200 frames take under a second. The error of a frame is the
// time its paint notification comes later than the one before plus the
// nominal wait (frame starts do not drift, so this is the per-frame error).
void BM_FrameStartError(benchmark::State& state) {
    TGIFImage image;
    MakeAnimation(image, 200, 3);
    image.AnimationSpeed = 1000;
    const double nominalMs = 3 * DelayUnitMs * 100.0 / image.AnimationSpeed;
    std::vector<double> errors;
    for (auto _ : state) {
        QImage target(64, 64, QImage::Format_ARGB32_Premultiplied);
        TCanvas canvas(&target);
        std::vector<Clock::time_point> starts;
        image.OnPaint = [&](TGIFPainter&) { starts.push_back(Clock::now()); };
        TGIFPainter* painter = image.Paint(nullptr, canvas, GIFDrawFlagsDefault & ~DrawLoop, {0, 0, 64, 64});
        painter->Start();
        RunUntilDone(image);
        for (size_t i = 1; i < starts.size(); ++i)
            errors.push_back(std::chrono::duration<double, std::milli>(starts[i] - starts[i - 1]).count() -
                             nominalMs);
    }
    std::vector<double> absolute(errors.size());
    std::transform(errors.begin(), errors.end(), absolute.begin(), [](double e) { return std::abs(e); });
    state.counters["median_ms"] = Percentile(absolute, 0.5);
    state.counters["p95_ms"] = Percentile(absolute, 0.95);
    state.counters["max_ms"] = Percentile(absolute, 1.0);
}
BENCHMARK(BM_FrameStartError)->Iterations(3)->Unit(benchmark::kMillisecond)->UseRealTime();

// A two-frame animation whose frames last 10 s: one second of it costs
// this much CPU time (all threads of the process) while it waits.
void BM_IdleAnimationCpu(benchmark::State& state) {
    TGIFImage image;
    MakeAnimation(image, 2, 1000);
    double cpuMs = 0;
    for (auto _ : state) {
        QImage target(64, 64, QImage::Format_ARGB32_Premultiplied);
        TCanvas canvas(&target);
        TGIFPainter* painter = image.Paint(nullptr, canvas, GIFDrawFlagsDefault, {0, 0, 64, 64});
        painter->Start();
        while (!painter->Started()) QCoreApplication::processEvents();
        const std::clock_t before = std::clock();
        bool done = false;
        QTimer::singleShot(1000, [&] { done = true; });
        while (!done) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        cpuMs += 1000.0 * static_cast<double>(std::clock() - before) / CLOCKS_PER_SEC;
        image.StopPainters();
        QCoreApplication::processEvents();
    }
    state.counters["cpu_ms_per_s"] = cpuMs / static_cast<double>(state.iterations());
}
BENCHMARK(BM_IdleAnimationCpu)->Iterations(2)->Unit(benchmark::kMillisecond)->UseRealTime();

// Every frame of the set's animations (anim-*.gif) rendered onto the
// logical screen, one pass, exact colours, no waiting.
std::string Folder;

void BM_RenderSetAnimations(benchmark::State& state) {
    std::vector<std::filesystem::path> animations;
    for (const auto& file : SetFiles(Folder))
        if (file.filename().string().rfind("anim-", 0) == 0) animations.push_back(file);
    if (animations.empty()) {
        state.SkipWithError("no anim-*.gif in the benchmark set (bench/gif/make-set.sh)");
        return;
    }
    int64_t frames = 0;
    for (auto _ : state) {
        for (const auto& file : animations) {
            TGIFImage image;
            image.LoadFromFile(file.string());
            // As tvgif render draws: the frames' union, placed on the screen.
            const TRect bounds = image.FramesBounds();
            QImage drawn(std::max(1, bounds.Width()), std::max(1, bounds.Height()),
                         QImage::Format_ARGB32_Premultiplied);
            drawn.fill(Qt::transparent);
            TCanvas canvas(&drawn);
            image.OnAfterPaint = [&](TGIFPainter&) { ++frames; };
            image.PainterTimerFactory = [] { return std::make_unique<TGIFInstantTimer>(); };
            image.Paint(
                nullptr, canvas, GIFDrawFlagsDefault & ~(DrawAsync | DrawLoop | DrawDither | DrawAutoDither),
                {-bounds.Left, -bounds.Top, image.Width() - bounds.Left, image.Height() - bounds.Top});
        }
    }
    state.counters["frames"] = benchmark::Counter(static_cast<double>(frames), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_RenderSetAnimations)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    Folder = SetFolder(argc, argv);
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
