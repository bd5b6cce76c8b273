#pragma once
// The reader's bookmarks: a book (its descriptor path), a part id and a caption the reader
// can edit. Kept in an XBEL file in the user's configuration folder; every change rewrites it
// atomically, and a change that cannot be saved is not made, on disk or in memory.
#include <atomic>
#include <string>
#include <vector>

struct TBookmark {
    std::string Book;     // the descriptor's path
    std::string PartId;   // the part's DivID
    std::string Caption;  // what the list shows
    bool operator==(const TBookmark&) const = default;
};

struct TBookmarkImport {
    std::size_t Added = 0;
    std::size_t Duplicates = 0;  // already held (same book and part)
    std::size_t Skipped = 0;     // not bookmarks of a book part
};

// An import made ready away from the store, on any thread: the bookmarks of an XBEL file that
// the store does not hold yet (same book and part) added after its own, and the text of the
// file that then holds them all.
struct TBookmarkImportPlan {
    std::vector<TBookmark> Items;
    std::string Xbel;
    TBookmarkImport Report;
    unsigned Revision = 0;  // the store's revision the plan was made from
};
// Reads, parses and compares in time linear in the number of bookmarks. Throws
// std::runtime_error when the file cannot be read or is not XBEL, or when cancel is set.
TBookmarkImportPlan PlanBookmarkImport(const std::string& osPath, const std::vector<TBookmark>& held, unsigned revision,
                                       const std::atomic<bool>& cancel);

// XBEL text of the bookmarks, in order.
std::string ToXbel(const std::vector<TBookmark>& bookmarks);
// The bookmarks of an XBEL text, folders flattened; skipped counts the bookmarks that do not
// name a book part. Throws std::runtime_error when the text is not XBEL.
std::vector<TBookmark> FromXbel(const std::string& bytes, std::size_t* skipped = nullptr);

class TBookmarkStore {
public:
    // The store kept in the file at osPath (created on the first change).
    explicit TBookmarkStore(std::string osPath);

    // $XDG_CONFIG_HOME/tomeria/bookmarks.xbel (default ~/.config/tomeria/bookmarks.xbel).
    static std::string DefaultPath();

    // Reads the file; a missing file is an empty store. A file that is not XBEL is moved aside
    // (never overwritten) and the returned message says where; otherwise "".
    std::string Load();

    const std::vector<TBookmark>& All() const { return Items; }
    // Positions in All() of the bookmarks of one book, in order.
    std::vector<std::size_t> OfBook(const std::string& book) const;

    // Each change saves the file first and throws std::runtime_error when it cannot.
    // Add returns false (and changes nothing) when the book's part is already bookmarked.
    bool Add(const TBookmark& bookmark);
    void Rename(std::size_t index, const std::string& caption);
    void Remove(std::size_t index);

    // Writes every bookmark to an XBEL file (atomically); throws std::runtime_error.
    void Export(const std::string& osPath) const;
    // Adds the bookmarks of an XBEL file that are not held yet; a file that cannot be read or
    // is not XBEL throws std::runtime_error and changes nothing.
    TBookmarkImport Import(const std::string& osPath);
    // Saves a plan made from the store as it still is and takes its bookmarks; false, and
    // nothing changed, when the store has changed since (the plan is then made again).
    bool AdoptImport(TBookmarkImportPlan&& plan);
    // Counts the changes of the store.
    unsigned Revision() const { return Changes; }

    const std::string& FileName() const { return OsPath; }

private:
    void Commit(std::vector<TBookmark> items);

    std::string OsPath;
    std::vector<TBookmark> Items;
    unsigned Changes = 0;
};
