// tvgif: looks into GIF files with the game's own reader and writer. Each
// command lives in its own file (<Name>Command.cpp) and is registered here.
// The same main serves tvgif-pictures, which runs the picture commands
// (PictureCommands.h).

#include "Command.h"
#include "PictureCommands.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <malloc.h>
#include <new>
#include <string>
#include <vector>

namespace {

// The "Usage: ..." line of app's help.
std::string UsageLine(const CLI::App& app) {
    const std::string help = app.help();
    const size_t start = help.find("Usage:");
    if (start == std::string::npos) return "";
    return help.substr(start, help.find('\n', start) - start);
}

// Before a command is named, CLI11 would only say that one is required; the
// word it could not take tells the user more.
int UnknownWord(const CLI::App& app, const std::string& word) {
    std::fprintf(stderr, "tvgif: unknown %s: %s\n%s\nRun with --help for more information.\n",
                 word.rfind('-', 0) == 0 ? "option" : "command", word.c_str(), UsageLine(app).c_str());
    return Tvgif::ExitUsage;
}

int Run(int argc, char** argv) {
    CLI::App app{"Reads, writes and measures GIF files with the game's GIF library.", "tvgif"};
    app.set_version_flag("--version", "tvgif " TV_VERSION);
    app.require_subcommand(1);

    AddInfoCommand(app);
    AddCopyCommand(app);
    AddBenchCommand(app);
    AddOptimizeCommand(app);
    Tvgif::AddPictureCommands(app);

    try {
        app.parse(argc, argv);
    } catch (const CLI::Success& e) {
        return app.exit(e); // --help or --version
    } catch (const CLI::RuntimeError& e) {
        return e.get_exit_code(); // a command's own exit code
    } catch (const CLI::ParseError& e) {
        const std::vector<std::string> left = app.remaining();
        if (app.get_subcommands().empty() && !left.empty()) return UnknownWord(app, left.front());
        app.exit(e);
        return Tvgif::ExitUsage;
    } catch (const std::bad_alloc&) {
        std::fprintf(stderr, "tvgif: out of memory\n");
        return Tvgif::ExitFileError;
    }
    return Tvgif::ActionResult();
}

// What was printed must have arrived: a full disk or a closed pipe under
// standard output is a failure, not a success.
int FinishStandardOutput(int result) {
    errno = 0;
    if (std::fflush(stdout) == 0 && !std::ferror(stdout)) return result;
    const int error = errno;
    std::fprintf(stderr, "tvgif: cannot write standard output: %s\n",
                 error != 0 ? std::strerror(error) : "write error");
    return result == Tvgif::ExitOk ? Tvgif::ExitFileError : result;
}

} // namespace

int main(int argc, char** argv) {
    // A file past the size limit then fails to write with a reason
    // ("File too large") instead of ending the process.
    std::signal(SIGXFSZ, SIG_IGN);
    // A command allocates and frees frame-sized buffers again and again:
    // kept in the heap they are reused, where each new mapping of its own
    // would fault in every page again.
    mallopt(M_MMAP_THRESHOLD, 256 << 20);
    mallopt(M_TRIM_THRESHOLD, 256 << 20);
    if (const int handedOver = Tvgif::HandOverPictureCommand(argc, argv); handedOver >= 0) return handedOver;
    return FinishStandardOutput(Run(argc, argv));
}
