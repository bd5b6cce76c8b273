#pragma once
// The settings record of the program and its placement records.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// Placement of one toolbar window; Name is its section in the settings file.
struct TToolbarLayout {
    std::string Name;
    bool Docked = false;
    bool Visible = false;
    int32_t Left = 0;
    int32_t Top = 0;
    bool operator==(const TToolbarLayout&) const = default;
};

// A window's state as the settings file stores it, by number. Any other stored number is
// kept as it is and leaves the window's state unchanged.
enum class TWindowState : uint8_t { Normal = 0, Minimised = 1, Maximised = 2 };

// Placement of the main window or of the debug pane.
struct TWindowLayout {
    std::string Name;
    bool Docked = false;
    bool Visible = false;
    int32_t Left = 0;
    int32_t Top = 0;
    int32_t Width = 0;
    int32_t Height = 0;
    TWindowState WindowState = TWindowState::Normal;
    bool operator==(const TWindowLayout&) const = default;
};

// The recent-documents list: one list, made with the defaults, that every copy of a record
// shares. Used like a pointer to the list; records compare by its content, no list and an
// empty list alike.
class TRecentDocs {
public:
    TRecentDocs() = default;
    explicit TRecentDocs(std::shared_ptr<std::vector<std::string>> list) : List(std::move(list)) {}

    std::vector<std::string>* get() const { return List.get(); }
    std::vector<std::string>* operator->() const { return List.get(); }
    std::vector<std::string>& operator*() const { return *List; }
    explicit operator bool() const { return List != nullptr; }
    bool operator==(const TRecentDocs& other) const;

private:
    std::shared_ptr<std::vector<std::string>> List;
};

// All configuration of the program. A value type: a copy duplicates every field
// except LastDocs, which all copies share. Strings are UTF-8 bytes; paths keep the
// backslash form of the path rules.
struct TSettings {
    std::string ProgramDir;
    std::string WorkPath;
    std::string DataPath;
    std::string TemporaryPath;
    std::string LogPath;
    bool AutoCreateDirs = false;
    std::string SettingsPath;
    // Base of the relative folders the program writes into (the log): ProgramDir for a
    // portable copy, the user's state folder for an installed one. Not stored.
    std::string StateDir;
    std::string ServiceXSLTFile;
    TToolbarLayout StdToolbar;
    TToolbarLayout DebugToolbar;
    TToolbarLayout SearchToolbar;
    TWindowLayout DebugWindow;
    TWindowLayout MainWindow;
    uint8_t DebugLevel = 0;
    bool WriteLogToWindow = false;
    bool WriteLogToFile = false;
    bool UseTimeStamp = false;
    std::string LogFileName;
    uint8_t OnStartAction = 0;
    std::string OnStartDoc;
    bool ShowSplashScreen = false;
    bool ShowWelcomeScreen = false;
    uint8_t UseSettings = 0;
    bool KeepShellDesign = false;
    bool KeepControlState = false;
    bool TOCisExpanded = false;
    uint8_t BrowserFontSize = 0;
    bool AllowCopyFromBrowser = false;
    TRecentDocs LastDocs;
    bool OpenTopTOCItemOnShow = false;
    bool UseAlphaBlendForExternalWindows = false;
    int32_t AlphaBlendValueUnactive = 0;
    int32_t AlphaBlendValueActive = 0;
    bool UseInTOCOneClickAsDblClick = false;

    bool operator==(const TSettings&) const = default;
};

// Fills a record with the built-in defaults; ProgramDir is the folder of the running executable.
void InitDefaultSettings(TSettings& settings);
// The same with an explicit program folder (any path form; it is normalised).
void InitDefaultSettings(TSettings& settings, const std::string& programDir);
