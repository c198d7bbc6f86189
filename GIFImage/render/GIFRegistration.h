#pragma once
// Start-up and shut-down of the GIF support: registers TGIFImage with the
// picture framework for ".gif" files and the "GIF Image" clipboard format.

inline constexpr const char* GIFClipboardFormat = "GIF Image";
inline constexpr const char* GIFFileDescription = "GIF Image";

// Runs once however often it is called (a use counter guards it); call it at
// start-up before any window reads a picture. Also sets PalettedDisplay from
// the screen's depth when a GUI application exists.
void RegisterGIFImage();
// Undoes RegisterGIFImage when the last user calls it: frees the extension
// registries and unregisters the graphic class.
void UnregisterGIFImage();
