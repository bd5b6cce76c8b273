#pragma once
// The process-wide globals of the program.
//
// The error rule of the core library (core/): reading never fails, a missing or unreadable
// file or value gives the defaults; a failed write (the settings file, closing the log file)
// throws std::runtime_error saying what could not be written; the log drops its own failures
// and never reports them. Nothing in core/ shows or logs an error for a caller: the layer
// that called reports it.
#include <array>
#include <string>

#include "TSettings.h"

extern TSettings Settings;                              // the settings in force
extern TSettings DefaultSettings;                       // the built-in defaults, never changed after start-up
extern const std::array<std::string, 4> LogLevelNames;  // "NONE", "ERRR", "WARN", "INFO"

inline constexpr const char* ApplicationTitle = "tomeria v1.0 preRelease";
