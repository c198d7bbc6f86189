#pragma once
// The two process-wide registries of extension classes: by label, and for
// application extensions by identifier. Lookups search from the newest entry
// back, so a later entry for the same key wins.

#include "GIFApplicationExtension.h"
#include "GIFExtension.h"

void AddExtensionClass(uint8_t label, const TGIFExtensionClass& extensionClass);
void AddAppIdentClass(const TGIFAppIdentifier& identifier, const TGIFExtensionClass& extensionClass);

const TGIFExtensionClass* ExtensionClass(uint8_t label);
const TGIFExtensionClass* AppIdentClass(const TGIFAppIdentifier& identifier);

// The class for the extension whose label is the next byte of the stream,
// refined as far as the classes can; none when the label is not registered.
// The stream is left at the label.
const TGIFExtensionClass* FindExtensionClass(TStream& stream);

// Frees both registries; the next use creates them anew with the defaults.
void FreeExtensionRegistries();
