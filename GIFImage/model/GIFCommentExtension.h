#pragma once
// The comment extension (label 0xFE): text lines only.

#include "GIFExtension.h"

#include <string>
#include <vector>

class TGIFCommentExtension : public TGIFExtension {
public:
    static constexpr uint8_t ExtensionLabel = 0xFE;
    static const TGIFExtensionClass& ClassInfo();

    explicit TGIFCommentExtension(TGIFSubImage& frame) : TGIFExtension(frame) {}
    const TGIFExtensionClass& Class() const override { return ClassInfo(); }

    // One line per data sub-block read.
    std::vector<std::string> Text;

protected:
    void LoadBody(TStream& stream) override;
    void SaveBody(TStream& stream) override;
};
