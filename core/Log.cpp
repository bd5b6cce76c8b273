#include "Log.h"

#include <QDate>
#include <QLocale>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <deque>
#include <filesystem>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <system_error>

#include "GlobalVars.h"
#include "OsFiles.h"
#include "PathRules.h"
#include "TLogCapture.h"

namespace {

// Lines formatted under one configuration, handed to the sinks together.
struct TLogBatch {
    std::vector<std::string> Lines;
    bool ToWindow = false;
    bool ToFile = false;
};

// The log's state. The configuration is replaced whole, never changed in place, so a line
// formats under the copy it took. A writer queues its batch, then writes the queue out under
// the sink lock; whoever holds that lock empties the queue in order, so batches of different
// threads never interleave and each sink sees the same order.
struct TLogState {
    std::mutex ConfigMutex;
    std::shared_ptr<const TLogConfig> Config = std::make_shared<const TLogConfig>();

    std::mutex QueueMutex;
    std::deque<TLogBatch> Queue;

    // One date at a time: the C library guards its time zone state with a lock of its own,
    // which ThreadSanitizer cannot see.
    std::mutex DateMutex;

    // Recursive, so a window sink may configure the log; a line it logs is only queued, for
    // the loop that called the sink to write after the batch it is writing (see Deliver).
    std::recursive_mutex SinkMutex;
    TFileHandle File;  // buffered by stdio; null while the log file is closed
    TLogWindowSink WindowSink;
};

TLogState& Log() {
    static TLogState state;
    return state;
}

std::shared_ptr<const TLogConfig> CurrentConfig() {
    const std::lock_guard lock(Log().ConfigMutex);
    return Log().Config;
}

// Opens a regular file for appending, creating it when missing. The open never waits and
// refuses anything else, so a pipe or a device at the log's path cannot block the program.
std::FILE* OpenForAppend(const std::string& osPath) {
    const int fd = ::open(osPath.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_NONBLOCK | O_CLOEXEC, 0666);
    if (fd < 0) return nullptr;
    struct stat status {};
    std::FILE* file = ::fstat(fd, &status) == 0 && S_ISREG(status.st_mode) ? ::fdopen(fd, "a") : nullptr;
    if (!file) ::close(fd);
    return file;
}

std::FILE* OpenLogFile(const TLogConfig& config) {
    std::error_code ec;
    if (!std::filesystem::is_directory(config.FolderOsPath, ec) && config.AutoCreateDirs)
        std::filesystem::create_directories(config.FolderOsPath, ec);
    return OpenForAppend(config.FileOsPath);
}

std::string CurrentShortDate() {
    const std::lock_guard lock(Log().DateMutex);
    return QLocale::system().toString(QDate::currentDate(), QLocale::ShortFormat).toStdString();
}

// stamp: "[date] " or nothing.
std::string FormatLine(const TLogEntry& entry, const std::string& stamp) {
    const auto level = static_cast<uint8_t>(entry.Level);
    std::string line = "{type: ";
    line += level < LogLevelNames.size() ? LogLevelNames[level] : std::to_string(level);
    line += ", code: " + std::to_string(entry.Code) + "} ";
    line += stamp;
    line += entry.Text;
    return line;
}

// The lines of entries that config writes; none when it writes nowhere.
TLogBatch BatchOf(const TLogConfig& config, const TLogEntries& entries) {
    TLogBatch batch{{}, config.ToWindow, config.ToFile};
    if (!batch.ToWindow && !batch.ToFile) return batch;
    const std::string stamp = config.UseTimeStamp ? "[" + CurrentShortDate() + "] " : std::string();
    for (const TLogEntry& entry : entries)
        if (static_cast<uint8_t>(entry.Level) <= config.DebugLevel) batch.Lines.push_back(FormatLine(entry, stamp));
    return batch;
}

void WriteToSinks(const TLogBatch& batch) {
    TLogState& log = Log();
    for (const std::string& line : batch.Lines) {
        if (batch.ToWindow && log.WindowSink) log.WindowSink(line);
        if (batch.ToFile && log.File) {
            // A failed write is ignored: the log never reports failures to its callers.
            std::fwrite(line.data(), 1, line.size(), log.File.get());
            std::fputc('\n', log.File.get());
            std::fflush(log.File.get());  // a line is in the file at once, also when the program is killed
        }
    }
}

// Writes out every queued batch in order; the caller holds the sink lock.
void DrainQueue() {
    TLogState& log = Log();
    for (;;) {
        TLogBatch next;
        {
            const std::lock_guard lock(log.QueueMutex);
            if (log.Queue.empty()) return;
            next = std::move(log.Queue.front());
            log.Queue.pop_front();
        }
        WriteToSinks(next);
    }
}

void Deliver(TLogBatch batch) {
    if (batch.Lines.empty()) return;
    TLogState& log = Log();
    {
        const std::lock_guard lock(log.QueueMutex);
        log.Queue.push_back(std::move(batch));
    }
    // Set while this thread writes the queue out: a line logged from inside a sink then waits
    // its turn instead of cutting into the batch being written.
    static thread_local bool draining = false;
    if (draining) return;
    const std::lock_guard sinks(log.SinkMutex);
    draining = true;
    const struct TReset {
        ~TReset() { draining = false; }
    } reset;
    DrainQueue();
}

}  // namespace

TLogConfig LogConfigOf(const TSettings& settings) {
    TLogConfig config;
    config.DebugLevel = settings.DebugLevel;
    config.ToWindow = settings.WriteLogToWindow;
    config.ToFile = settings.WriteLogToFile && !settings.LogFileName.empty();
    config.UseTimeStamp = settings.UseTimeStamp;
    config.AutoCreateDirs = settings.AutoCreateDirs;
    // An installed copy writes its log below the user's state folder, not the program folder.
    const std::string& base = settings.StateDir.empty() ? settings.ProgramDir : settings.StateDir;
    const std::string folder = ResolvePath(base, NormalizeFolder(settings.WorkPath + settings.LogPath));
    config.FolderOsPath = ToOsPath(folder);
    config.FileOsPath = ToOsPath(folder + settings.LogFileName);
    return config;
}

void WriteLog(const std::string& text, TLogLevel level, uint8_t code) {
    if (TLogCapture* capture = TLogCapture::OfThisThread()) {
        capture->Keep(text, level, code);
        return;
    }
    const std::shared_ptr<const TLogConfig> config = CurrentConfig();
    // Filtered before the line is built, so a line nobody reads costs two comparisons.
    if (!config->ToWindow && !config->ToFile) return;
    if (static_cast<uint8_t>(level) > config->DebugLevel) return;
    Deliver(BatchOf(*config, {{text, level, code}}));
}

void WriteLogBatch(const TLogEntries& entries) { Deliver(BatchOf(*CurrentConfig(), entries)); }

void ConfigureLog(const TSettings& settings) {
    auto config = std::make_shared<const TLogConfig>(LogConfigOf(settings));
    const std::lock_guard lock(Log().ConfigMutex);
    Log().Config = std::move(config);
}

void OpenLog(const TSettings& settings) {
    ConfigureLog(settings);
    WriteLog("Opening LogFile");
    const TLogConfig config = LogConfigOf(settings);
    TLogState& log = Log();
    {
        const std::lock_guard sinks(log.SinkMutex);
        DrainQueue();
        log.File.reset();
        if (!settings.WriteLogToFile) return;
        // Any failure leaves the file closed; logging goes on to the debug pane alone.
        log.File.reset(OpenLogFile(config));
        if (!log.File) return;
    }
    WriteLog("LogFile is opened");
}

bool CloseLog() {
    TLogState& log = Log();
    const std::lock_guard sinks(log.SinkMutex);
    DrainQueue();  // lines handed over before the close still reach the file
    if (!log.File) return false;
    std::FILE* file = log.File.release();
    const bool flushed = std::fflush(file) == 0;
    const bool closed = std::fclose(file) == 0;
    if (!flushed || !closed) throw std::runtime_error("Unable to close the log file");
    return true;
}

void ReopenLog(const TSettings& settings) {
    CloseLog();
    OpenLog(settings);
}

void SetLogWindowSink(TLogWindowSink sink) {
    TLogState& log = Log();
    const std::lock_guard sinks(log.SinkMutex);
    log.WindowSink = std::move(sink);
}

bool LogFileOpened() {
    TLogState& log = Log();
    const std::lock_guard sinks(log.SinkMutex);
    return log.File != nullptr;
}
