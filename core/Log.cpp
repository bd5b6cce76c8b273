#include "Log.h"

#include <QDate>
#include <QLocale>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <system_error>

#include "OsFiles.h"
#include "GlobalVars.h"
#include "PathRules.h"
#include "TLogCapture.h"

namespace {

// The log file state: the open file, buffered by stdio; null while the log is closed.
TFileHandle LogFile;
TLogWindowSink WindowSink;
const TSettings* Followed = &Settings;  // the record the log follows
// Transformations log from a worker thread: a line is written whole, to both sinks in turn.
std::recursive_mutex LogMutex;

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

std::string CurrentShortDate() {
    return QLocale::system().toString(QDate::currentDate(), QLocale::ShortFormat).toStdString();
}

std::string FormatLine(const std::string& text, uint8_t level, uint8_t code, bool timeStamp) {
    std::string line = "{type: ";
    line += level < LogLevelNames.size() ? LogLevelNames[level] : std::to_string(level);
    line += ", code: " + std::to_string(code) + "} ";
    if (timeStamp) line += "[" + CurrentShortDate() + "] ";
    line += text;
    return line;
}

}  // namespace

void WriteLog(const std::string& text, TLogLevel level, uint8_t code) {
    if (TLogCapture* capture = TLogCapture::OfThisThread()) {
        capture->Keep(text, level, code);
        return;
    }
    const std::lock_guard lock(LogMutex);
    const TSettings& settings = *Followed;
    const bool toFile = settings.WriteLogToFile && !settings.LogFileName.empty();
    if (!settings.WriteLogToWindow && !toFile) return;
    const auto number = static_cast<uint8_t>(level);
    if (number > settings.DebugLevel) return;

    const std::string line = FormatLine(text, number, code, settings.UseTimeStamp);
    if (settings.WriteLogToWindow && WindowSink) WindowSink(line);
    if (LogFile) {
        // A failed write is ignored: the log never reports failures to its callers.
        std::fwrite(line.data(), 1, line.size(), LogFile.get());
        std::fputc('\n', LogFile.get());
        std::fflush(LogFile.get());  // a line is in the file at once, also when the program is killed
    }
}

void OpenLog(const TSettings& settings) {
    const std::lock_guard lock(LogMutex);
    Followed = &settings;
    WriteLog("Opening LogFile");
    LogFile.reset();
    if (!settings.WriteLogToFile) return;

    // An installed copy writes its log below the user's state folder, not the program folder.
    const std::string& base = settings.StateDir.empty() ? settings.ProgramDir : settings.StateDir;
    const std::string folder = ResolvePath(base, NormalizeFolder(settings.WorkPath + settings.LogPath));
    const std::string osFolder = ToOsPath(folder);
    std::error_code ec;
    if (!std::filesystem::is_directory(osFolder, ec) && settings.AutoCreateDirs)
        std::filesystem::create_directories(osFolder, ec);

    // Any failure leaves the file closed; logging goes on to the debug pane alone.
    LogFile.reset(OpenForAppend(ToOsPath(folder + settings.LogFileName)));
    if (LogFile) WriteLog("LogFile is opened");
}

bool CloseLog() {
    const std::lock_guard lock(LogMutex);
    Followed = &Settings;
    if (!LogFile) return false;
    std::FILE* file = LogFile.release();
    const bool flushed = std::fflush(file) == 0;
    const bool closed = std::fclose(file) == 0;
    if (!flushed || !closed) throw std::runtime_error("Unable to close the log file");
    return true;
}

void ReopenLog(const TSettings& settings) {
    const std::lock_guard lock(LogMutex);
    if (LogFile) CloseLog();
    OpenLog(settings);
}

void ForgetLogSettings(const TSettings& settings) {
    const std::lock_guard lock(LogMutex);
    if (Followed == &settings) Followed = &Settings;
}

void SetLogWindowSink(TLogWindowSink sink) {
    const std::lock_guard lock(LogMutex);
    WindowSink = std::move(sink);
}

bool LogFileOpened() {
    const std::lock_guard lock(LogMutex);
    return LogFile != nullptr;
}
