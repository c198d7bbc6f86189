#pragma once
// A GIF picture to and from the bytes of a file held in memory, with the
// failures that come from what the picture holds told in its own words.

#include <cstdint>
#include <vector>

class TGIFImage;
class TMemoryStream;

namespace Tvgif {

// Loads image from the bytes of a GIF file.
void LoadGIF(TGIFImage& image, const std::vector<uint8_t>& bytes);

// Writes image as a GIF file into stream. A picture that cannot be written for
// what it holds (no frame; pixels that point past their colour table) throws
// an Exception that says so: the fault is the input's, not the output's.
void EncodeGIF(TGIFImage& image, TMemoryStream& stream);

} // namespace Tvgif
