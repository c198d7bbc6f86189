#pragma once
// The exact texts of the GIF support's errors, warnings and progress reports.

namespace GIFMessages {

// Reading and the object model.
inline constexpr const char* InvalidSignature = "Invalid GIF signature";
inline constexpr const char* PrematureEnd = "Premature end of data";
inline constexpr const char* UnknownBlockType = "Unknown GIF block type";
inline constexpr const char* InvalidExtensionIntroducer = "Invalid extension introducer";
inline constexpr const char* UnknownExtensionType = "Unknown extension type";
inline constexpr const char* ExtensionLabelMismatch =
    "Internal error: Extension Instance does not match Extension Label";
inline constexpr const char* UnsupportedAppBlockSize = "Unsupported Application Extension block size";
inline constexpr const char* InvalidData = "Invalid GIF data";
inline constexpr const char* ImageExceedsScreen = "Image exceeds Logical Screen size";
inline constexpr const char* InvalidTrailer = "Invalid Image trailer";
inline constexpr const char* InvalidColorIndex = "Invalid color index";
inline constexpr const char* EmptyColorTable = "Color table is empty";
inline constexpr const char* ColorTableOverflow = "Color table overflow";
inline constexpr const char* InvalidPixelCoordinates = "Invalid pixel coordinates";
inline constexpr const char* ImageIsEmpty = "Image is empty";
inline constexpr const char* UnsupportedObjectType = "Object type not supported for operation";
inline constexpr const char* WidthTooSmall = "Image width too small for contained frames";
inline constexpr const char* HeightTooSmall = "Image height too small for contained frames";
inline constexpr const char* ClipboardStoreFailed = "Failed to store GIF on clipboard";
inline constexpr const char* NoColorTable = "No global or local color table defined";

// LZW decoding.
inline constexpr const char* BitBufferUnderrun = "Decoder bit buffer under-run";
inline constexpr const char* CircularTableEntry = "Circular decoder table entry";

// Our own, for data that the decoder and reader refuse rather than misread.
inline constexpr const char* UnsupportedCodeSize = "Unsupported LZW code size";
inline constexpr const char* CodeOutOfRange = "Decoder code out of range";
inline constexpr const char* ImageTooLarge = "Image too large for its data";
inline constexpr const char* ImageOverLimit = "Image exceeds the pixel limit of a load";

// Writing.
inline constexpr const char* UnsupportedVersion = "Unsupported GIF version";
inline constexpr const char* ColorNotInTable = "Color not in color table";
inline constexpr const char* InvalidStreamOperation = "Invalid stream operation";

// Optimisation.
inline constexpr const char* InvalidReductionMethod = "Invalid reduction method";
// Rendering.
inline constexpr const char* UnsupportedPixelFormat = "Unsupported PixelFormat";
inline constexpr const char* InvalidImageDimensions = "Invalid image dimensions";
inline constexpr const char* ImageHasNoDIB = "Image has no DIB";
inline constexpr const char* DIBAllocationFailed = "Failed to allocate memory for GIF DIB";
// Our own text: a whole-screen picture past MaxScreenPicturePixels.
inline constexpr const char* ScreenTooLarge = "Logical screen too large for one picture";
// Conversion into frames: our own texts for settings outside their range.
inline constexpr const char* UnsupportedReduction = "Unsupported color reduction method or dither mode";
inline constexpr const char* PictureTooLarge = "Picture too large for a GIF frame";

// Progress.
inline constexpr const char* Converting = "Converting...";
inline constexpr const char* Copying = "Copying...";
inline constexpr const char* Loading = "Loading...";
inline constexpr const char* Saving = "Saving...";
inline constexpr const char* Optimizing = "Optimizing...";
inline constexpr const char* Rendering = "Rendering...";

} // namespace GIFMessages
