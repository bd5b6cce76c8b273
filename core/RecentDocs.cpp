#include "RecentDocs.h"

#include <algorithm>
#include <filesystem>

#include "IniFile.h"
#include "PathRules.h"

namespace {

std::string DocKeyName(std::size_t index) { return "Doc" + std::to_string(index + 1); }

}  // namespace

std::string RecentDocKey(const std::string& path) {
    const std::filesystem::path osPath(ToOsPath(path));
    std::error_code ec;
    const std::filesystem::path canonical = std::filesystem::weakly_canonical(osPath, ec);
    return (ec ? osPath.lexically_normal() : canonical).string();
}

void AddRecentDoc(std::vector<std::string>& docs, const std::string& path) {
    std::string key = RecentDocKey(path);
    RemoveRecentDoc(docs, key);
    docs.insert(docs.begin(), std::move(key));
    if (docs.size() > MaxRecentDocs) docs.resize(MaxRecentDocs);
}

bool RemoveRecentDoc(std::vector<std::string>& docs, const std::string& path) {
    const std::string key = RecentDocKey(path);
    const auto before = docs.size();
    std::erase_if(docs, [&](const std::string& doc) { return RecentDocKey(doc) == key; });
    return docs.size() != before;
}

void ReadRecentDocs(const TIniFile& ini, std::vector<std::string>& docs) {
    docs.clear();
    for (std::size_t i = 0; i < MaxRecentDocs; ++i) {
        const std::string value = ini.ReadString(RecentDocsSection, DocKeyName(i), "");
        if (value.empty() || value.front() != '/') continue;
        const std::string key = RecentDocKey(value);
        if (std::find(docs.begin(), docs.end(), key) == docs.end()) docs.push_back(key);
    }
}

void WriteRecentDocs(TIniFile& ini, const std::vector<std::string>& docs) {
    for (std::size_t i = 0; i < docs.size() && i < MaxRecentDocs; ++i)
        ini.WriteString(RecentDocsSection, DocKeyName(i), docs[i]);
}
