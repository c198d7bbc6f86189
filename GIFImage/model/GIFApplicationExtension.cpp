#include "GIFApplicationExtension.h"

#include "GIFException.h"
#include "GIFExtensionRegistry.h"
#include "GIFMessages.h"
#include "GIFStreamIO.h"
#include "GIFUnknownAppExtension.h"

#include <algorithm>
#include <cstring>

TGIFAppIdentifier AppIdentifier(const char* text) {
    TGIFAppIdentifier id{};
    std::memcpy(id.data(), text, std::min<size_t>(std::strlen(text), id.size()));
    return id;
}

const TGIFExtensionClass& RefineApplicationExtensionClass(const TGIFExtensionClass& self, TStream& stream) {
    const int64_t start = stream.Position();
    const auto keep = [&]() -> const TGIFExtensionClass& {
        stream.SetPosition(start);
        return self;
    };
    uint8_t block[255];
    uint8_t size = 0;
    if (!GIFIO::ReadByte(stream, size)) return keep();
    if (size == 10) {
        if (stream.Read(block, 10) != 10) return keep();
        return TGIFUnknownAppExtension::ClassInfo();
    }
    if (size == 11) {
        TGIFAppIdentifier id{};
        if (stream.Read(id.data(), 11) != 11) return keep();
        const TGIFExtensionClass* known = AppIdentClass(id);
        return known ? *known : TGIFUnknownAppExtension::ClassInfo();
    }
    // A block of 12 bytes or more cannot name a registered class: its data is
    // kept as it stands. Only the first probe sees the real block size; later
    // probes see the first data sub-block, which belongs to the class found.
    if (size >= 12 && &self == &TGIFApplicationExtension::ClassInfo()) {
        if (stream.Read(block, size) != size) return keep();
        return TGIFUnknownAppExtension::ClassInfo();
    }
    return keep();
}

const TGIFExtensionClass& TGIFApplicationExtension::ClassInfo() {
    static const TGIFExtensionClass info{"TGIFApplicationExtension", ExtensionLabel,
                                         [](TGIFSubImage& frame) -> std::unique_ptr<TGIFExtension> {
                                             return std::make_unique<TGIFApplicationExtension>(frame);
                                         },
                                         RefineApplicationExtensionClass};
    return info;
}

void TGIFApplicationExtension::LoadBody(TStream& stream) {
    uint8_t size = 0;
    GIFIO::ReadExact(stream, &size, 1);
    Identifier.fill(0);
    IdentifierTail.clear();
    if (size == 10) {
        GIFIO::ReadExact(stream, Identifier.data(), 10);
    } else if (size < 11) {
        throw GIFException(GIFMessages::UnsupportedAppBlockSize);
    } else {
        GIFIO::ReadExact(stream, Identifier.data(), 11);
        IdentifierTail.resize(size - 11u);
        if (!IdentifierTail.empty()) GIFIO::ReadExact(stream, IdentifierTail.data(), size - 11);
    }
    ReadOwnData(stream);
}

void TGIFApplicationExtension::SaveBody(TStream& stream) {
    // A tail longer than a sub-block allows was not read; it is cut there.
    const size_t tail = std::min<size_t>(IdentifierTail.size(), 255 - Identifier.size());
    stream.WriteByte(static_cast<uint8_t>(Identifier.size() + tail));
    stream.Write(Identifier.data(), static_cast<int64_t>(Identifier.size()));
    if (tail > 0) stream.Write(IdentifierTail.data(), static_cast<int64_t>(tail));
    WriteOwnData(stream);
}

void TGIFApplicationExtension::WriteOwnData(TStream& stream) {
    stream.WriteByte(0);
}

void TGIFApplicationExtension::ReadOwnData(TStream&) {
    throw GIFException(GIFMessages::UnsupportedAppBlockSize);
}
