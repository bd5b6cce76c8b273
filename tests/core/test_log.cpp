#include <gtest/gtest.h>

#include <sys/stat.h>

#include <QTemporaryDir>

#include <QDate>
#include <QLocale>

#include <filesystem>
#include <fstream>
#include <iterator>
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
        SetLogWindowSink([this](const std::string& line) { window.push_back(line); });
    }
    void TearDown() override {
        CloseLog();
        SetLogWindowSink(nullptr);
        Settings = saved;
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

// The log follows the record OpenLog was given, also as it changes, until CloseLog hands it
// back to the program's Settings.
TEST_F(LogTest, FollowsTheRecordItWasOpenedWith) {
    TSettings record = Settings;
    record.UseTimeStamp = false;
    record.DebugLevel = 1;
    OpenLog(record);
    WriteLog("info", TLogLevel::Info);
    WriteLog("error", TLogLevel::Error);
    record.DebugLevel = 3;
    ForgetLogSettings(Settings);  // not the record followed: no change
    WriteLog("info now");
    CloseLog();
    Settings.UseTimeStamp = false;
    Settings.WriteLogToWindow = false;
    WriteLog("not shown");
    // A record that goes hands the log back as well.
    OpenLog(record);
    ForgetLogSettings(record);
    WriteLog("not shown either");
    EXPECT_EQ(window, (std::vector<std::string>{"{type: ERRR, code: 0} error", "{type: INFO, code: 0} info now",
                                                "{type: INFO, code: 0} Opening LogFile"}));
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
    ReplayLog(kept);
    EXPECT_EQ(window, (std::vector<std::string>{"{type: ERRR, code: 4} second"}));
}

}  // namespace
