// Rendering in a program that shows no pictures (the command-line tool's
// commands that read, write and optimise): nothing is drawn, so no frame
// bitmap is made and no painter runs. The model calls these; a program links
// this file or the rendering layer, never both, and so loads no Qt.

#include "GIFImage.h"
#include "GIFSubImage.h"

void TGIFImage::Draw(TCanvas&, const TRect&) {}

void TGIFImage::StopPainters() {}

void TGIFImage::FreeComposedBitmap() {}

TBitmap* TGIFSubImage::Bitmap() {
    return nullptr;
}
