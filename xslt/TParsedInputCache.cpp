#include "TParsedInputCache.h"

#include <algorithm>

#include <sys/stat.h>

std::optional<TFileIdentity> IdentityOfFile(const std::string& osPath) {
    struct stat info {};
    if (::stat(osPath.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) return std::nullopt;
    return TFileIdentity{info.st_dev, info.st_ino, info.st_size,
                         static_cast<long long>(info.st_mtim.tv_sec) * 1000000000LL + info.st_mtim.tv_nsec};
}

xmlDocPtr TParsedInputCache::Find(const std::string& osPath) {
    Found = false;
    if (!Pristine || osPath != Path) return nullptr;
    const std::optional<TFileIdentity> now = IdentityOfFile(osPath);
    if (!now || !(*now == Identity)) {
        DropInput();
        return nullptr;
    }
    Found = true;
    return Pristine.get();
}

xmlDocPtr TParsedInputCache::Keep(const std::string& osPath, const TFileIdentity& read, XmlDoc& doc) {
    const std::optional<TFileIdentity> now = IdentityOfFile(osPath);
    if (!doc || !now || !(*now == read)) return nullptr;
    DropInput();
    Path = osPath;
    Identity = read;
    Pristine = std::move(doc);
    return Pristine.get();
}

xmlDocPtr TParsedInputCache::StrippableCopy(const std::string& rulesKey) {
    if (!Pristine) return nullptr;
    XmlDoc& copy = Copies[rulesKey];
    if (!copy) copy.reset(xmlCopyDoc(Pristine.get(), 1));
    return copy.get();
}

XmlDoc TParsedInputCache::CopyOfModule(const std::string& uri, const std::string& osPath) {
    const auto kept = Modules.find(uri);
    if (kept == Modules.end()) return nullptr;
    const std::optional<TFileIdentity> now = IdentityOfFile(osPath);
    if (!now || !(*now == kept->second.Identity)) {
        Modules.erase(kept);
        return nullptr;
    }
    return XmlDoc(xmlCopyDoc(kept->second.Doc.get(), 1));
}

void TParsedInputCache::KeepModule(const std::string& uri, const std::string& osPath, const TFileIdentity& read,
                                   const xmlDoc& doc) {
    const std::optional<TFileIdentity> now = IdentityOfFile(osPath);
    if (!now || !(*now == read)) return;
    XmlDoc copy(xmlCopyDoc(const_cast<xmlDoc*>(&doc), 1));
    if (copy) Modules[uri] = {osPath, read, std::move(copy)};
}

std::optional<XsltKeyTables> TParsedInputCache::TakeKeyTables(xmlDocPtr doc, const std::string& definitions) {
    const auto kept = Keys.find(doc);
    if (kept == Keys.end() || kept->second.Definitions != definitions) return std::nullopt;
    XsltKeyTables tables = std::move(kept->second.Tables);
    Keys.erase(kept);
    return tables;
}

void TParsedInputCache::KeepKeyTables(xmlDocPtr doc, const std::string& definitions, XsltKeyTables tables) {
    if (!Holds(doc)) return;
    Keys[doc] = {definitions, std::move(tables)};
}

bool TParsedInputCache::Holds(xmlDocPtr doc) const {
    if (doc == nullptr) return false;
    if (doc == Pristine.get()) return true;
    return std::any_of(Copies.begin(), Copies.end(), [doc](const auto& copy) { return copy.second.get() == doc; });
}

bool TParsedInputCache::Unchanged() const {
    const auto same = [](const std::string& osPath, const TFileIdentity& identity) {
        const std::optional<TFileIdentity> now = IdentityOfFile(osPath);
        return now && *now == identity;
    };
    if (!Pristine || !same(Path, Identity)) return false;
    for (const auto& [uri, module] : Modules)
        if (!same(module.OsPath, module.Identity)) return false;
    return true;
}

void TParsedInputCache::Clear() {
    Modules.clear();
    DropInput();
}

void TParsedInputCache::DropInput() {
    Keys.clear();
    Copies.clear();
    Pristine.reset();
    Path.clear();
    Identity = {};
}
