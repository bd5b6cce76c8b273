#include "SettingsFile.h"

#include <filesystem>
#include <system_error>
#include <variant>

#include "IniFile.h"
#include "PathRules.h"
#include "RecentDocs.h"

namespace {

const std::string ControlState = "ControlState";

TLayoutCapture LayoutCapture;

// A key of "ControlState" and the field of the record it stores.
struct TControlKey {
    const char* Name;
    std::variant<std::string TSettings::*, bool TSettings::*, uint8_t TSettings::*, int32_t TSettings::*> Field;
    bool WrittenOnlyWhenSet = false;  // a false value leaves the key out of the file
};

// The keys in the order they are read and written.
const TControlKey ControlStateKeys[] = {
    {"WorkPath", &TSettings::WorkPath},
    {"DataPath", &TSettings::DataPath},
    {"TemporaryPath", &TSettings::TemporaryPath},
    {"LogPath", &TSettings::LogPath},
    {"AutoCreateDirs", &TSettings::AutoCreateDirs},
    {"ServiceXSLTFile", &TSettings::ServiceXSLTFile},
    {"BrowserFontSize", &TSettings::BrowserFontSize},
    {"AllowCopyFromBrowser", &TSettings::AllowCopyFromBrowser, true},
    {"DebugLevel", &TSettings::DebugLevel},
    {"WriteLogToWindow", &TSettings::WriteLogToWindow},
    {"WriteLogToFile", &TSettings::WriteLogToFile},
    {"UseTimeStamp", &TSettings::UseTimeStamp},
    {"OnStartAction", &TSettings::OnStartAction},
    {"OnStartDoc", &TSettings::OnStartDoc},
    {"ShowSplashScreen", &TSettings::ShowSplashScreen},
    {"ShowWelcomeScreen", &TSettings::ShowWelcomeScreen},
    {"UseSettings", &TSettings::UseSettings},
    {"KeepShellDesign", &TSettings::KeepShellDesign},
    {"KeepControlState", &TSettings::KeepControlState},
    {"TOCisExpanded", &TSettings::TOCisExpanded},
    {"UseAlphaBlendForExternalWindows", &TSettings::UseAlphaBlendForExternalWindows},
    {"AlphaBlendValueUnactive", &TSettings::AlphaBlendValueUnactive},
    {"AlphaBlendValueActive", &TSettings::AlphaBlendValueActive},
    {"UseInTOCOneClickAsDblClick", &TSettings::UseInTOCOneClickAsDblClick},
};

// A string key that is missing or empty leaves the field as it is.
void ReadValue(const TIniFile& ini, const char* key, std::string& field) {
    std::string value = ini.ReadString(ControlState, key, "");
    if (!value.empty()) field = std::move(value);
}

void ReadValue(const TIniFile& ini, const char* key, bool& field) { field = ini.ReadBool(ControlState, key, field); }

// An 8-bit field keeps the low 8 bits of the number read.
void ReadValue(const TIniFile& ini, const char* key, uint8_t& field) {
    field = static_cast<uint8_t>(ini.ReadInteger(ControlState, key, field));
}

void ReadValue(const TIniFile& ini, const char* key, int32_t& field) {
    field = ini.ReadInteger(ControlState, key, field);
}

void WriteValue(TIniFile& ini, const char* key, const std::string& value) { ini.WriteString(ControlState, key, value); }

void WriteValue(TIniFile& ini, const char* key, bool value) { ini.WriteBool(ControlState, key, value); }

void WriteValue(TIniFile& ini, const char* key, int32_t value) { ini.WriteInteger(ControlState, key, value); }

template <typename T>
bool IsSet(const T& value) {
    return value != T{};
}

void ReadControlState(const TIniFile& ini, TSettings& s) {
    for (const TControlKey& key : ControlStateKeys)
        std::visit([&](auto field) { ReadValue(ini, key.Name, s.*field); }, key.Field);
}

void WriteControlState(TIniFile& ini, const TSettings& s) {
    for (const TControlKey& key : ControlStateKeys)
        std::visit(
            [&](auto field) {
                if (!key.WrittenOnlyWhenSet || IsSet(s.*field)) WriteValue(ini, key.Name, s.*field);
            },
            key.Field);
}

}  // namespace

void LoadSettings(TSettings& target, const TSettings& defaults) {
    std::error_code ec;
    const bool read = target.UseSettings == 1 || std::filesystem::exists(ToOsPath(target.SettingsPath), ec);
    target = defaults;
    if (read) ReadSettingsIni(target);
}

void ReadSettingsIni(TSettings& settings) { ReadSettingsFrom(TIniFile(settings.SettingsPath), settings); }

void ReadSettingsFrom(const TIniFile& ini, TSettings& settings) {
    ReadToolbarLayout(ini, settings.DebugToolbar);
    ReadToolbarLayout(ini, settings.SearchToolbar);
    ReadToolbarLayout(ini, settings.StdToolbar);
    ReadWindowLayout(ini, settings.MainWindow);
    ReadWindowLayout(ini, settings.DebugWindow);
    ReadControlState(ini, settings);
    if (!settings.LastDocs) settings.LastDocs = TRecentDocs(std::make_shared<std::vector<std::string>>());
    ReadRecentDocs(ini, *settings.LastDocs);
}

void WriteSettingsIni(TSettings settings) {
    TIniFile ini = TIniFile::NewFile(settings.SettingsPath);
    WriteSettingsTo(ini, settings);
    ini.UpdateFile();
}

void WriteSettingsTo(TIniFile& ini, TSettings& settings) {
    if (settings.KeepShellDesign) {
        if (LayoutCapture) LayoutCapture(settings);
        WriteToolbarLayout(ini, settings.StdToolbar);
        WriteToolbarLayout(ini, settings.SearchToolbar);
        WriteToolbarLayout(ini, settings.DebugToolbar);
        WriteWindowLayout(ini, settings.MainWindow);
        WriteWindowLayout(ini, settings.DebugWindow);
    }
    WriteControlState(ini, settings);
    if (settings.LastDocs) WriteRecentDocs(ini, *settings.LastDocs);
}

void SaveSettingsOnExit(const TSettings& settings) {
    if (!(settings.KeepControlState || settings.KeepShellDesign) || settings.UseSettings != 1) return;
    // The new file replaces the old one as a whole; there is no separate delete, so a
    // failed write keeps the previous settings.
    WriteSettingsIni(settings);
}

void SetLayoutCapture(TLayoutCapture capture) { LayoutCapture = std::move(capture); }

void ReadToolbarLayout(const TIniFile& ini, TToolbarLayout& layout) {
    layout.Visible = ini.ReadBool(layout.Name, "Visible", true);
    layout.Docked = ini.ReadBool(layout.Name, "Docked", true);
    layout.Left = ini.ReadInteger(layout.Name, "Left", 0);
    layout.Top = ini.ReadInteger(layout.Name, "Top", 0);
}

void ReadWindowLayout(const TIniFile& ini, TWindowLayout& layout) {
    layout.WindowState =
        static_cast<TWindowState>(static_cast<uint8_t>(ini.ReadInteger(layout.Name, "WindowState", 0)));
    layout.Visible = ini.ReadBool(layout.Name, "Visible", true);
    layout.Docked = ini.ReadBool(layout.Name, "Docked", true);
    layout.Left = ini.ReadInteger(layout.Name, "Left", 0);
    layout.Top = ini.ReadInteger(layout.Name, "Top", 0);
    layout.Width = ini.ReadInteger(layout.Name, "Width", 0);
    layout.Height = ini.ReadInteger(layout.Name, "Height", 0);
}

void WriteToolbarLayout(TIniFile& ini, const TToolbarLayout& layout) {
    ini.WriteBool(layout.Name, "Visible", layout.Visible);
    ini.WriteBool(layout.Name, "Docked", layout.Docked);
    ini.WriteInteger(layout.Name, "Left", layout.Left);
    ini.WriteInteger(layout.Name, "Top", layout.Top);
}

void WriteWindowLayout(TIniFile& ini, const TWindowLayout& layout) {
    ini.WriteInteger(layout.Name, "WindowState", static_cast<uint8_t>(layout.WindowState));
    ini.WriteBool(layout.Name, "Visible", layout.Visible);
    ini.WriteBool(layout.Name, "Docked", layout.Docked);
    ini.WriteInteger(layout.Name, "Left", layout.Left);
    ini.WriteInteger(layout.Name, "Top", layout.Top);
    ini.WriteInteger(layout.Name, "Width", layout.Width);
    ini.WriteInteger(layout.Name, "Height", layout.Height);
}
