#pragma once
// Small shared types of the GIF support.

#include "GIFWireFormat.h"

#include <cstdint>
#include <functional>
#include <string>

class TGIFImage;
class TGIFSubImage;

enum class TGIFSeverity : uint8_t { Info = 0, Warning = 1, Error = 2 };
inline constexpr TGIFSeverity SeverityWarning = TGIFSeverity::Warning;

// Receives the recoverable problems met while reading or changing a picture.
using TGIFWarning = std::function<void(TGIFImage& sender, TGIFSeverity severity, const std::string& message)>;

// The none-colour of the picture framework: no background colour override.
inline constexpr uint32_t clNoneColor = 0x1FFFFFFF;

enum class TGIFThreadPriority : uint8_t { Idle, Lowest, Lower, Normal, Higher, Highest, TimeCritical };
