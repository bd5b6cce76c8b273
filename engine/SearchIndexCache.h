#pragma once
// The search index of a book, kept in the user's cache folder: one index per book and
// book.xml identity, built into a temporary folder that is renamed into place only once it is
// complete, so a half-built index is never opened.
#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "TBookInfo.h"
#include "TContents.h"
#include "TSearchIndex.h"

struct TSearchIndexRequest {
    std::string BookKey;      // the book's descriptor path: one index per book
    std::string BookXmlPath;  // OS path of book.xml
    std::vector<TSearchEntry> Entries;
    std::string CacheFolder;  // OS path of the cache folder; empty: build in memory only
};

struct TSearchIndexBuild {
    std::unique_ptr<TSearchIndex> Index;  // none when cancelled or failed
    bool Reused = false;                  // an index built earlier was opened
    bool InMemory = false;                // the cache folder could not be used
    bool Cancelled = false;
    std::size_t MissingParts = 0;  // entries whose part book.xml does not hold
    std::string Error;             // why there is no index
    std::vector<std::string> Warnings;
};

// $XDG_CACHE_HOME/tomeria/ (default ~/.cache/tomeria/), as an OS path.
std::string DefaultSearchCacheFolder();

// Opens the cached index of the request, or builds it (and caches it when the cache folder can
// be written). progress(percent) is called from the calling thread; cancel stops the build and
// leaves nothing behind.
TSearchIndexBuild BuildSearchIndex(const TSearchIndexRequest& request, const std::atomic<bool>& cancel,
                                   const std::function<void(int percent)>& progress = {});

// The entries of a book's contents in document order, nested ones after their parent.
std::vector<TSearchEntry> SearchEntriesOf(const TContents& contents);

// The request for an open book: its descriptor, its book.xml and the user's cache folder.
TSearchIndexRequest SearchIndexRequestOf(const TBookInfo& book, std::vector<TSearchEntry> entries);

// The folder the cached index of the request is kept in (whether it exists or not).
std::string SearchIndexFolder(const TSearchIndexRequest& request);
