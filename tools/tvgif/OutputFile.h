#pragma once
// How a command writes its output file: whole or not at all, and nothing
// beside it touched. The bytes go to a new file of a unique name, created
// exclusively beside the target (so a planted file or link of that name is
// never opened), which then replaces the target by a rename. An existing
// target keeps its mode (a new one gets the usual mode under the umask); a
// target that is a link is written where the link points and stays a link;
// on any failure the temporary file is removed and the target is as it was.
// A target that is a device or a FIFO is written straight, and "-" is
// standard output, written straight, without these guarantees.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

class TStream;

namespace Tvgif {

// The name a message gives the file: "standard output" for "-".
std::string OutputName(const std::string& fileName);

// Makes bytes the whole content of fileName as above. Throws EFCreateError
// or EWriteError whose message gives the system's reason.
void WriteOutputFile(const std::string& fileName, const uint8_t* data, size_t size);
inline void WriteOutputFile(const std::string& fileName, const std::vector<uint8_t>& bytes) {
    WriteOutputFile(fileName, bytes.data(), bytes.size());
}
// The same for output that write makes piece by piece onto a stream that
// cannot seek back, so that it need not be held whole.
void WriteOutputFile(const std::string& fileName, const std::function<void(TStream&)>& write);
// The same for output that fill writes onto the file descriptor it is given.
void WriteOutputFile(const std::string& fileName, const std::function<void(int)>& fill);

} // namespace Tvgif
