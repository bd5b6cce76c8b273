#include "TReadingHistory.h"

void TReadingHistory::Visit(const std::string& divId) {
    if (!Entries.empty() && Entries[Index].DivID == divId) return;
    if (!Entries.empty()) Entries.resize(Index + 1);  // the entries ahead are dropped
    Entries.push_back({divId, 0});
    Index = Entries.size() - 1;
}

void TReadingHistory::KeepScroll(int scrollY) {
    if (!Entries.empty()) Entries[Index].ScrollY = scrollY < 0 ? 0 : scrollY;
}

std::optional<THistoryEntry> TReadingHistory::GoBack() {
    if (!CanGoBack()) return std::nullopt;
    return Entries[--Index];
}

std::optional<THistoryEntry> TReadingHistory::GoForward() {
    if (!CanGoForward()) return std::nullopt;
    return Entries[++Index];
}

std::optional<THistoryEntry> TReadingHistory::Current() const {
    if (Entries.empty()) return std::nullopt;
    return Entries[Index];
}

void TReadingHistory::Clear() {
    Entries.clear();
    Index = 0;
}
