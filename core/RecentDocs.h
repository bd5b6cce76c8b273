#pragma once
// The recent-documents list (Settings.LastDocs): the books opened last, newest first, at
// most four, each kept once as an absolute path in the system's form. It is stored in the
// settings file in a section of its own, keys "Doc1" to "Doc4".
#include <cstddef>
#include <string>
#include <vector>

class TIniFile;

inline constexpr std::size_t MaxRecentDocs = 4;
inline constexpr const char* RecentDocsSection = "LastDocs";

// The form in which a path is kept and compared: "/" separators, "." and ".." folded, links
// resolved where the file exists. Two spellings of one file give one key.
std::string RecentDocKey(const std::string& path);

// Puts the document at the top; an earlier entry of the same file goes, the fifth falls off.
void AddRecentDoc(std::vector<std::string>& docs, const std::string& path);
// Removes every entry of the file; false when there was none.
bool RemoveRecentDoc(std::vector<std::string>& docs, const std::string& path);

// Replaces the list by the section's entries. Empty and relative values, repeats and
// entries past the fourth are dropped, so a damaged section yields a usable list.
void ReadRecentDocs(const TIniFile& ini, std::vector<std::string>& docs);
// Writes the section, or nothing for an empty list.
void WriteRecentDocs(TIniFile& ini, const std::vector<std::string>& docs);
