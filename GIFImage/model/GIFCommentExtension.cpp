#include "GIFCommentExtension.h"

#include "GIFSubBlocks.h"

const TGIFExtensionClass& TGIFCommentExtension::ClassInfo() {
    static const TGIFExtensionClass info{"TGIFCommentExtension", ExtensionLabel,
                                         [](TGIFSubImage& frame) -> std::unique_ptr<TGIFExtension> {
                                             return std::make_unique<TGIFCommentExtension>(frame);
                                         },
                                         KeepExtensionClass};
    return info;
}

void TGIFCommentExtension::LoadBody(TStream& stream) {
    ReadTextSubBlocks(stream, Text);
}

void TGIFCommentExtension::SaveBody(TStream& stream) {
    WriteTextSubBlocks(stream, Text);
}
