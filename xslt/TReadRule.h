#pragma once
// Which local files a run may read: those inside a few folders (a book's own, the program's
// data, the system's shared XML). Paths are resolved (symbolic links, "." and "..") before they
// are compared, and what is read is the resolved path, so a link cannot lead a read outside.
#include <optional>
#include <string>
#include <vector>

class TReadRule {
public:
    // OS paths of the folders; those that cannot be resolved are left out.
    explicit TReadRule(const std::vector<std::string>& folders);

    // The resolved path of a file inside one of the folders; nothing when it lies outside them.
    std::optional<std::string> Permit(const std::string& osPath) const;
    // The line that reports a refused read: the file and the rule.
    std::string RefusalText(const std::string& osPath) const;
    const std::vector<std::string>& Folders() const { return FFolders; }

    // An absolute path with its existing part resolved through the file system (links, "." and
    // "..") and the rest lexically, without a trailing "/"; "" when it cannot be resolved.
    static std::string Resolve(const std::string& osPath);
    // Whether a resolved folder is a resolved path or one of its ancestors.
    static bool Contains(const std::string& folder, const std::string& path);

private:
    std::vector<std::string> FFolders;  // resolved, without a trailing "/" (but "/" itself)
};
