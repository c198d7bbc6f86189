#pragma once
// How a command reads its input: once, whole, into memory, so that a pipe,
// a FIFO or /dev/stdin works as a file does and nothing is opened twice.
// "-" is standard input.

#include <cstdint>
#include <string>
#include <vector>

namespace Tvgif {

// The most an input may hold: far beyond any picture the GIF library loads
// (a load makes at most 2^30 pixels), and a bound on what an endless pipe
// can make the tool keep.
inline constexpr int64_t MaxInputBytes = int64_t{1} << 30;

// The name a message gives the file: "standard input" for "-".
std::string InputName(const std::string& fileName);

// All the bytes of fileName ("-": standard input). Throws EFOpenError for a
// file that cannot be opened or is a folder, EReadError for a failed read or
// an input beyond MaxInputBytes; each message gives the reason.
std::vector<uint8_t> ReadInputFile(const std::string& fileName);

} // namespace Tvgif
