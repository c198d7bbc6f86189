// tvgif: looks into GIF files with the game's own reader and writer. Each
// command lives in its own file (<Name>Command.cpp) and is registered here.

#include "Command.h"

#include <cstdio>
#include <new>

int main(int argc, char** argv) {
    CLI::App app{"Reads, writes and measures GIF files with the game's GIF library.", "tvgif"};
    app.set_version_flag("--version", "tvgif " TV_VERSION);
    app.require_subcommand(1);

    AddInfoCommand(app);
    AddCopyCommand(app);
    AddBenchCommand(app);
    AddOptimizeCommand(app);
    AddRenderCommand(app);
    AddConvertCommand(app);
    AddMakeCommand(app);

    try {
        app.parse(argc, argv);
    } catch (const CLI::Success& e) {
        return app.exit(e); // --help or --version
    } catch (const CLI::RuntimeError& e) {
        return e.get_exit_code(); // a command's own exit code
    } catch (const CLI::ParseError& e) {
        app.exit(e);
        return Tvgif::ExitUsage;
    } catch (const std::bad_alloc&) {
        std::fprintf(stderr, "tvgif: out of memory\n");
        return Tvgif::ExitFileError;
    }
    return Tvgif::ActionResult();
}
