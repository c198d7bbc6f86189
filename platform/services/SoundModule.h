#pragma once
// The sound output is a module of its own, loaded when the first cue plays:
// the multimedia libraries behind it are then not loaded (nor paid for in
// start-up time and memory) by a program that has not played a sound yet.

#include "Services.h"

#include <QString>
#include <memory>

// The module's file name without prefix and suffix, for QLibrary.
inline constexpr const char* SoundModuleName = "tulva-sound";
// The module's one entry: makes a sound output that the caller owns.
inline constexpr const char* SoundModuleEntry = "TvMakeSoundOutput";
using TMakeSoundOutput = TSoundOutput* (*)();

// Loads the module from beside the program, else from the installed module
// folder, and makes its sound output; null (with the reason in error) when
// neither holds it.
std::unique_ptr<TSoundOutput> LoadSoundModule(QString* error = nullptr);
