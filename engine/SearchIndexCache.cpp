#include "SearchIndexCache.h"

#include <xapian.h>  // before any Qt header: Qt defines "slots"

#include <QCryptographicHash>
#include <chrono>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>
#include <unordered_set>

#include "BookPartTexts.h"
#include "PathRules.h"
#include "ProgramFolders.h"
#include "SplitURI.h"
#include "TFileProxy.h"

namespace fs = std::filesystem;

namespace {

// Changes whenever what is indexed or how changes, so older indexes are rebuilt.
constexpr const char* IndexFormat = "tomeria-search-1";
constexpr int ReadShare = 40;  // percent of the progress for reading book.xml
constexpr auto StaleTempAge = std::chrono::hours(1);

std::string Sha1Hex(const std::string& bytes, std::size_t length) {
    return QCryptographicHash::hash(QByteArray::fromStdString(bytes), QCryptographicHash::Sha1)
        .toHex()
        .toStdString()
        .substr(0, length);
}

// book.xml's identity: its path, size, change time and inode, and the entries indexed.
std::string IdentityOf(const TSearchIndexRequest& request) {
    std::string key = std::string(IndexFormat) + '\n' + request.BookXmlPath + '\n';
    struct stat info {};
    if (::stat(request.BookXmlPath.c_str(), &info) == 0)
        key += std::to_string(info.st_size) + ' ' + std::to_string(info.st_mtim.tv_sec) + '.' +
               std::to_string(info.st_mtim.tv_nsec) + ' ' + std::to_string(info.st_ino) + ' ' +
               std::to_string(info.st_dev) + '\n';
    for (const TSearchEntry& entry : request.Entries)
        key += entry.Id + '\0' + entry.Caption + '\n';
    return Sha1Hex(key, 24);
}

fs::path BookFolder(const TSearchIndexRequest& request) {
    return fs::path(request.CacheFolder) / "search" / Sha1Hex(request.BookKey, 24);
}

// Removes the book's other indexes (older identities) and temporary folders left by a build
// that was killed; a temporary folder younger than an hour may belong to a running build.
void RemoveOutdated(const fs::path& bookFolder, const fs::path& keep) {
    std::error_code ec;
    const auto now = fs::file_time_type::clock::now();
    for (fs::directory_iterator it(bookFolder, ec), end; !ec && it != end; it.increment(ec)) {
        const fs::path path = it->path();
        if (path == keep) continue;
        const std::string name = path.filename().string();
        std::error_code timeError;
        const bool temp = name.rfind("tmp-", 0) == 0;
        if (temp && now - fs::last_write_time(path, timeError) < StaleTempAge && !timeError) continue;
        std::error_code ignored;
        fs::remove_all(path, ignored);
    }
}

std::string TempName() {
    static std::atomic<unsigned> counter{0};
    return "tmp-" + std::to_string(::getpid()) + "-" + std::to_string(counter++);
}

std::unique_ptr<TSearchIndex> TryOpen(const fs::path& folder) {
    std::error_code ec;
    if (!fs::is_directory(folder, ec)) return nullptr;
    try {
        return TSearchIndex::OpenFolder(folder.string());
    } catch (const Xapian::Error&) {
        return nullptr;
    }
}

struct TFillProgress {
    const std::function<void(int)>& Report;
    void operator()(std::size_t done, std::size_t total) const {
        if (Report && total) Report(ReadShare + static_cast<int>(done * (100 - ReadShare) / total));
    }
};

// Builds on disk into a temporary folder and renames it into place. Returns none and sets
// failure when the cache cannot be written; a cancelled build leaves nothing behind.
std::unique_ptr<TSearchIndex> BuildOnDisk(const TSearchIndexRequest& request, const TBookPartTexts& texts,
                                          const std::atomic<bool>& cancel, const std::function<void(int)>& progress,
                                          std::string& failure) {
    const fs::path bookFolder = BookFolder(request);
    const fs::path final = bookFolder / IdentityOf(request);
    const fs::path temp = bookFolder / TempName();
    std::error_code ec;
    fs::create_directories(bookFolder, ec);
    if (ec) {
        failure = "папка кэша недоступна (" + bookFolder.string() + "): " + ec.message();
        return nullptr;
    }
    bool filled = false;
    try {
        Xapian::WritableDatabase db(temp.string(), Xapian::DB_CREATE_OR_OVERWRITE | Xapian::DB_BACKEND_GLASS);
        filled = TSearchIndex::Fill(db, request.Entries, texts.Texts, cancel, TFillProgress{progress});
        if (filled) db.commit();
        db.close();
    } catch (const Xapian::Error& e) {
        failure = "индекс не записан в папку кэша (" + bookFolder.string() + "): " + e.get_msg();
    }
    if (!filled || !failure.empty()) {
        std::error_code ignored;
        fs::remove_all(temp, ignored);
        return nullptr;
    }
    fs::rename(temp, final, ec);
    if (ec) {
        // Another copy of the program finished the same index first: use that one.
        std::error_code ignored;
        fs::remove_all(temp, ignored);
    }
    RemoveOutdated(bookFolder, final);
    auto index = TryOpen(final);
    if (!index) failure = "построенный индекс не открывается (" + final.string() + ")";
    return index;
}

std::unique_ptr<TSearchIndex> BuildInMemory(const TSearchIndexRequest& request, const TBookPartTexts& texts,
                                            const std::atomic<bool>& cancel, const std::function<void(int)>& progress) {
    Xapian::WritableDatabase db(std::string(), Xapian::DB_BACKEND_INMEMORY);
    if (!TSearchIndex::Fill(db, request.Entries, texts.Texts, cancel, TFillProgress{progress})) return nullptr;
    return std::make_unique<TSearchIndex>(db);
}

}  // namespace

std::string DefaultSearchCacheFolder() { return UserFoldersFromEnvironment().Cache; }

namespace {
void AddEntries(const std::vector<TContentsItem>& items, std::vector<TSearchEntry>& entries) {
    for (const TContentsItem& item : items) {
        entries.push_back({item.DivID, item.Caption});
        AddEntries(item.Children, entries);
    }
}
}  // namespace

std::vector<TSearchEntry> SearchEntriesOf(const TContents& contents) {
    std::vector<TSearchEntry> entries;
    AddEntries(contents.Items, entries);
    return entries;
}

TSearchIndexRequest SearchIndexRequestOf(const TBookInfo& book, std::vector<TSearchEntry> entries) {
    TSearchIndexRequest request;
    request.BookKey = book.DescriptorFile;
    // book.xml is read the way the transformations read it: the "file" URI's local path.
    if (SplitURI(book.BookXMLFName).Scheme == "file")
        request.BookXmlPath = TFileProxy::OsPathOfFileUri(book.BookXMLFName);
    request.Entries = std::move(entries);
    request.CacheFolder = DefaultSearchCacheFolder();
    return request;
}

std::string SearchIndexFolder(const TSearchIndexRequest& request) {
    return (BookFolder(request) / IdentityOf(request)).string();
}

TSearchIndexBuild BuildSearchIndex(const TSearchIndexRequest& request, const std::atomic<bool>& cancel,
                                   const std::function<void(int)>& progress) {
    TSearchIndexBuild build;
    const bool useCache = !request.CacheFolder.empty();
    if (useCache) {
        build.Index = TryOpen(SearchIndexFolder(request));
        if (build.Index) {
            build.Reused = true;
            if (progress) progress(100);
            return build;
        }
    }
    std::unordered_set<std::string> ids;
    for (const TSearchEntry& entry : request.Entries)
        ids.insert(entry.Id);
    const TBookPartTexts texts =
        ReadBookPartTexts(request.BookXmlPath, ids, cancel, [&](uint64_t done, uint64_t total) {
            if (progress && total) progress(static_cast<int>(done * ReadShare / total));
        });
    if (texts.Cancelled || cancel) {
        build.Cancelled = true;
        return build;
    }
    if (!texts.Error.empty()) build.Warnings.push_back(texts.Error + "; ищется только по заголовкам оглавления.");
    for (const std::string& id : ids)
        if (!texts.Texts.count(id)) ++build.MissingParts;
    if (texts.Error.empty() && build.MissingParts)
        build.Warnings.push_back("В book.xml не найдено частей оглавления: " + std::to_string(build.MissingParts) +
                                 " из " + std::to_string(ids.size()) + "; у них ищется только заголовок.");
    try {
        std::string failure;
        if (useCache) build.Index = BuildOnDisk(request, texts, cancel, progress, failure);
        if (!build.Index && !cancel) {
            if (useCache) build.Warnings.push_back("Индекс не сохранён: " + failure + "; он построен в памяти.");
            build.InMemory = true;
            build.Index = BuildInMemory(request, texts, cancel, progress);
        }
    } catch (const Xapian::Error& e) {
        build.Index.reset();
        build.Error = "Индекс не построен: " + e.get_msg();
    }
    if (cancel) {
        build.Index.reset();
        build.Cancelled = true;
    }
    return build;
}
