#pragma once
// Where the reader left each book: the part on view and how far down its page. Kept for the
// most recently read books in a JSON file of the program's state folder, beside the reader's
// switch for restoring places at all. Used on one thread; nothing reaches the disk until Save.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "TSettings.h"

struct TPlace {
    std::string Part;         // the part's DivID
    std::int32_t Scroll = 0;  // pixels from the top of the page
    // The same position as a share of the page's height (0..1), for a page that has grown or
    // shrunk since, at another width or font size.
    double Fraction = 0;
    bool operator==(const TPlace&) const = default;
};

class TPlaceStore {
public:
    static constexpr std::size_t MaxBooks = 300;
    static constexpr int FormatVersion = 1;
    // A longer file is not read: the records of MaxBooks books never come near it.
    static constexpr std::uintmax_t MaxFileBytes = 4u << 20;
    // A book path or part longer than this is not kept.
    static constexpr std::size_t MaxKeyBytes = 4096;

    // The store kept in the file at osPath; empty, with places restored, until Load.
    explicit TPlaceStore(std::string osPath);

    // places.json in the state folder of the settings, as an OS path.
    static std::string PathIn(const TSettings& settings);

    // Reads the file. A missing file is an empty store; a file that cannot be read, is damaged
    // or comes from a newer format is logged and taken as empty, and the next Save replaces it.
    // Records that make no sense are skipped and the others kept.
    void Load();

    // The place of a book (its descriptor's path, compared as given).
    std::optional<TPlace> Find(const std::string& book) const;
    // Keeps the place of a book as its most recent; when more than MaxBooks books are then
    // held, the least recently recorded goes. A place without a book or a part is not kept; a
    // negative scroll counts as 0 and the fraction is held within 0..1.
    void Record(const std::string& book, TPlace place);
    // The books held, the most recently recorded first.
    std::vector<std::string> Books() const;

    bool Restore() const { return RestorePlaces; }
    void SetRestore(bool restore) { RestorePlaces = restore; }
    // Whether the open book's files are watched and the page follows their saves.
    bool Watch() const { return WatchBookFiles; }
    void SetWatch(bool watch) { WatchBookFiles = watch; }

    // Writes the file atomically, making its folder when missing: the old file stays whole
    // until the new one has been written. A failure is logged and returns false.
    bool Save() const;

    const std::string& FileName() const { return OsPath; }

private:
    struct TEntry {
        std::string Book;
        TPlace Place;
    };

    std::string ToJson() const;
    void FromJson(const std::string& bytes);

    std::string OsPath;
    std::vector<TEntry> Entries;  // the most recent first
    bool RestorePlaces = true;
    bool WatchBookFiles = true;
};
