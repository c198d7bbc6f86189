#pragma once
// Reads the pictures an animation is made of, at the animation's size: the
// first picture's, or the size asked for (one side given keeps the first
// picture's aspect).

#include "GIFAnimationMaker.h"

#include <QByteArray>
#include <QImage>
#include <QSize>

#include <string>
#include <vector>

class TFrameReader {
public:
    // Reads the first picture for its size, and keeps it for the first
    // Read; throws EGIFFrameError where it cannot be read or the size is
    // more than a GIF holds.
    TFrameReader(const std::vector<std::string>& files, const TGIFMakeOptions& options);

    QSize ScreenSize() const { return Size; }

    // Frame index as ARGB32 of the screen's size; misfit tells whether it
    // had another size than the first frame (it is then scaled to fit inside
    // the screen, centred on transparent). Safe to call from several threads
    // at once.
    QImage Read(size_t index, bool& misfit) const;

private:
    QImage ReadFile(size_t index) const;

    const std::vector<std::string>& Files;
    // The bytes of the frames that are standard input or pipes, each kept by
    // the one thread that reads it first.
    mutable std::vector<QByteArray> Piped;
    // The first picture as read, shared by every Read of it: it is not
    // decoded twice before the first pass can start.
    QImage First;
    QSize FirstSize;
    QSize Size;
};
