// Start-up of the program: from the start of the process to the first paint
// of the main window, with all 31 windows created, and the peak memory by
// then. Each iteration starts this program anew as a child that builds the
// application as main() does and reports when the main window has painted.
//
// Reported per platform: the wall time (the benchmark's time), the child's
// CPU time up to the paint (cpu_ms: less disturbed than the wall time when
// the machine is busy) and its peak resident memory (peak_MiB). The
// offscreen platform is always measured; X11 (xcb) too when DISPLAY is set.

#include "Application.h"
#include "Form.h"
#include "startup.h"

#include <QEvent>
#include <QFile>
#include <QTimer>
#include <benchmark/benchmark.h>

#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>

extern char** environ;

namespace {

const char* const ChildFlag = "--startup-child";

int64_t MonotonicNs() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return int64_t(now.tv_sec) * 1000000000 + now.tv_nsec;
}

// The CPU time (user and system) this process has used, in microseconds.
int64_t CpuUs() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return (int64_t(usage.ru_utime.tv_sec) + usage.ru_stime.tv_sec) * 1000000 + usage.ru_utime.tv_usec +
           usage.ru_stime.tv_usec;
}

// The peak resident memory of this process in KiB (VmHWM).
long PeakKiB() {
    QFile status("/proc/self/status");
    if (!status.open(QIODevice::ReadOnly)) return -1;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmHWM:")) return line.mid(6).trimmed().split(' ').front().toLong();
    return -1;
}

// Reports the first paint of the main window on the pipe and ends the program.
class TFirstPaint : public QObject {
public:
    explicit TFirstPaint(int fd) : Fd(fd) {}
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint && !Reported) {
            Reported = true;
            // After the paint has been done.
            QTimer::singleShot(0, [this] {
                const std::string line = std::to_string(MonotonicNs()) + ' ' + std::to_string(CpuUs()) + ' ' +
                                         std::to_string(PeakKiB()) + '\n';
                [[maybe_unused]] auto written = write(Fd, line.data(), line.size());
                QCoreApplication::exit(0);
            });
        }
        return QObject::eventFilter(watched, event);
    }

private:
    int Fd;
    bool Reported = false;
};

int RunChild(int argc, char** argv, int fd) {
    TApplication app(argc, argv);
    CreateForms();
    TFirstPaint watcher(fd);
    Application->MainForm()->installEventFilter(&watcher);
    return app.Run();
}

void StartUp(benchmark::State& state, const char* platform) {
    setenv("QT_QPA_PLATFORM", platform, 1);
    double peakMiB = 0;
    double cpuMs = 0;
    int runs = 0;
    for (auto _ : state) {
        int fds[2];
        if (pipe(fds) != 0) {
            state.SkipWithError("no pipe");
            return;
        }
        const std::string fd = std::to_string(fds[1]);
        char* args[] = {const_cast<char*>("/proc/self/exe"), const_cast<char*>(ChildFlag),
                        const_cast<char*>(fd.c_str()), nullptr};
        const int64_t start = MonotonicNs();
        pid_t child = 0;
        if (posix_spawn(&child, "/proc/self/exe", nullptr, nullptr, args, environ) != 0) {
            state.SkipWithError("cannot start the program");
            return;
        }
        close(fds[1]);
        char buffer[128] = {};
        const ssize_t got = read(fds[0], buffer, sizeof buffer - 1);
        close(fds[0]);
        int status = 0;
        waitpid(child, &status, 0);
        long long paintedNs = 0;
        long long childCpuUs = 0;
        long peakKiB = 0;
        if (got <= 0 || std::sscanf(buffer, "%lld %lld %ld", &paintedNs, &childCpuUs, &peakKiB) != 3) {
            state.SkipWithError("the program did not paint its main window");
            return;
        }
        state.SetIterationTime((paintedNs - start) / 1e9);
        cpuMs += childCpuUs / 1e3;
        ++runs;
        peakMiB = std::max(peakMiB, peakKiB / 1024.0);
    }
    state.counters["cpu_ms"] = runs ? cpuMs / runs : 0;
    state.counters["peak_MiB"] = peakMiB;
}

} // namespace

int main(int argc, char** argv) {
    if (argc == 3 && std::string(argv[1]) == ChildFlag) {
        int childArgc = 1;
        return RunChild(childArgc, argv, std::stoi(argv[2]));
    }
    benchmark::RegisterBenchmark("StartUp/offscreen", StartUp, "offscreen")
        ->UseManualTime()
        ->Unit(benchmark::kMillisecond)
        ->Iterations(10);
    if (const char* display = std::getenv("DISPLAY"); display && *display)
        benchmark::RegisterBenchmark("StartUp/xcb", StartUp, "xcb")
            ->UseManualTime()
            ->Unit(benchmark::kMillisecond)
            ->Iterations(10);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
