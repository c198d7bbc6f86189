#include "GIFRegistration.h"

#include "GIFExtensionRegistry.h"
#include "GIFImage.h"
#include "GIFSettings.h"
#include "Picture.h"

#include <QGuiApplication>
#include <QScreen>

namespace {

int UseCount = 0;

TGraphicClass GIFGraphicClass() {
    return {TGIFImage::GraphicClassName, [] { return std::make_unique<TGIFImage>(); }};
}

} // namespace

void RegisterGIFImage() {
    if (UseCount++ > 0) return;
    TPicture::RegisterFileFormat("gif", GIFFileDescription, GIFGraphicClass());
    TPicture::RegisterClipboardFormat(GIFClipboardFormat, GIFGraphicClass());
    // Displays of 8 bits per pixel or fewer get dithered frames.
    if (qGuiApp)
        if (const QScreen* screen = QGuiApplication::primaryScreen()) PalettedDisplay = screen->depth() <= 8;
}

void UnregisterGIFImage() {
    if (UseCount == 0 || --UseCount > 0) return;
    FreeExtensionRegistries();
    TPicture::UnregisterGraphicClass(TGIFImage::GraphicClassName);
}
