#pragma once
// The base of the extension blocks of a frame, and the class descriptor that
// the extension registries hold.

#include "GIFItem.h"

#include <cstdint>
#include <memory>

class TGIFExtension;

// An extension class as a value: its label, how to make an instance, and
// the class-level refinement that may read on and name a more specific class.
struct TGIFExtensionClass {
    const char* Name;
    uint8_t Label;
    std::unique_ptr<TGIFExtension> (*Create)(TGIFSubImage& frame);
    // Returns the class itself when it has nothing to refine.
    const TGIFExtensionClass& (*RefineExtensionClass)(const TGIFExtensionClass& self, TStream& stream);
};

// The refinement of every class but the application extensions.
const TGIFExtensionClass& KeepExtensionClass(const TGIFExtensionClass& self, TStream& stream);

class TGIFExtension : public TGIFItem {
public:
    explicit TGIFExtension(TGIFSubImage& frame);

    virtual const TGIFExtensionClass& Class() const = 0;
    uint8_t Label() const { return Class().Label; }
    // Every extension needs GIF89a.
    int Version() const override { return 2; }
    // Reads the introducer and the label, checks them, then the body.
    void LoadFromStream(TStream& stream) override;
    // Writes the introducer and the label, then the body.
    void SaveToStream(TStream& stream) override;

    TGIFSubImage& Frame() const { return *OwnerFrame; }

protected:
    virtual void LoadBody(TStream& stream) = 0;
    virtual void SaveBody(TStream& stream) = 0;

    TGIFSubImage* OwnerFrame;
};
