#include "GIFUnknownAppExtension.h"

const TGIFExtensionClass& TGIFUnknownAppExtension::ClassInfo() {
    static const TGIFExtensionClass info{"TGIFUnknownAppExtension", ExtensionLabel,
                                         [](TGIFSubImage& frame) -> std::unique_ptr<TGIFExtension> {
                                             return std::make_unique<TGIFUnknownAppExtension>(frame);
                                         },
                                         RefineApplicationExtensionClass};
    return info;
}
