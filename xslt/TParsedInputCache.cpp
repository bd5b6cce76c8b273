#include "TParsedInputCache.h"

#include <algorithm>
#include <chrono>

#include <sys/stat.h>

#include "LibxsltShortcuts.h"

namespace {

// A shared document from an owned one, ready to be read by runs on several threads.
TSharedDoc Share(XmlDoc doc) {
    if (doc) PrepareSharedInput(doc.get());
    return TSharedDoc(doc.release(), XmlDocDeleter());
}

bool SameFile(const std::string& osPath, const TFileIdentity& identity) {
    const std::optional<TFileIdentity> now = IdentityOfFile(osPath);
    return now && *now == identity;
}

}  // namespace

std::optional<TFileIdentity> IdentityOfFile(const std::string& osPath) {
    struct stat info {};
    if (::stat(osPath.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) return std::nullopt;
    return TFileIdentity{info.st_dev, info.st_ino, info.st_size,
                         static_cast<long long>(info.st_mtim.tv_sec) * 1000000000LL + info.st_mtim.tv_nsec};
}

TSharedDoc TParsedInputCache::FindOrParse(const std::string& osPath, const std::function<XmlDoc()>& parse,
                                          const TStopToken& stop, bool& found) {
    found = false;
    {
        std::unique_lock lock(Mutex);
        // Waits in short steps: a stop has no way to wake this wait.
        while (Parsing && !stop.Tripped())
            ParseEnded.wait_for(lock, std::chrono::milliseconds(20));
        if (stop.Tripped()) return nullptr;
        if (TSharedDoc kept = KeptIfUnchanged(osPath)) {
            found = true;
            return kept;
        }
        Parsing = true;
    }
    TSharedDoc parsed;
    try {
        parsed = ParseAndKeep(osPath, parse);
    } catch (...) {
        const std::lock_guard lock(Mutex);
        Parsing = false;
        ParseEnded.notify_all();
        throw;
    }
    return parsed;
}

TSharedDoc TParsedInputCache::KeptIfUnchanged(const std::string& osPath) {
    if (!Pristine || osPath != Path) return nullptr;
    if (!SameFile(osPath, Identity)) {
        DropInput();
        return nullptr;
    }
    return Pristine;
}

// Parses outside the lock, so that the other runs may go on with what they hold.
TSharedDoc TParsedInputCache::ParseAndKeep(const std::string& osPath, const std::function<XmlDoc()>& parse) {
    const std::optional<TFileIdentity> before = IdentityOfFile(osPath);
    XmlDoc doc = parse();
    // A file that changed while it was read is used for this run only.
    const bool keep = doc && before && SameFile(osPath, *before);
    TSharedDoc shared = Share(std::move(doc));
    const std::lock_guard lock(Mutex);
    if (keep) {
        DropInput();
        Path = osPath;
        Identity = *before;
        Pristine = shared;
    }
    Parsing = false;
    ParseEnded.notify_all();
    return shared;
}

TSharedDoc TParsedInputCache::StrippableCopy(const TSharedDoc& pristine, const std::string& rulesKey,
                                             const std::function<void(xmlDocPtr)>& strip) {
    const std::lock_guard lock(Mutex);
    if (!pristine || pristine != Pristine) return nullptr;
    TSharedDoc& copy = Copies[rulesKey];
    if (!copy) {
        XmlDoc made(xmlCopyDoc(Pristine.get(), 1));
        if (!made) return nullptr;
        strip(made.get());
        copy = Share(std::move(made));
    }
    return copy;
}

XmlDoc TParsedInputCache::CopyOfModule(const std::string& uri, const std::string& osPath) {
    const std::lock_guard lock(Mutex);
    const auto kept = Modules.find(uri);
    if (kept == Modules.end()) return nullptr;
    if (!SameFile(osPath, kept->second.Identity)) {
        Modules.erase(kept);
        return nullptr;
    }
    return XmlDoc(xmlCopyDoc(kept->second.Doc.get(), 1));
}

void TParsedInputCache::KeepModule(const std::string& uri, const std::string& osPath, const TFileIdentity& read,
                                   const xmlDoc& doc) {
    if (!SameFile(osPath, read)) return;
    XmlDoc copy(xmlCopyDoc(const_cast<xmlDoc*>(&doc), 1));
    const std::lock_guard lock(Mutex);
    if (copy) Modules[uri] = {osPath, read, std::move(copy)};
}

std::optional<XsltKeyTables> TParsedInputCache::TakeKeyTables(xmlDocPtr doc, const std::string& definitions) {
    const std::lock_guard lock(Mutex);
    const auto kept = Keys.find(doc);
    if (kept == Keys.end() || kept->second.Definitions != definitions) return std::nullopt;
    XsltKeyTables tables = std::move(kept->second.Tables);
    Keys.erase(kept);
    return tables;
}

void TParsedInputCache::KeepKeyTables(xmlDocPtr doc, const std::string& definitions, XsltKeyTables tables) {
    const std::lock_guard lock(Mutex);
    if (!Holds(doc)) return;
    Keys[doc] = {definitions, std::move(tables)};
}

size_t TParsedInputCache::KeptKeyTables() const {
    const std::lock_guard lock(Mutex);
    return Keys.size();
}

bool TParsedInputCache::Holds(xmlDocPtr doc) const {
    if (doc == nullptr) return false;
    if (doc == Pristine.get()) return true;
    return std::any_of(Copies.begin(), Copies.end(), [doc](const auto& copy) { return copy.second.get() == doc; });
}

bool TParsedInputCache::Unchanged() const {
    const std::lock_guard lock(Mutex);
    if (!Pristine || !SameFile(Path, Identity)) return false;
    for (const auto& [uri, module] : Modules)
        if (!SameFile(module.OsPath, module.Identity)) return false;
    return true;
}

void TParsedInputCache::Clear() {
    const std::lock_guard lock(Mutex);
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

std::vector<std::string> TParsedInputCache::ModuleFiles() const {
    const std::lock_guard lock(Mutex);
    std::vector<std::string> files;
    for (const auto& [uri, module] : Modules)
        files.push_back(module.OsPath);
    return files;
}
