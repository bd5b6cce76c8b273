#include "SettingsFile.h"

#include <filesystem>
#include <system_error>

#include "IniFile.h"
#include "PathRules.h"
#include "RecentDocs.h"

namespace {

const std::string ControlState = "ControlState";

TLayoutCapture LayoutCapture;

// A string key that is missing or empty leaves the field as it is.
void ReadStringKey(const TIniFile& ini, const std::string& key, std::string& field) {
    std::string value = ini.ReadString(ControlState, key, "");
    if (!value.empty()) field = std::move(value);
}

void ReadByteKey(const TIniFile& ini, const std::string& key, uint8_t& field) {
    field = static_cast<uint8_t>(ini.ReadInteger(ControlState, key, field));
}

void ReadBoolKey(const TIniFile& ini, const std::string& key, bool& field) {
    field = ini.ReadBool(ControlState, key, field);
}

void ReadControlState(const TIniFile& ini, TSettings& s) {
    ReadStringKey(ini, "WorkPath", s.WorkPath);
    ReadStringKey(ini, "DataPath", s.DataPath);
    ReadStringKey(ini, "TemporaryPath", s.TemporaryPath);
    ReadStringKey(ini, "LogPath", s.LogPath);
    ReadBoolKey(ini, "AutoCreateDirs", s.AutoCreateDirs);
    ReadStringKey(ini, "ServiceXSLTFile", s.ServiceXSLTFile);
    ReadByteKey(ini, "BrowserFontSize", s.BrowserFontSize);
    ReadBoolKey(ini, "AllowCopyFromBrowser", s.AllowCopyFromBrowser);
    ReadByteKey(ini, "DebugLevel", s.DebugLevel);
    ReadBoolKey(ini, "WriteLogToWindow", s.WriteLogToWindow);
    ReadBoolKey(ini, "WriteLogToFile", s.WriteLogToFile);
    ReadBoolKey(ini, "UseTimeStamp", s.UseTimeStamp);
    ReadByteKey(ini, "OnStartAction", s.OnStartAction);
    ReadStringKey(ini, "OnStartDoc", s.OnStartDoc);
    ReadBoolKey(ini, "ShowSplashScreen", s.ShowSplashScreen);
    ReadBoolKey(ini, "ShowWelcomeScreen", s.ShowWelcomeScreen);
    ReadByteKey(ini, "UseSettings", s.UseSettings);
    ReadBoolKey(ini, "KeepShellDesign", s.KeepShellDesign);
    ReadBoolKey(ini, "KeepControlState", s.KeepControlState);
    ReadBoolKey(ini, "TOCisExpanded", s.TOCisExpanded);
    ReadBoolKey(ini, "UseAlphaBlendForExternalWindows", s.UseAlphaBlendForExternalWindows);
    s.AlphaBlendValueUnactive = ini.ReadInteger(ControlState, "AlphaBlendValueUnactive", s.AlphaBlendValueUnactive);
    s.AlphaBlendValueActive = ini.ReadInteger(ControlState, "AlphaBlendValueActive", s.AlphaBlendValueActive);
    ReadBoolKey(ini, "UseInTOCOneClickAsDblClick", s.UseInTOCOneClickAsDblClick);
}

void WriteControlState(TIniFile& ini, const TSettings& s) {
    ini.WriteString(ControlState, "WorkPath", s.WorkPath);
    ini.WriteString(ControlState, "DataPath", s.DataPath);
    ini.WriteString(ControlState, "TemporaryPath", s.TemporaryPath);
    ini.WriteString(ControlState, "LogPath", s.LogPath);
    ini.WriteBool(ControlState, "AutoCreateDirs", s.AutoCreateDirs);
    ini.WriteString(ControlState, "ServiceXSLTFile", s.ServiceXSLTFile);
    ini.WriteInteger(ControlState, "BrowserFontSize", s.BrowserFontSize);
    if (s.AllowCopyFromBrowser) ini.WriteBool(ControlState, "AllowCopyFromBrowser", true);
    ini.WriteInteger(ControlState, "DebugLevel", s.DebugLevel);
    ini.WriteBool(ControlState, "WriteLogToWindow", s.WriteLogToWindow);
    ini.WriteBool(ControlState, "WriteLogToFile", s.WriteLogToFile);
    ini.WriteBool(ControlState, "UseTimeStamp", s.UseTimeStamp);
    ini.WriteInteger(ControlState, "OnStartAction", s.OnStartAction);
    ini.WriteString(ControlState, "OnStartDoc", s.OnStartDoc);
    ini.WriteBool(ControlState, "ShowSplashScreen", s.ShowSplashScreen);
    ini.WriteBool(ControlState, "ShowWelcomeScreen", s.ShowWelcomeScreen);
    ini.WriteInteger(ControlState, "UseSettings", s.UseSettings);
    ini.WriteBool(ControlState, "KeepShellDesign", s.KeepShellDesign);
    ini.WriteBool(ControlState, "KeepControlState", s.KeepControlState);
    ini.WriteBool(ControlState, "TOCisExpanded", s.TOCisExpanded);
    ini.WriteBool(ControlState, "UseAlphaBlendForExternalWindows", s.UseAlphaBlendForExternalWindows);
    ini.WriteInteger(ControlState, "AlphaBlendValueUnactive", s.AlphaBlendValueUnactive);
    ini.WriteInteger(ControlState, "AlphaBlendValueActive", s.AlphaBlendValueActive);
    ini.WriteBool(ControlState, "UseInTOCOneClickAsDblClick", s.UseInTOCOneClickAsDblClick);
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
    if (!settings.LastDocs) settings.LastDocs = std::make_shared<std::vector<std::string>>();
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
    layout.WindowState = static_cast<uint8_t>(ini.ReadInteger(layout.Name, "WindowState", 0));
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
    ini.WriteInteger(layout.Name, "WindowState", layout.WindowState);
    ini.WriteBool(layout.Name, "Visible", layout.Visible);
    ini.WriteBool(layout.Name, "Docked", layout.Docked);
    ini.WriteInteger(layout.Name, "Left", layout.Left);
    ini.WriteInteger(layout.Name, "Top", layout.Top);
    ini.WriteInteger(layout.Name, "Width", layout.Width);
    ini.WriteInteger(layout.Name, "Height", layout.Height);
}
