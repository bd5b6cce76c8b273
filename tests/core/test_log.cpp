#include <gtest/gtest.h>

#include <sys/stat.h>

#include <QTemporaryDir>

#include <QDate>
#include <QLocale>

#include <atomic>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "GlobalVars.h"
#include "Log.h"
#include "PathRules.h"
#include "TLogCapture.h"
#include "OsFiles.h"
#include "file_test_util.h"

namespace fs = std::filesystem;

namespace {

class LogTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(temp.isValid());
        dir = temp.path().toStdString();
        saved = Settings;
        InitDefaultSettings(Settings, dir.string());
        ConfigureLog(Settings);
        SetLogWindowSink([this](const std::string& line) { window.push_back(line); });
    }
    void TearDown() override {
        CloseLog();
        SetLogWindowSink(nullptr);
        Settings = saved;
        ConfigureLog(Settings);
    }

    fs::path LogFilePath() const { return dir / "logs" / "tomeria.log"; }

    QTemporaryDir temp;
    fs::path dir;
    TSettings saved;
    std::vector<std::string> window;
};

TEST_F(LogTest, LineCarriesTypeCodeAndOptionalDate) {
    const std::string date = QLocale::system().toString(QDate::currentDate(), QLocale::ShortFormat).toStdString();
    WriteLog("Считывание установок...");
    WriteLog("Документ не найден.", TLogLevel::Error, 7);
    Settings.UseTimeStamp = false;
    ConfigureLog(Settings);
    WriteLog("plain", TLogLevel::Warning);
    EXPECT_EQ(window, (std::vector<std::string>{
                          "{type: INFO, code: 0} [" + date + "] Считывание установок...",
                          "{type: ERRR, code: 7} [" + date + "] Документ не найден.",
                          "{type: WARN, code: 0} plain",
                      }));
}

TEST_F(LogTest, LevelFilterAndSinkSwitches) {
    struct Case {
        uint8_t debugLevel;
        bool toWindow;
        bool toFile;
        const char* fileName;
        std::vector<uint8_t> written;  // which of the levels 0..3 reach the window
    } const cases[] = {
        {3, true, false, "tomeria.log", {0, 1, 2, 3}}, {1, true, false, "tomeria.log", {0, 1}},
        {0, true, false, "tomeria.log", {0}},          {3, false, false, "tomeria.log", {}},
        {3, false, true, "tomeria.log", {}},  // file on, window off: nothing to the pane
    };
    for (const auto& c : cases) {
        window.clear();
        Settings.DebugLevel = c.debugLevel;
        Settings.WriteLogToWindow = c.toWindow;
        Settings.WriteLogToFile = c.toFile;
        Settings.LogFileName = c.fileName;
        Settings.UseTimeStamp = false;
        ConfigureLog(Settings);
        for (uint8_t level = 0; level <= 3; ++level)
            WriteLog("m", static_cast<TLogLevel>(level));
        std::vector<uint8_t> got;
        for (const auto& line : window) {
            for (uint8_t level = 0; level <= 3; ++level) {
                if (line.starts_with("{type: " + LogLevelNames[level])) got.push_back(level);
            }
        }
        EXPECT_EQ(got, c.written) << "DebugLevel " << int(c.debugLevel);
    }
}

// The log keeps a copy of the record it was configured with: a change to the record (or the
// record going) changes nothing until the log is configured again; closing the file keeps it.
TEST_F(LogTest, KeepsItsOwnCopyOfTheSettings) {
    auto record = std::make_unique<TSettings>(Settings);
    record->UseTimeStamp = false;
    record->DebugLevel = 1;
    OpenLog(*record);
    WriteLog("info", TLogLevel::Info);
    WriteLog("error", TLogLevel::Error);
    record->DebugLevel = 3;
    WriteLog("info still filtered");
    ConfigureLog(*record);
    record.reset();
    WriteLog("info now");
    CloseLog();
    WriteLog("after the close");
    EXPECT_EQ(window, (std::vector<std::string>{"{type: ERRR, code: 0} error", "{type: INFO, code: 0} info now",
                                                "{type: INFO, code: 0} after the close"}));
}

TEST_F(LogTest, FileIsCreatedWithItsFolderAndAppendedAcrossRuns) {
    Settings.WriteLogToFile = true;
    Settings.UseTimeStamp = false;
    for (int run = 0; run < 2; ++run) {
        OpenLog(Settings);
        ASSERT_TRUE(LogFileOpened());
        WriteLog("run " + std::to_string(run));
        EXPECT_TRUE(CloseLog());
    }
    EXPECT_FALSE(CloseLog());
    EXPECT_EQ(ReadWholeFile(LogFilePath()),
              "{type: INFO, code: 0} LogFile is opened\n{type: INFO, code: 0} run 0\n"
              "{type: INFO, code: 0} LogFile is opened\n{type: INFO, code: 0} run 1\n");
    // "Opening LogFile" has only the pane as a sink.
    EXPECT_EQ(window.front(), "{type: INFO, code: 0} Opening LogFile");
}

TEST_F(LogTest, LevelFilterAppliesToTheFileToo) {
    Settings.WriteLogToFile = true;
    Settings.WriteLogToWindow = false;
    Settings.UseTimeStamp = false;
    OpenLog(Settings);
    ASSERT_TRUE(LogFileOpened());
    Settings.DebugLevel = 1;
    ConfigureLog(Settings);
    for (uint8_t level = 0; level <= 3; ++level)
        WriteLog("level " + std::to_string(level), static_cast<TLogLevel>(level));
    CloseLog();
    EXPECT_EQ(
        ReadWholeFile(LogFilePath()),
        "{type: INFO, code: 0} LogFile is opened\n{type: NONE, code: 0} level 0\n{type: ERRR, code: 0} level 1\n");
}

TEST_F(LogTest, WorkPathMovesTheLogFolder) {
    Settings.WriteLogToFile = true;
    Settings.WorkPath = "work\\";
    Settings.LogPath = "journal/";
    OpenLog(Settings);
    EXPECT_TRUE(LogFileOpened());
    CloseLog();
    EXPECT_TRUE(fs::exists(dir / "work" / "journal" / "tomeria.log"));
}

TEST_F(LogTest, UnusableFolderFallsBackToThePaneSilently) {
    Settings.WriteLogToFile = true;
    Settings.AutoCreateDirs = false;
    EXPECT_NO_THROW(OpenLog(Settings));
    EXPECT_FALSE(LogFileOpened());
    EXPECT_FALSE(fs::exists(dir / "logs"));

    // A pipe in the file's place is refused at once instead of waiting for a reader.
    fs::create_directory(dir / "logs");
    ASSERT_EQ(mkfifo(LogFilePath().c_str(), 0600), 0);
    EXPECT_NO_THROW(OpenLog(Settings));
    EXPECT_FALSE(LogFileOpened());
    fs::remove_all(dir / "logs");

    // A file standing where the folder should be: creating it fails as well.
    std::ofstream(dir / "logs") << "x";
    Settings.AutoCreateDirs = true;
    EXPECT_NO_THROW(OpenLog(Settings));
    EXPECT_FALSE(LogFileOpened());
    WriteLog("still logged");
    EXPECT_EQ(window.back(), "{type: INFO, code: 0} [" +
                                 QLocale::system().toString(QDate::currentDate(), QLocale::ShortFormat).toStdString() +
                                 "] still logged");
}

TEST_F(LogTest, ReopenAppliesChangedSettingsAtOnce) {
    OpenLog(Settings);
    EXPECT_FALSE(LogFileOpened());
    Settings.WriteLogToFile = true;
    ReopenLog(Settings);
    EXPECT_TRUE(LogFileOpened());
    Settings.WriteLogToFile = false;
    ReopenLog(Settings);
    EXPECT_FALSE(LogFileOpened());
}

}  // namespace

namespace {

// Lines kept by a capture stay out of the sinks until replayed, in their order and filtered by
// the level in force then; other threads log as usual meanwhile.
TEST_F(LogTest, ACaptureKeepsItsThreadsLinesUntilTheyAreReplayed) {
    Settings.UseTimeStamp = false;
    Settings.DebugLevel = 3;
    ConfigureLog(Settings);
    TLogEntries kept;
    std::thread worker([&] {
        TLogCapture capture;
        WriteLog("first");
        WriteLog("second", TLogLevel::Error, 4);
        kept = capture.TakeEntries();
    });
    worker.join();
    WriteLog("outside");
    EXPECT_EQ(window, (std::vector<std::string>{"{type: INFO, code: 0} outside"}));

    window.clear();
    Settings.DebugLevel = 1;
    ConfigureLog(Settings);
    ReplayLog(kept);
    EXPECT_EQ(window, (std::vector<std::string>{"{type: ERRR, code: 4} second"}));
}

}  // namespace

namespace {

// A line the pane's sink logs itself waits until the batch being written is whole.
TEST_F(LogTest, ALineLoggedFromASinkComesAfterTheBatchBeingWritten) {
    Settings.UseTimeStamp = false;
    ConfigureLog(Settings);
    SetLogWindowSink([this](const std::string& line) {
        window.push_back(line);
        if (line.ends_with("first")) WriteLog("from the sink");
    });
    WriteLogBatch({{"first", TLogLevel::Info, 0}, {"second", TLogLevel::Info, 0}});
    EXPECT_EQ(window, (std::vector<std::string>{"{type: INFO, code: 0} first", "{type: INFO, code: 0} second",
                                                "{type: INFO, code: 0} from the sink"}));
}

// A line of the threads test: which writer, which of its runs, which line of the run (-1 for
// the error line that follows each run), and whether it carries the date.
struct TParsedLine {
    int Writer = -1;
    int Run = -1;
    int Line = -1;
    bool Stamped = false;
};

TParsedLine ParseLine(const std::string& line) {
    std::string text = line.substr(line.find("} ") + 2);
    TParsedLine parsed;
    parsed.Stamped = text.starts_with("[");
    if (parsed.Stamped) text = text.substr(text.find("] ") + 2);
    if (std::sscanf(text.c_str(), "w%d r%d line %d", &parsed.Writer, &parsed.Run, &parsed.Line) != 3)
        std::sscanf(text.c_str(), "w%d r%d error", &parsed.Writer, &parsed.Run);
    return parsed;
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream stream(text);
    for (std::string line; std::getline(stream, line);)
        lines.push_back(line);
    return lines;
}

// Several threads log runs (one batch each) and single lines while the window thread assigns
// the settings record and configures the log from it again and again. Both sinks get the same
// lines in the same order; a run's lines come together, in order, formatted and filtered under
// one configuration; each writer's lines keep its order.
TEST_F(LogTest, LinesOfManyThreadsKeepTheirOrderAndRunsStayTogether) {
    constexpr int Writers = 4;
    constexpr int Runs = 60;
    constexpr int LinesPerRun = 5;
    Settings.WriteLogToFile = true;
    Settings.UseTimeStamp = false;
    OpenLog(Settings);
    ASSERT_TRUE(LogFileOpened());
    window.clear();
    const TSettings plain = Settings;
    TSettings stamped = Settings;
    stamped.UseTimeStamp = true;
    TSettings errorsOnly = Settings;
    errorsOnly.DebugLevel = 1;

    std::atomic<int> finished = 0;
    std::vector<std::thread> writers;
    for (int w = 0; w < Writers; ++w) {
        writers.emplace_back([w, &finished] {
            for (int r = 0; r < Runs; ++r) {
                const std::string tag = "w" + std::to_string(w) + " r" + std::to_string(r);
                TLogEntries run;
                for (int l = 0; l < LinesPerRun; ++l)
                    run.push_back({tag + " line " + std::to_string(l), TLogLevel::Info, 0});
                WriteLogBatch(run);
                WriteLog(tag + " error", TLogLevel::Error);  // passes every configuration's filter
            }
            ++finished;
        });
    }
    for (int i = 0; finished < Writers; ++i) {
        const TSettings* next[] = {&stamped, &errorsOnly, &plain};
        Settings = *next[i % 3];
        ConfigureLog(Settings);
    }
    for (std::thread& writer : writers)
        writer.join();
    CloseLog();

    std::vector<std::string> file = Lines(ReadWholeFile(LogFilePath()).value_or(""));
    ASSERT_FALSE(file.empty());
    EXPECT_EQ(file.front(), "{type: INFO, code: 0} LogFile is opened");
    file.erase(file.begin());
    EXPECT_EQ(file, window);

    std::vector<int> nextRun(Writers, 0);
    std::size_t errors = 0;
    for (std::size_t i = 0; i < window.size(); ++i) {
        const TParsedLine first = ParseLine(window[i]);
        ASSERT_TRUE(first.Writer >= 0 && first.Writer < Writers) << window[i];
        ASSERT_EQ(first.Run, nextRun[first.Writer]) << window[i];
        if (first.Line < 0) {
            ++nextRun[first.Writer];
            ++errors;
            continue;
        }
        ASSERT_EQ(first.Line, 0) << "a run begins with its first line: " << window[i];
        ASSERT_LE(i + LinesPerRun, window.size());
        for (int l = 1; l < LinesPerRun; ++l) {
            const TParsedLine next = ParseLine(window[i + l]);
            EXPECT_EQ(next.Writer, first.Writer) << window[i + l];
            EXPECT_EQ(next.Run, first.Run) << window[i + l];
            EXPECT_EQ(next.Line, l) << window[i + l];
            EXPECT_EQ(next.Stamped, first.Stamped) << window[i + l];
        }
        i += LinesPerRun - 1;
    }
    EXPECT_EQ(errors, std::size_t{Writers} * Runs);
}

}  // namespace
