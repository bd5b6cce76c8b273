#pragma once
// The program's single diagnostic channel: the debug pane and the log file.
#include <cstdint>
#include <functional>
#include <string>

#include "TSettings.h"

// The level of a log line. Settings.DebugLevel stores the highest level written, by number.
enum class TLogLevel : uint8_t { None = 0, Error = 1, Warning = 2, Info = 3 };

// Formats, filters by Settings.DebugLevel and writes a UTF-8 message to the active sinks.
void WriteLog(const std::string& text, TLogLevel level = TLogLevel::Info, uint8_t code = 0);

void OpenLog(const TSettings& settings);
bool CloseLog(const TSettings& settings);  // true when a file was closed; throws when flushing fails
void ReopenLog(const TSettings& settings);

// The debug-pane sink: receives each finished line (without line break). The main window
// fills it; until then, or when it is empty, window lines go nowhere.
using TLogWindowSink = std::function<void(const std::string& line)>;
void SetLogWindowSink(TLogWindowSink sink);

bool LogFileOpened();
