#pragma once
// The program's single diagnostic channel: the debug pane and the log file.
#include <cstdint>
#include <functional>
#include <string>

#include "TSettings.h"

// The level of a log line. Settings.DebugLevel stores the highest level written, by number.
enum class TLogLevel : uint8_t { None = 0, Error = 1, Warning = 2, Info = 3 };

// The log follows one settings record: it says whether lines go to the pane and to the file,
// up to which level, and whether they carry the date. OpenLog names that record, and the log
// reads it as it stands at each line, so a changed level applies at once; CloseLog hands the
// log back to the program's Settings, which it follows before any OpenLog too. The record
// given to OpenLog must outlive the log's use of it.

// Formats, filters by the record's DebugLevel and writes a UTF-8 message to the active sinks.
void WriteLog(const std::string& text, TLogLevel level = TLogLevel::Info, uint8_t code = 0);

// Follows settings, and opens the file it names when it writes to a file.
void OpenLog(const TSettings& settings);
bool CloseLog();  // true when a file was closed; throws when flushing fails
void ReopenLog(const TSettings& settings);
// A record that is about to go: when the log follows it, the log goes back to the program's
// Settings (the file stays open).
void ForgetLogSettings(const TSettings& settings);

// The debug-pane sink: receives each finished line (without line break). The main window
// fills it; until then, or when it is empty, window lines go nowhere.
using TLogWindowSink = std::function<void(const std::string& line)>;
void SetLogWindowSink(TLogWindowSink sink);

bool LogFileOpened();
