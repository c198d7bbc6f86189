#pragma once
// What every tvgif command shares: how an action reports its exit code, and
// how failures on a file become a message naming the file and exit code 1.

#include <CLI/CLI.hpp>

#include <functional>
#include <string>

namespace Tvgif {

inline constexpr int ExitOk = 0;
inline constexpr int ExitFileError = 1;
inline constexpr int ExitUsage = 2;

// Makes body the action of command; its result becomes the tool's exit code.
// When input is given, running out of memory anywhere in body is reported
// against that file ("IN: out of memory", exit 1): the memory was wanted for
// the picture it holds, whichever file was being written at the time.
void SetAction(CLI::App& command, std::function<int()> body, const std::string* input = nullptr);
// The exit code of the action that ran (0 when none did).
int ActionResult();

// Runs body for the named file. A picture or stream error, or running out of
// memory, prints "FILE: message" on stderr and gives ExitFileError (running
// out of memory names the action's input instead, when it has one).
int ForFile(const std::string& fileName, const std::function<int()>& body);

} // namespace Tvgif

void AddInfoCommand(CLI::App& app);
void AddCopyCommand(CLI::App& app);
void AddBenchCommand(CLI::App& app);
void AddOptimizeCommand(CLI::App& app);
void AddConvertCommand(CLI::App& app);
void AddRenderCommand(CLI::App& app);
void AddMakeCommand(CLI::App& app);
