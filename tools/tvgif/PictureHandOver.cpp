// In tvgif: the picture commands are run by tvgif-pictures, found beside
// this program, else where the build made it (a tvgif copied elsewhere
// alone still has its picture commands, as a program built here finds its
// libraries in the build tree).

#include "PictureCommands.h"

#include "Command.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <string>
#include <unistd.h>

namespace Tvgif {

namespace {

struct TPictureCommand {
    const char* Name;
    const char* Description;
};
constexpr TPictureCommand PictureCommandList[] = {
    {"render", RenderDescription}, {"convert", ConvertDescription}, {"make", MakeDescription}};

// The command argv names: its first word that is not an option.
const char* CommandWord(int argc, char** argv) {
    for (int i = 1; i < argc; ++i)
        if (argv[i][0] != '-') return argv[i];
    return nullptr;
}

// tvgif-pictures in the folder of this program: as the system names it,
// else (without /proc) as it was started.
std::string PictureTool(const char* started) {
    char self[PATH_MAX];
    const ssize_t length = readlink("/proc/self/exe", self, sizeof self - 1);
    const std::string path =
        length > 0 ? std::string(self, static_cast<size_t>(length)) : std::string(started);
    const size_t slash = path.rfind('/');
    return (slash == std::string::npos ? std::string("./") : path.substr(0, slash + 1)) + "tvgif-pictures";
}

} // namespace

void AddPictureCommands(CLI::App& app) {
    for (const TPictureCommand& command : PictureCommandList)
        app.add_subcommand(command.Name, command.Description);
}

int HandOverPictureCommand(int argc, char** argv) {
    const char* word = CommandWord(argc, argv);
    if (!word) return -1;
    bool picture = false;
    for (const TPictureCommand& command : PictureCommandList)
        picture = picture || std::strcmp(word, command.Name) == 0;
    if (!picture) return -1;
    const std::string tool = PictureTool(argv[0]);
    execv(tool.c_str(), argv);
    const int error = errno;
    if (error == ENOENT) execv(TV_PICTURE_TOOL_BUILT, argv);
    std::fprintf(stderr, "tvgif: cannot run %s: %s\n", tool.c_str(), std::strerror(error));
    return ExitFileError;
}

} // namespace Tvgif
