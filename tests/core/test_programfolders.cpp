// Installed and portable copies: where the settings file and the log go.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "Log.h"
#include "PathRules.h"
#include "ProgramFolders.h"
#include "TTempDir.h"
#include "file_test_util.h"

namespace {

namespace fs = std::filesystem;

TEST(ProgramFolders, aWritableProgramFolderKeepsEverythingBesideTheProgram) {
    TSettings s;
    InitDefaultSettings(s, "/opt/tomeria/");
    EXPECT_FALSE(ApplyProgramFolders(
        s, true, {"/home/anna/.config/tomeria/", "/home/anna/.local/state/tomeria/", "/home/anna/.cache/tomeria/"}));
    EXPECT_EQ(s.SettingsPath, "\\opt\\tomeria\\tomeria.ini");
    EXPECT_EQ(s.StateDir, "\\opt\\tomeria\\");
    EXPECT_FALSE(IsInstalledCopy(s));
}

TEST(ProgramFolders, anInstalledCopyKeepsSettingsAndLogInTheUsersFolders) {
    TTempDir home;
    const TUserFolders user{home.Os("config/tomeria/"), home.Os("state/tomeria/"), home.Os("cache/tomeria/")};
    TSettings s;
    InitDefaultSettings(s, "/opt/tomeria/");
    ASSERT_TRUE(ApplyProgramFolders(s, false, user));
    EXPECT_TRUE(IsInstalledCopy(s));
    EXPECT_EQ(ToOsPath(s.SettingsPath), user.Config + "tomeria.ini");
    EXPECT_TRUE(fs::is_directory(user.Config));   // so the settings can be saved
    EXPECT_EQ(s.ProgramDir, "\\opt\\tomeria\\");  // the books and the guide are still found there

    // The log goes below the state folder, its folder made as the settings allow.
    s.WriteLogToFile = true;
    s.WriteLogToWindow = false;
    OpenLog(s);
    CloseLog();
    EXPECT_TRUE(fs::is_regular_file(user.State + "logs/tomeria.log"));
}

TEST(ProgramFolders, userFoldersFollowXdgVariablesAndFallBackToTheHomeFolder) {
    const struct {
        const char* ConfigHome;  // nullptr: unset
        const char* StateHome;
        const char* CacheHome;
        const char* Config;
        const char* State;
        const char* Cache;
    } cases[] = {
        {"/cfg", "/st/", "/ca", "/cfg/tomeria/", "/st/tomeria/", "/ca/tomeria/"},
        {nullptr, nullptr, nullptr, "/home/anna/.config/tomeria/", "/home/anna/.local/state/tomeria/",
         "/home/anna/.cache/tomeria/"},
        {"relative/cfg", "", "cache", "/home/anna/.config/tomeria/", "/home/anna/.local/state/tomeria/",
         "/home/anna/.cache/tomeria/"},
    };
    const std::string oldHome = std::getenv("HOME") ? std::getenv("HOME") : "";
    setenv("HOME", "/home/anna", 1);
    for (const auto& c : cases) {
        c.ConfigHome ? setenv("XDG_CONFIG_HOME", c.ConfigHome, 1) : unsetenv("XDG_CONFIG_HOME");
        c.StateHome ? setenv("XDG_STATE_HOME", c.StateHome, 1) : unsetenv("XDG_STATE_HOME");
        c.CacheHome ? setenv("XDG_CACHE_HOME", c.CacheHome, 1) : unsetenv("XDG_CACHE_HOME");
        const TUserFolders user = UserFoldersFromEnvironment();
        EXPECT_EQ(user.Config, c.Config);
        EXPECT_EQ(user.State, c.State);
        EXPECT_EQ(user.Cache, c.Cache);
    }
    unsetenv("XDG_CONFIG_HOME");
    unsetenv("XDG_STATE_HOME");
    unsetenv("XDG_CACHE_HOME");
    setenv("HOME", oldHome.c_str(), 1);
}

TEST(ProgramFolders, writableTestSeesAMissingFolderAsNotWritable) {
    TTempDir dir;
    EXPECT_TRUE(IsFolderWritable(dir.Os()));
    EXPECT_FALSE(IsFolderWritable(dir.Os("missing")));
}

}  // namespace
