#include "TReadRule.h"

#include <filesystem>
#include <system_error>

std::string TReadRule::Resolve(const std::string& osPath) {
    if (osPath.empty() || osPath[0] != '/') return {};
    std::error_code error;
    std::string resolved = std::filesystem::weakly_canonical(osPath, error).lexically_normal().string();
    if (error) return {};
    while (resolved.size() > 1 && resolved.back() == '/')
        resolved.pop_back();
    return resolved;
}

bool TReadRule::Contains(const std::string& folder, const std::string& path) {
    if (folder == "/" || path == folder) return true;
    return path.size() > folder.size() && path.compare(0, folder.size(), folder) == 0 && path[folder.size()] == '/';
}

TReadRule::TReadRule(const std::vector<std::string>& folders) {
    for (const std::string& folder : folders) {
        std::string resolved = Resolve(folder);
        if (!resolved.empty()) FFolders.push_back(std::move(resolved));
    }
}

std::optional<std::string> TReadRule::Permit(const std::string& osPath) const {
    const std::string resolved = Resolve(osPath);
    if (resolved.empty()) return std::nullopt;
    for (const std::string& folder : FFolders)
        if (Contains(folder, resolved)) return resolved;
    return std::nullopt;
}

std::string TReadRule::RefusalText(const std::string& osPath) const {
    std::string text = "Reading " + osPath + " refused: a book reads only files inside its folders (";
    for (size_t i = 0; i < FFolders.size(); ++i)
        text += (i == 0 ? "" : ", ") + FFolders[i];
    return text + ")";
}
