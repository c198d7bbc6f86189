#pragma once
// The application extension (label 0xFF): an 11-byte application identifier
// followed by data that the identifier's class reads.

#include "GIFExtension.h"

#include <array>
#include <string>
#include <vector>

using TGIFAppIdentifier = std::array<uint8_t, 11>;

// The identifier from an 11-character text ("NETSCAPE2.0").
TGIFAppIdentifier AppIdentifier(const char* text);

// The refinement of the application extension classes: reads the block size
// and the identifier to name the class that can read the data.
const TGIFExtensionClass& RefineApplicationExtensionClass(const TGIFExtensionClass& self, TStream& stream);

class TGIFApplicationExtension : public TGIFExtension {
public:
    static constexpr uint8_t ExtensionLabel = 0xFF;
    static const TGIFExtensionClass& ClassInfo();

    explicit TGIFApplicationExtension(TGIFSubImage& frame) : TGIFExtension(frame) {}
    const TGIFExtensionClass& Class() const override { return ClassInfo(); }

    TGIFAppIdentifier Identifier{};
    // The bytes of an identifier block longer than 11 bytes after the first
    // 11. Written back with them, the block keeps its size, and with it the
    // class it is read as: "NETSCAPE2.0" in a longer block is data of no
    // registered class, which a block of 11 bytes would not be.
    std::vector<uint8_t> IdentifierTail;
    std::string IdentifierText() const { return {Identifier.begin(), Identifier.end()}; }

protected:
    // Reads the block size and the identifier, then the class's own data.
    void LoadBody(TStream& stream) override;
    // The generic class knows no data of its own. The refinement chooses it
    // only for a block too small or cut short, whose header fails to read
    // before this is reached.
    virtual void ReadOwnData(TStream& stream);
    // Writes the block size (11 and the tail) and the identifier, then the
    // class's own data.
    void SaveBody(TStream& stream) override;
    // The generic class has no data: it writes only the terminator, so that
    // the stream stays well formed.
    virtual void WriteOwnData(TStream& stream);
};
