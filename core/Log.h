#pragma once
// The program's single diagnostic channel: the debug pane and the log file.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "TSettings.h"

// The level of a log line. Settings.DebugLevel stores the highest level written, by number.
enum class TLogLevel : uint8_t { None = 0, Error = 1, Warning = 2, Info = 3 };

// One line to log, as the caller gave it: filtered and formatted when it is written.
struct TLogEntry {
    std::string Text;
    TLogLevel Level = TLogLevel::Info;
    uint8_t Code = 0;
};
using TLogEntries = std::vector<TLogEntry>;

// What the log takes from a settings record. The log keeps its own copy, replaced whole when
// the settings change (ConfigureLog, OpenLog, ReopenLog): a thread that logs never reads a
// settings record, which the window thread may be assigning meanwhile. Until the first
// configuration nothing is written.
struct TLogConfig {
    uint8_t DebugLevel = 0;
    bool ToWindow = false;
    bool ToFile = false;  // WriteLogToFile with a file name
    bool UseTimeStamp = false;
    bool AutoCreateDirs = false;
    std::string FolderOsPath;  // the log file's folder and the file itself, as OS paths
    std::string FileOsPath;
    bool operator==(const TLogConfig&) const = default;
};
TLogConfig LogConfigOf(const TSettings& settings);

// Lines from every thread reach the sinks through one queue, in the order they were handed
// over, each batch whole; both calls return once their lines are in the sinks.
// Formats, filters by the configured DebugLevel and writes a UTF-8 message to the active sinks.
void WriteLog(const std::string& text, TLogLevel level = TLogLevel::Info, uint8_t code = 0);
// The lines of one run, filtered and formatted with one configuration: no other line comes
// between them in either sink.
void WriteLogBatch(const TLogEntries& entries);

// Takes the record's log settings from now on; the file stays as it is (OpenLog opens it).
void ConfigureLog(const TSettings& settings);
// Configures the log from settings and opens the file they name when they write to a file.
void OpenLog(const TSettings& settings);
bool CloseLog();  // true when a file was closed; throws when flushing fails
void ReopenLog(const TSettings& settings);

// The debug-pane sink: receives each finished line (without line break), on whichever thread
// writes the queue out, one line at a time. The main window fills it; until then, or when it is empty, window
// lines go nowhere.
using TLogWindowSink = std::function<void(const std::string& line)>;
void SetLogWindowSink(TLogWindowSink sink);

bool LogFileOpened();
