#pragma once
// tvgif convert IN OUT.gif [--method M|best] [--dither D] [--bits B]

namespace CLI {
class App;
}

void AddConvertCommand(CLI::App& app);
