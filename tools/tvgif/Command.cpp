#include "Command.h"

#include "Exceptions.h"

#include <cstdio>
#include <new>

namespace Tvgif {

namespace {
int Result = ExitOk;
}

void SetAction(CLI::App& command, std::function<int()> body) {
    command.callback([body = std::move(body)] { Result = body(); });
}

int ActionResult() {
    return Result;
}

int ForFile(const std::string& fileName, const std::function<int()>& body) {
    try {
        return body();
    } catch (const Exception& e) {
        std::fprintf(stderr, "%s: %s\n", fileName.c_str(), e.what());
    } catch (const std::bad_alloc&) {
        std::fprintf(stderr, "%s: out of memory\n", fileName.c_str());
    }
    return ExitFileError;
}

} // namespace Tvgif
