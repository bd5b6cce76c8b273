#pragma once
// The full-text index of one book: one document per contents entry, caption weighted above
// the text, Russian and English words stemmed, case and "ё"/"е" folded.
#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

// Kept out of this header: xapian.h must come before any Qt header, which windows cannot promise.
namespace Xapian {
class Database;
class Query;
class WritableDatabase;
}  // namespace Xapian

// A contents entry as the index sees it.
struct TSearchEntry {
    std::string Id;
    std::string Caption;
    bool operator==(const TSearchEntry&) const = default;
};

struct TSearchHit {
    std::string Id;
    std::string Caption;
    std::string Snippet;  // HTML: escaped text, matched words between the marks asked for
    int Percent = 0;
};

struct TSearchResult {
    std::vector<TSearchHit> Hits;  // best first
    std::size_t Total = 0;         // estimated number of matching parts
    std::string Error;             // a query that cannot be run; Hits is then empty
};

// Longest query taken, in bytes; a longer one is refused with a message.
inline constexpr std::size_t MaxQueryLength = 1000;

class TSearchIndex {
public:
    // Wraps an open database (a folder on disk or one in memory).
    explicit TSearchIndex(const Xapian::Database& database);
    ~TSearchIndex();
    TSearchIndex(const TSearchIndex&) = delete;
    TSearchIndex& operator=(const TSearchIndex&) = delete;

    // Opens the index in folder; throws Xapian::Error when it is not one.
    static std::unique_ptr<TSearchIndex> OpenFolder(const std::string& folder);

    // Adds one document per entry to db. texts holds each part's text by id. Stops early
    // (returning false) when cancel is set; progress(done, total) after every entry.
    static bool Fill(Xapian::WritableDatabase& db, const std::vector<TSearchEntry>& entries,
                     const std::unordered_map<std::string, std::string>& texts, const std::atomic<bool>& cancel,
                     const std::function<void(std::size_t done, std::size_t total)>& progress = {});

    // Words; "a phrase"; -word excludes. All words must occur (stop words aside). Never throws
    // for a bad query: the result then carries the message.
    TSearchResult Search(const std::string& query, std::size_t maxHits, const std::string& markStart = "<b>",
                         const std::string& markEnd = "</b>") const;

    // The words of part id's text that the query matched there, each spelling once, for
    // highlighting the shown page.
    std::vector<std::string> MatchedWords(const std::string& query, const std::string& id) const;

    std::size_t PartCount() const;

private:
    Xapian::Query ParseQuery(const std::string& query, std::string& error) const;

    std::unique_ptr<Xapian::Database> Database;
};
