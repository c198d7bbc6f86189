// The picture commands themselves, in tvgif-pictures.

#include "PictureCommands.h"

#include "Command.h"

namespace Tvgif {

void AddPictureCommands(CLI::App& app) {
    AddRenderCommand(app);
    AddConvertCommand(app);
    AddMakeCommand(app);
}

int HandOverPictureCommand(int, char**) {
    return -1;
}

} // namespace Tvgif
