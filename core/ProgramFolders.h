#pragma once
// Installed and portable copies. A copy whose program folder the user can write to is
// portable: the settings file and the log stay beside the program. An installed copy (its
// folder not writable, as /opt/tomeria) keeps the settings file in the user's configuration
// folder and resolves the folders it writes into against the user's state folder.
#include <string>

#include "TSettings.h"

// The user's home folder: $HOME when it is an absolute path, else the password database's.
std::string HomeFolder();

// The user's folders of this program, each ending in "/": $XDG_CONFIG_HOME/tomeria/,
// $XDG_STATE_HOME/tomeria/ and $XDG_CACHE_HOME/tomeria/, with ~/.config, ~/.local/state and
// ~/.cache where a variable is unset or not an absolute path. The one place these are made.
struct TUserFolders {
    std::string Config;  // the settings file, the bookmarks
    std::string State;   // the log of an installed copy
    std::string Cache;   // the search indexes
};
TUserFolders UserFoldersFromEnvironment();

// True when the current user may create files in the folder.
bool IsFolderWritable(const std::string& folder);

// Moves SettingsPath and StateDir of a record filled with the defaults to the user's folders
// when the program folder is not writable, and creates the configuration folder so the
// settings can be saved. Returns true for an installed copy.
bool ApplyProgramFolders(TSettings& settings, bool programDirWritable, const TUserFolders& user);

// True when the record's written folders are not the program folder's.
bool IsInstalledCopy(const TSettings& settings);
// One line for the log saying which kind of copy runs and where it writes.
std::string ProgramFoldersNote(const TSettings& settings);
