#pragma once
// Helpers that build pictures in memory and pass them through the writer and
// the reader, for the writing tests.

#include "GIFImage.h"
#include "GIFTestStreams.h"

#include <string>
#include <vector>

// count colours: entry i is (i, 255 - i, i * 7).
void AddColors(TGIFColorMap& map, int count);
// Appends a frame of the given place and pixels (width × height bytes).
TGIFSubImage& AddFrame(TGIFImage& image, int left, int top, int width, int height, const Bytes& pixels);
// Gives the frame a graphic control: its delay (hundredths), its disposal
// and, where transparent is 0 to 255, that transparent index.
void AddControl(TGIFSubImage& frame, int delay, TGIFDisposal disposal, int transparent = -1);
Bytes Save(TGIFImage& image);
void Load(TGIFImage& image, const Bytes& bytes, std::vector<std::string>* warnings = nullptr);
// The codes in table-based image data (code size byte, sub-blocks), read
// with the widths a decoder uses.
std::vector<int> UnpackCodes(const Bytes& imageData);
// The rows of a frame in interlaced order, as one buffer.
Bytes InterlaceRows(const Bytes& pixels, int width, int height);
// The text of the GIFException that f raises, or "".
template <class F> std::string GIFErrorOf(F&& f) {
    try {
        f();
    } catch (const std::exception& e) {
        return e.what();
    }
    return "";
}
