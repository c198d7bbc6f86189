#include "GIFExtensionRegistry.h"

#include "GIFAppExtNSLoop.h"
#include "GIFCommentExtension.h"
#include "GIFGraphicControlExtension.h"
#include "GIFStreamIO.h"
#include "GIFTextExtension.h"

#include <memory>
#include <utility>
#include <vector>

namespace {

using LabelEntry = std::pair<uint8_t, const TGIFExtensionClass*>;
using AppEntry = std::pair<TGIFAppIdentifier, const TGIFExtensionClass*>;

// Created on first use; used from the user-interface thread only.
std::unique_ptr<std::vector<LabelEntry>> LabelRegistry;
std::unique_ptr<std::vector<AppEntry>> AppRegistry;

std::vector<LabelEntry>& Labels() {
    if (!LabelRegistry) {
        LabelRegistry = std::make_unique<std::vector<LabelEntry>>();
        LabelRegistry->emplace_back(TGIFTextExtension::ExtensionLabel, &TGIFTextExtension::ClassInfo());
        LabelRegistry->emplace_back(TGIFGraphicControlExtension::ExtensionLabel,
                                    &TGIFGraphicControlExtension::ClassInfo());
        LabelRegistry->emplace_back(TGIFCommentExtension::ExtensionLabel, &TGIFCommentExtension::ClassInfo());
        LabelRegistry->emplace_back(TGIFApplicationExtension::ExtensionLabel,
                                    &TGIFApplicationExtension::ClassInfo());
    }
    return *LabelRegistry;
}

std::vector<AppEntry>& Apps() {
    if (!AppRegistry) {
        AppRegistry = std::make_unique<std::vector<AppEntry>>();
        AppRegistry->emplace_back(AppIdentifier("NETSCAPE2.0"), &TGIFAppExtNSLoop::ClassInfo());
        AppRegistry->emplace_back(AppIdentifier("ANIMEXTS1.0"), &TGIFAppExtNSLoop::ClassInfo());
    }
    return *AppRegistry;
}

} // namespace

void AddExtensionClass(uint8_t label, const TGIFExtensionClass& extensionClass) {
    Labels().emplace_back(label, &extensionClass);
}

void AddAppIdentClass(const TGIFAppIdentifier& identifier, const TGIFExtensionClass& extensionClass) {
    Apps().emplace_back(identifier, &extensionClass);
}

const TGIFExtensionClass* ExtensionClass(uint8_t label) {
    const auto& entries = Labels();
    for (auto it = entries.rbegin(); it != entries.rend(); ++it)
        if (it->first == label) return it->second;
    return nullptr;
}

const TGIFExtensionClass* AppIdentClass(const TGIFAppIdentifier& identifier) {
    const auto& entries = Apps();
    for (auto it = entries.rbegin(); it != entries.rend(); ++it)
        if (it->first == identifier) return it->second;
    return nullptr;
}

const TGIFExtensionClass* FindExtensionClass(TStream& stream) {
    const int64_t start = stream.Position();
    uint8_t label = 0;
    GIFIO::ReadExact(stream, &label, 1);
    const TGIFExtensionClass* found = ExtensionClass(label);
    // Each probe starts where the previous one stopped.
    while (found) {
        const TGIFExtensionClass* refined = &found->RefineExtensionClass(*found, stream);
        if (refined == found) break;
        found = refined;
    }
    stream.SetPosition(start);
    return found;
}

void FreeExtensionRegistries() {
    LabelRegistry.reset();
    AppRegistry.reset();
}
