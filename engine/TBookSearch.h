#pragma once
// The search index of the open book: built (or opened from the cache) on a thread of its own
// from the book's contents, and the queries against it. Reports come as signals on this
// object's thread; those of a build that was stopped or superseded are dropped.
#include <QObject>
#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "SearchIndexCache.h"

class TSearchIndexTask;

class TBookSearch : public QObject {
    Q_OBJECT
public:
    explicit TBookSearch(QObject* parent = nullptr);
    ~TBookSearch() override;  // stops a build that still runs
    TBookSearch(const TBookSearch&) = delete;
    TBookSearch& operator=(const TBookSearch&) = delete;

    // Builds or opens the index of the book's contents entries; a build under way is stopped
    // and the index before is dropped (BuildStarted, then BuildProgress and BuildEnded).
    void Start(const TBookInfo& book, const TContents& contents);
    // Stops a build and drops the index (Dropped).
    void Drop();

    bool Ready() const { return Index != nullptr; }
    bool Building() const { return Task != nullptr; }
    // Why the last build left no index; "" while building, when ready or with no book.
    const std::string& Failure() const { return Why; }
    // The warnings of the last build (parts book.xml lacks, a cache that could not be written).
    const std::vector<std::string>& Warnings() const { return Notes; }

    // The ranked hits of query, or in Error why there are none: a bad query, the index still
    // being built, the build's failure, no book.
    TSearchResult Search(const std::string& query, std::size_t maxHits = 100, const std::string& markStart = "<b>",
                         const std::string& markEnd = "</b>") const;
    // The words of part id's text that query matched there; none without an index.
    std::vector<std::string> MatchedWords(const std::string& query, const std::string& id) const;

    // Where indexes are kept; unset: the user's cache folder.
    std::optional<std::string> CacheFolder;

signals:
    void BuildStarted();
    void BuildProgress(int percent);
    // The build has ended: failure is "" when the index can be searched, else why not.
    void BuildEnded(const std::string& failure);
    void Dropped();

private:
    void StopBuild();
    void Clear();
    void Finished(unsigned generation, const std::shared_ptr<TSearchIndexBuild>& build);

    std::unique_ptr<TSearchIndexTask> Task;
    std::unique_ptr<TSearchIndex> Index;
    unsigned Generation = 0;  // which build a report belongs to
    std::string Why;
    std::vector<std::string> Notes;
};
