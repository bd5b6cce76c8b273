#include "TSettings.h"

#include "PathRules.h"

bool TRecentDocs::operator==(const TRecentDocs& other) const {
    if (List == other.List) return true;
    const bool empty = !List || List->empty();
    const bool otherEmpty = !other.List || other.List->empty();
    if (empty || otherEmpty) return empty && otherEmpty;
    return *List == *other.List;
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
    settings.LastDocs = TRecentDocs(std::make_shared<std::vector<std::string>>());
    settings.OpenTopTOCItemOnShow = false;
    settings.UseAlphaBlendForExternalWindows = false;
    settings.AlphaBlendValueUnactive = 128;
    settings.AlphaBlendValueActive = 250;
    settings.UseInTOCOneClickAsDblClick = true;
    settings.OnStartDoc = settings.DataPath + "intro.ini";
}
