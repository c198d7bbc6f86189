#pragma once
// What an animation shows and for how long: through the painter itself, and
// composed by the rules of the format as this system's painter and two other
// common decoders read them. Two pictures animate alike when their timelines
// are equal; equal pictures in a row join into one.

#include "GIFImage.h"

#include <QImage>
#include <string>
#include <vector>

struct TShownPicture {
    QImage Picture;
    int Delay = 0; // hundredths of a second
};

// How a decoder starts the screen and restores a frame to the background.
// Painter: clear ground, restored to clear, and with an area-restoring
// frame anywhere, a frame of an undefined disposal (and the one after it)
// draws nothing. Pillow: the screen starts clear only when the first frame
// is transparent, else as its entry 0 and opaque for good; a frame restored
// to the background becomes clear only when it is transparent itself, else
// the background colour. ImageMagick (-coalesce): the screen starts clear
// only when the first frame is transparent, else as the background colour;
// restored areas become clear.
enum class TDecoderModel { Painter, Pillow, ImageMagick };

// Two passes over the frames, composed by the model's rules.
std::vector<TShownPicture> ModelTimeline(TGIFImage& image, TDecoderModel model);
// What the painter draws on a clear screen, looping, until hundredths have
// passed (the last picture cut at that time).
std::vector<TShownPicture> PainterTimeline(TGIFImage& image, int hundredths);
// "" when equal, else where they first differ.
std::string TimelineDifference(const std::vector<TShownPicture>& a, const std::vector<TShownPicture>& b,
                               bool delays = true);
// "" when optimised animates as original through the painter for two
// passes of the original, and every other decoder model that shows the
// original as the painter does shows the optimised picture so too; else
// what differs.
std::string AnimationDifference(TGIFImage& original, TGIFImage& optimised);
