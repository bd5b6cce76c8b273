#include "TSettings.h"

#include "PathRules.h"

bool TSettings::operator==(const TSettings& other) const {
    const auto sameDocs = [](const auto& a, const auto& b) {
        if (a == b) return true;
        const bool aEmpty = !a || a->empty();
        const bool bEmpty = !b || b->empty();
        if (aEmpty || bEmpty) return aEmpty && bEmpty;
        return *a == *b;
    };
    return ProgramDir == other.ProgramDir && WorkPath == other.WorkPath && DataPath == other.DataPath &&
           TemporaryPath == other.TemporaryPath && LogPath == other.LogPath && AutoCreateDirs == other.AutoCreateDirs &&
           SettingsPath == other.SettingsPath && StateDir == other.StateDir &&
           ServiceXSLTFile == other.ServiceXSLTFile && StdToolbar == other.StdToolbar &&
           DebugToolbar == other.DebugToolbar && SearchToolbar == other.SearchToolbar &&
           DebugWindow == other.DebugWindow && MainWindow == other.MainWindow && DebugLevel == other.DebugLevel &&
           WriteLogToWindow == other.WriteLogToWindow && WriteLogToFile == other.WriteLogToFile &&
           UseTimeStamp == other.UseTimeStamp && LogFileName == other.LogFileName &&
           OnStartAction == other.OnStartAction && OnStartDoc == other.OnStartDoc &&
           ShowSplashScreen == other.ShowSplashScreen && ShowWelcomeScreen == other.ShowWelcomeScreen &&
           UseSettings == other.UseSettings && KeepShellDesign == other.KeepShellDesign &&
           KeepControlState == other.KeepControlState && TOCisExpanded == other.TOCisExpanded &&
           BrowserFontSize == other.BrowserFontSize && AllowCopyFromBrowser == other.AllowCopyFromBrowser &&
           sameDocs(LastDocs, other.LastDocs) && OpenTopTOCItemOnShow == other.OpenTopTOCItemOnShow &&
           UseAlphaBlendForExternalWindows == other.UseAlphaBlendForExternalWindows &&
           AlphaBlendValueUnactive == other.AlphaBlendValueUnactive &&
           AlphaBlendValueActive == other.AlphaBlendValueActive &&
           UseInTOCOneClickAsDblClick == other.UseInTOCOneClickAsDblClick;
}

void InitDefaultSettings(TSettings& settings) { InitDefaultSettings(settings, ExecutableFolder()); }

void InitDefaultSettings(TSettings& settings, const std::string& programDir) {
    settings = TSettings{};
    settings.ProgramDir = NormalizeFolder(programDir);

    settings.StdToolbar.Name = "StdToolbar";
    settings.SearchToolbar.Name = "SearchToolbar";
    settings.DebugToolbar.Name = "DebugToolbar";
    settings.DebugWindow.Name = "DebugWindow";
    settings.MainWindow.Name = "MainWindow";

    settings.WorkPath = ".\\";
    settings.DataPath = "data\\";
    settings.TemporaryPath = "temp\\";
    settings.LogPath = "logs\\";
    settings.AutoCreateDirs = true;

    settings.SettingsPath = NormalizeFilePath(settings.ProgramDir + settings.WorkPath + "tomeria.ini");
    settings.StateDir = settings.ProgramDir;
    settings.ServiceXSLTFile = "service.xslt";
    settings.LogFileName = "tomeria.log";

    settings.DebugLevel = 3;
    settings.WriteLogToWindow = true;
    settings.WriteLogToFile = false;
    settings.UseTimeStamp = true;
    settings.OnStartAction = 1;
    settings.ShowSplashScreen = true;
    settings.ShowWelcomeScreen = true;
    settings.UseSettings = 1;
    settings.KeepShellDesign = true;
    settings.KeepControlState = false;
    settings.TOCisExpanded = false;
    settings.BrowserFontSize = 2;
    settings.AllowCopyFromBrowser = false;
    settings.LastDocs = std::make_shared<std::vector<std::string>>();
    settings.OpenTopTOCItemOnShow = false;
    settings.UseAlphaBlendForExternalWindows = false;
    settings.AlphaBlendValueUnactive = 128;
    settings.AlphaBlendValueActive = 250;
    settings.UseInTOCOneClickAsDblClick = true;
    settings.OnStartDoc = settings.DataPath + "intro.ini";
}
