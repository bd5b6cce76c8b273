#pragma once
// The parts a reader has seen in the open book, in order, each with the page's scroll position
// when the reader left it, and where in that list the reader is: back and forward as browsers
// do them. A part shown anew after going back drops the entries ahead of it.
#include <cstddef>
#include <optional>
#include <string>
#include <vector>

struct THistoryEntry {
    std::string DivID;
    int ScrollY = 0;  // pixels from the top of the page
    bool operator==(const THistoryEntry&) const = default;
};

class TReadingHistory {
public:
    // A part shown by any means but back and forward; the same part again adds nothing.
    void Visit(const std::string& divId);
    // The scroll position of the entry on view.
    void KeepScroll(int scrollY);
    bool CanGoBack() const { return Index > 0; }
    bool CanGoForward() const { return Index + 1 < Entries.size(); }
    // Moves one entry back or forward and gives it; none at the ends.
    std::optional<THistoryEntry> GoBack();
    std::optional<THistoryEntry> GoForward();
    // The entry on view; none before the first part.
    std::optional<THistoryEntry> Current() const;
    void Clear();

private:
    std::vector<THistoryEntry> Entries;
    std::size_t Index = 0;  // the entry on view, when there are entries
};
