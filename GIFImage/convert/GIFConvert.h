#pragma once
// Conversion of other pictures into GIF: most of it is reached through
// TGIFImage::Assign and TGIFSubImage::Assign; this is what stands on its own.

#include <QImage>

class TGIFImage;
class TGIFSubImage;

// Adds picture to gif as a new frame, reduced with the image's colour
// reduction settings; its colour table keeps only the colours it uses.
TGIFSubImage& AddPictureFrame(TGIFImage& gif, const QImage& picture);
