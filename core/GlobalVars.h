#pragma once
// The process-wide globals of the program.
#include <array>
#include <string>

#include "TSettings.h"

extern TSettings Settings;                              // the settings in force
extern TSettings DefaultSettings;                       // the built-in defaults, never changed after start-up
extern const std::array<std::string, 4> LogLevelNames;  // "NONE", "ERRR", "WARN", "INFO"

inline constexpr const char* ApplicationTitle = "tomeria v1.0 preRelease";
