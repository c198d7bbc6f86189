#pragma once
// How a program reads a file it is given: once, whole, into memory, so that
// a pipe, a FIFO or /dev/stdin works as a file does and nothing is opened
// twice, by its name as given whatever the name's encoding. "-" is standard
// input. The tvgif commands read their files so, and the animation maker
// the pictures it cannot leave to Qt.

#include <cstdint>
#include <string>
#include <vector>

// The most an input may hold: far beyond any picture the GIF library loads
// (a load makes at most 2^30 pixels), and a bound on what an endless pipe
// can make the tool keep.
inline constexpr int64_t MaxInputBytes = int64_t{1} << 30;

// The name a message gives the file: "standard input" for "-".
std::string InputName(const std::string& fileName);

// All the bytes of fileName ("-": standard input). Throws EFOpenError for a
// file that cannot be opened or is a folder, EReadError for a failed read or
// an input beyond maxBytes; each message gives the reason.
std::vector<uint8_t> ReadInputFile(const std::string& fileName, int64_t maxBytes = MaxInputBytes);
