#include <gtest/gtest.h>

#include <QTemporaryDir>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>
#include <vector>

#include "IniFile.h"
#include "PathRules.h"
#include "SettingsFile.h"
#include "TSettings.h"
#include "OsFiles.h"
#include "file_test_util.h"

namespace fs = std::filesystem;

namespace {

// Section names of an INI text in the order they appear.
std::vector<std::string> SectionsOf(const std::string& text) {
    std::vector<std::string> names;
    for (std::size_t pos = text.find('['); pos != std::string::npos; pos = text.find('[', pos + 1)) {
        if (pos == 0 || text[pos - 1] == '\n') names.push_back(text.substr(pos + 1, text.find(']', pos) - pos - 1));
    }
    return names;
}

// The defaults after a read that found no placement keys: shown and docked.
TSettings WithPlacementReadDefaults(TSettings s) {
    for (TToolbarLayout* t : {&s.StdToolbar, &s.SearchToolbar, &s.DebugToolbar})
        t->Visible = t->Docked = true;
    for (TWindowLayout* w : {&s.MainWindow, &s.DebugWindow})
        w->Visible = w->Docked = true;
    return s;
}

class SettingsFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(temp.isValid());
        dir = temp.path().toStdString();
        InitDefaultSettings(defaults, dir.string());
        iniPath = ToOsPath(defaults.SettingsPath);
    }
    void TearDown() override { SetLayoutCapture(nullptr); }

    TSettings Loaded() const {
        TSettings target = defaults;
        LoadSettings(target, defaults);
        return target;
    }

    QTemporaryDir temp;
    fs::path dir;
    std::string iniPath;
    TSettings defaults;
};

TEST_F(SettingsFileTest, SettingsFileLivesInTheProgramFolder) { EXPECT_EQ(fs::path(iniPath), dir / "tomeria.ini"); }

TEST_F(SettingsFileTest, MissingFileLeavesAllDefaults) { EXPECT_EQ(Loaded(), WithPlacementReadDefaults(defaults)); }

TEST_F(SettingsFileTest, ChangedRecordSavedAndReadBackIsEqual) {
    TSettings s = defaults;
    s.WorkPath = "work\\";
    s.DataPath = "книги\\";
    s.TemporaryPath = "/tmp/tomeria/";
    s.LogPath = "journal\\";
    s.AutoCreateDirs = false;
    s.ServiceXSLTFile = "other.xslt";
    s.BrowserFontSize = 4;
    s.AllowCopyFromBrowser = true;
    s.DebugLevel = 1;
    s.WriteLogToWindow = false;
    s.WriteLogToFile = true;
    s.UseTimeStamp = false;
    s.OnStartAction = 0;
    s.OnStartDoc = "C:\\books\\atlas\\intro.tmr";
    s.ShowSplashScreen = false;
    s.ShowWelcomeScreen = false;
    s.KeepControlState = true;
    s.TOCisExpanded = true;
    s.UseAlphaBlendForExternalWindows = true;
    s.AlphaBlendValueUnactive = -3;
    s.AlphaBlendValueActive = 100000;
    s.UseInTOCOneClickAsDblClick = false;
    s.StdToolbar = {"StdToolbar", false, false, -20, 35};
    s.SearchToolbar = {"SearchToolbar", true, false, 1, 2};
    s.DebugToolbar = {"DebugToolbar", false, true, 300, 400};
    s.MainWindow = {"MainWindow", false, true, 10, 20, 800, 600, TWindowState::Maximised};
    s.DebugWindow = {"DebugWindow", true, false, 0, 0, 1, 1, TWindowState::Normal};

    SaveSettingsOnExit(s);
    EXPECT_EQ(Loaded(), s);
}

TEST_F(SettingsFileTest, DefaultsSaveAllSectionsInOrderWithoutCopyFlag) {
    SaveSettingsOnExit(defaults);
    const std::string text = ReadWholeFile(iniPath).value_or("");
    EXPECT_EQ(SectionsOf(text), (std::vector<std::string>{"StdToolbar", "SearchToolbar", "DebugToolbar", "MainWindow",
                                                          "DebugWindow", "ControlState"}));
    const TIniFile ini(iniPath);
    const auto keys = ini.ReadSection("ControlState");
    EXPECT_EQ(keys.size(), 23u);
    EXPECT_EQ(keys.front(), "WorkPath");
    EXPECT_EQ(keys.back(), "UseInTOCOneClickAsDblClick");
    EXPECT_EQ(text.find("AllowCopyFromBrowser"), std::string::npos);
    EXPECT_NE(text.find("WorkPath=.\\\n"), std::string::npos);
    EXPECT_EQ(ini.ReadSection("MainWindow"),
              (std::vector<std::string>{"WindowState", "Visible", "Docked", "Left", "Top", "Width", "Height"}));
    EXPECT_EQ(ini.ReadSection("StdToolbar"), (std::vector<std::string>{"Visible", "Docked", "Left", "Top"}));
}

TEST_F(SettingsFileTest, DefaultControlStateIsWrittenExactly) {
    SaveSettingsOnExit(defaults);
    const std::string text = ReadWholeFile(iniPath).value_or("");
    const std::size_t section = text.find("[ControlState]\n");
    ASSERT_NE(section, std::string::npos) << text;
    EXPECT_EQ(text.substr(section),
              "[ControlState]\n"
              "WorkPath=.\\\n"
              "DataPath=data\\\n"
              "TemporaryPath=temp\\\n"
              "LogPath=logs\\\n"
              "AutoCreateDirs=1\n"
              "ServiceXSLTFile=service.xslt\n"
              "BrowserFontSize=2\n"
              "DebugLevel=3\n"
              "WriteLogToWindow=1\n"
              "WriteLogToFile=0\n"
              "UseTimeStamp=1\n"
              "OnStartAction=1\n"
              "OnStartDoc=data\\intro.ini\n"
              "ShowSplashScreen=1\n"
              "ShowWelcomeScreen=1\n"
              "UseSettings=1\n"
              "KeepShellDesign=1\n"
              "KeepControlState=0\n"
              "TOCisExpanded=0\n"
              "UseAlphaBlendForExternalWindows=0\n"
              "AlphaBlendValueUnactive=128\n"
              "AlphaBlendValueActive=250\n"
              "UseInTOCOneClickAsDblClick=1\n");
}

TEST_F(SettingsFileTest, SaveIsSkippedUnlessTheRecordAllowsIt) {
    struct Case {
        bool keepShell;
        bool keepControl;
        uint8_t useSettings;
    } const cases[] = {{false, false, 1}, {true, true, 0}, {true, false, 2}};
    const std::string original = "[ControlState]\r\nDebugLevel=2\r\n; hand-made\r\n";
    for (const auto& c : cases) {
        WriteFile(iniPath, original);
        TSettings s = defaults;
        s.KeepShellDesign = c.keepShell;
        s.KeepControlState = c.keepControl;
        s.UseSettings = c.useSettings;
        SaveSettingsOnExit(s);
        EXPECT_EQ(ReadWholeFile(iniPath), original) << c.keepShell << c.keepControl << int(c.useSettings);
    }
}

TEST_F(SettingsFileTest, ControlStateAloneDropsPlacementSections) {
    TSettings s = defaults;
    s.MainWindow.Width = 640;
    SaveSettingsOnExit(s);
    s.KeepShellDesign = false;
    s.KeepControlState = true;
    SaveSettingsOnExit(s);
    EXPECT_EQ(SectionsOf(ReadWholeFile(iniPath).value_or("")), std::vector<std::string>{"ControlState"});
    EXPECT_EQ(Loaded().MainWindow.Width, 0);
}

TEST_F(SettingsFileTest, PartialAndOddValuesFallBackPerKey) {
    WriteFile(iniPath,
              "[controlstate]\r\n"
              "DebugLevel=1\r\n"
              "WorkPath=\r\n"
              "OnStartAction=257\r\n"
              "BrowserFontSize=0x105\r\n"
              "ShowSplashScreen=yes\r\n"
              "UseTimeStamp=$0\r\n"
              "[MainWindow]\r\nWindowState=258\r\nDocked=0\r\n");
    TSettings expected = WithPlacementReadDefaults(defaults);
    expected.DebugLevel = 1;
    expected.OnStartAction = 1;
    expected.BrowserFontSize = 5;
    expected.UseTimeStamp = false;
    expected.MainWindow.WindowState = TWindowState::Maximised;
    expected.MainWindow.Docked = false;
    EXPECT_EQ(Loaded(), expected);
}

TEST_F(SettingsFileTest, CaptureRunsOnlyForShellDesignAndStaysPrivate) {
    int captures = 0;
    SetLayoutCapture([&](TSettings& s) {
        ++captures;
        s.MainWindow.Width = 1024;
        s.DebugWindow = {"DebugWindow", true, true, 0, 0, 1, 1, TWindowState::Normal};
    });
    TSettings s = defaults;
    s.KeepControlState = true;
    SaveSettingsOnExit(s);
    EXPECT_EQ(captures, 1);
    EXPECT_EQ(s.MainWindow.Width, 0);
    const TIniFile ini(iniPath);
    EXPECT_EQ(ini.ReadInteger("MainWindow", "Width", 0), 1024);
    EXPECT_EQ(ini.ReadInteger("DebugWindow", "Height", 0), 1);

    s.KeepShellDesign = false;
    SaveSettingsOnExit(s);
    EXPECT_EQ(captures, 1);
}

TEST_F(SettingsFileTest, FailedSaveLeavesThePreviousFileWhole) {
    TSettings s = defaults;
    s.DebugLevel = 1;
    SaveSettingsOnExit(s);
    const std::string before = ReadWholeFile(iniPath).value_or("");

    // Neither a new file nor the old one can be written by the saving user.
    const fs::perms readOnly = fs::perms::owner_read | fs::perms::owner_exec | fs::perms::others_exec;
    GiveToUnprivileged(iniPath, fs::perms::owner_read);
    GiveToUnprivileged(dir, readOnly);
    s.DebugLevel = 2;
    EXPECT_EQ(RunUnprivileged([&] {
                  try {
                      SaveSettingsOnExit(s);
                      return 0;
                  } catch (const std::runtime_error&) {
                      return 1;
                  }
              }),
              1);
    EXPECT_EQ(ReadWholeFile(iniPath), before);
    EXPECT_EQ(Loaded().DebugLevel, 1);
}

TEST_F(SettingsFileTest, WorkPathDoesNotMoveTheSettingsFile) {
    TSettings s = defaults;
    s.WorkPath = "elsewhere\\";
    SaveSettingsOnExit(s);
    const TSettings loaded = Loaded();
    EXPECT_EQ(loaded.WorkPath, "elsewhere\\");
    EXPECT_EQ(loaded.SettingsPath, defaults.SettingsPath);
}

TEST(DefaultSettings, ProgramFolderHasExactlyOneTrailingBackslash) {
    const struct {
        std::string input;
        std::string expected;
    } cases[] = {
        {"/", "\\"},
        {"/opt/tomeria", "\\opt\\tomeria\\"},
        {"/opt/tomeria/", "\\opt\\tomeria\\"},
        {"C:\\", "C:\\"},
    };
    for (const auto& c : cases) {
        TSettings s;
        InitDefaultSettings(s, c.input);
        EXPECT_EQ(s.ProgramDir, c.expected) << c.input;
    }
}

TEST(DefaultSettings, DerivedValuesAndLayoutNames) {
    TSettings s;
    InitDefaultSettings(s, "/opt/tomeria");
    EXPECT_EQ(s.SettingsPath, "\\opt\\tomeria\\tomeria.ini");
    EXPECT_EQ(s.OnStartDoc, "data\\intro.ini");
    EXPECT_EQ(s.WorkPath, ".\\");
    EXPECT_EQ(s.LogFileName, "tomeria.log");
    EXPECT_EQ(s.StdToolbar.Name, "StdToolbar");
    EXPECT_EQ(s.SearchToolbar.Name, "SearchToolbar");
    EXPECT_EQ(s.DebugToolbar.Name, "DebugToolbar");
    EXPECT_EQ(s.DebugWindow.Name, "DebugWindow");
    EXPECT_EQ(s.MainWindow.Name, "MainWindow");
    EXPECT_EQ(s.DebugLevel, 3);
    EXPECT_EQ(s.BrowserFontSize, 2);
    EXPECT_EQ(s.AlphaBlendValueUnactive, 128);
    EXPECT_EQ(s.AlphaBlendValueActive, 250);
    EXPECT_TRUE(s.KeepShellDesign);
    EXPECT_FALSE(s.KeepControlState);
    ASSERT_TRUE(s.LastDocs);
    EXPECT_TRUE(s.LastDocs->empty());
}

TEST(SettingsRecord, CopyDuplicatesFieldsButSharesRecentDocuments) {
    TSettings defaults;
    InitDefaultSettings(defaults, "/opt/tomeria");
    TSettings copy = defaults;
    copy.DataPath = "books\\";
    copy.LastDocs->push_back("a.tmr");
    EXPECT_EQ(defaults.DataPath, "data\\");
    EXPECT_EQ(defaults.LastDocs.get(), copy.LastDocs.get());
    ASSERT_EQ(defaults.LastDocs->size(), 1u);
}

TEST(SettingsRecord, RecordsCompareEveryFieldAndRecentDocumentsByContent) {
    TSettings a;
    TSettings b;
    InitDefaultSettings(a, "/opt/tomeria");
    InitDefaultSettings(b, "/opt/tomeria");
    EXPECT_TRUE(a == b);  // two lists, both empty
    b.LastDocs->push_back("x.tmr");
    EXPECT_FALSE(a == b);
    a.LastDocs->push_back("x.tmr");
    EXPECT_TRUE(a == b);
    a.LastDocs->clear();
    b.LastDocs = TRecentDocs();  // no list is an empty list
    EXPECT_TRUE(a == b);
    b.UseInTOCOneClickAsDblClick = !a.UseInTOCOneClickAsDblClick;
    EXPECT_FALSE(a == b);
}

}  // namespace
