#pragma once
// Windows-style path rules. Both "\" and "/" count as separators where a path is
// taken apart; the functions that build folders write "\".
#include <string>

std::string ExtractFilePath(const std::string& path);   // up to and including the last separator or drive colon
std::string ExtractFileName(const std::string& path);   // after the last separator or drive colon
std::string ExtractFileDrive(const std::string& path);  // "C:", "\\server\share" or ""

std::string ResolvePath(const std::string& base, const std::string& path);
std::string NormalizeFolder(const std::string& folder);
std::string NormalizeFilePath(const std::string& file);

// target relative to the folder base ("..\" per folder of base not shared, then the folders
// of target). A target on another drive, or one that is already relative, comes back as it is.
std::string RelativePath(const std::string& base, const std::string& target);
// name without its double quotes, its folder made relative to base by RelativePath.
std::string MakeRelativeFileName(const std::string& base, const std::string& name);

// The form in which a path reaches the operating system: every "\" becomes "/".
std::string ToOsPath(const std::string& path);
// The folder of the running executable in the program's path form ("\opt\tomeria\").
std::string ExecutableFolder();
