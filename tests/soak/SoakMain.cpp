// tv_soak [--seed N] [--events N]: random input through every window of the
// program; prints the figures, and the seed when something went wrong.
#include "Application.h"
#include "SoakDriver.h"
#include "startup.h"

#include <CLI/CLI.hpp>
#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <cstdio>

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    TApplication app(argc, argv);
    CLI::App cli("Random input through every window of Tulva and Vesk", "tv_soak");
    uint64_t seed = 1;
    long events = 100000;
    cli.add_option("--seed", seed, "Seed of the random events");
    cli.add_option("--events", events, "Number of events");
    try {
        cli.parse(argc, argv);
    } catch (const CLI::ParseError& error) {
        return cli.exit(error) == 0 ? 0 : 2;
    }
    QTemporaryDir scratch; // the score files
    QDir::setCurrent(scratch.path());
    CreateForms();
    QElapsedTimer timer;
    timer.start();
    const TSoakResult result = RunSoak(seed, events, TV_PROGRAM_DIR "/");
    std::printf("seed %llu: %ld events, %lld windows visited, %d wins recorded, %.1f s\n",
                static_cast<unsigned long long>(seed), result.Events,
                static_cast<long long>(result.WindowsVisited.size()), result.Wins, timer.elapsed() / 1000.0);
    for (const QString& problem : result.Problems) std::printf("problem: %s\n", qPrintable(problem));
    if (!result.Problems.isEmpty()) {
        std::printf("FAILED with seed %llu\n", static_cast<unsigned long long>(seed));
        return 1;
    }
    return 0;
}
