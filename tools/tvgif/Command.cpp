#include "Command.h"

#include "Exceptions.h"
#include "ProgressBar.h"

#include <cstdio>
#include <new>

namespace Tvgif {

namespace {
int Result = ExitOk;
// The file that running out of memory is reported against.
const std::string* MemoryFor = nullptr;

int OutOfMemory(const std::string& fileName) {
    TProgressBar::EndLine();
    std::fprintf(stderr, "%s: out of memory\n", (MemoryFor ? *MemoryFor : fileName).c_str());
    return ExitFileError;
}
} // namespace

void SetAction(CLI::App& command, std::function<int()> body, const std::string* input) {
    command.callback([body = std::move(body), input, &command] {
        MemoryFor = input;
        try {
            Result = body();
        } catch (const std::bad_alloc&) {
            Result = OutOfMemory(input ? *input : command.get_name());
        } catch (const EOutOfMemory&) {
            Result = OutOfMemory(input ? *input : command.get_name());
        }
        MemoryFor = nullptr;
    });
}

int ActionResult() {
    return Result;
}

int ForFile(const std::string& fileName, const std::function<int()>& body) {
    try {
        return body();
    } catch (const EOutOfMemory&) {
        return OutOfMemory(fileName);
    } catch (const Exception& e) {
        TProgressBar::EndLine();
        std::fprintf(stderr, "%s: %s\n", fileName.c_str(), e.what());
    } catch (const std::bad_alloc&) {
        return OutOfMemory(fileName);
    }
    return ExitFileError;
}

} // namespace Tvgif
