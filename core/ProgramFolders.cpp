#include "ProgramFolders.h"

#include <cstdlib>
#include <filesystem>
#include <pwd.h>
#include <unistd.h>

#include "PathRules.h"

std::string HomeFolder() {
    const char* home = std::getenv("HOME");
    if (home && *home == '/') return home;
    const passwd* entry = ::getpwuid(::getuid());
    return entry && entry->pw_dir ? entry->pw_dir : "/tmp";
}

namespace {

// $variable when it holds an absolute path, else the home folder followed by fallback.
std::string XdgFolder(const char* variable, const char* fallback) {
    const char* value = std::getenv(variable);
    std::string folder = value && *value == '/' ? std::string(value) : HomeFolder() + "/" + fallback;
    if (folder.back() != '/') folder += '/';
    return folder + "tomeria/";
}

}  // namespace

TUserFolders UserFoldersFromEnvironment() {
    return {XdgFolder("XDG_CONFIG_HOME", ".config"), XdgFolder("XDG_STATE_HOME", ".local/state"),
            XdgFolder("XDG_CACHE_HOME", ".cache")};
}

bool IsFolderWritable(const std::string& folder) { return ::access(ToOsPath(folder).c_str(), W_OK | X_OK) == 0; }

bool ApplyProgramFolders(TSettings& settings, bool programDirWritable, const TUserFolders& user) {
    settings.StateDir = settings.ProgramDir;
    if (programDirWritable) return false;
    settings.SettingsPath = NormalizeFilePath(user.Config + "tomeria.ini");
    settings.StateDir = NormalizeFolder(user.State);
    // Without its folder the settings could never be saved; a failure shows at the save.
    std::error_code ec;
    std::filesystem::create_directories(ToOsPath(user.Config), ec);
    return true;
}

bool IsInstalledCopy(const TSettings& settings) {
    return !settings.StateDir.empty() && settings.StateDir != settings.ProgramDir;
}

std::string ProgramFoldersNote(const TSettings& settings) {
    if (!IsInstalledCopy(settings)) return "Переносная копия: установки и журнал в папке программы.";
    return "Установленная копия: установки в " + ToOsPath(settings.SettingsPath) + ", журнал в " +
           ToOsPath(settings.StateDir) + ".";
}
