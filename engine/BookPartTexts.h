#pragma once
// The text of each part of a book, read from book.xml for the search index.
#include <atomic>
#include <functional>
#include <string>
#include <unordered_map>
#include <unordered_set>

struct TBookPartTexts {
    // Part id -> the text of the element whose "id" is that id, without the elements inside
    // it that are parts of their own. Ids with no such element are absent.
    std::unordered_map<std::string, std::string> Texts;
    std::string Error;  // why book.xml could not be read; empty on success
    bool Cancelled = false;
};

// Reads book.xml (an OS path) in chunks, calling progress(bytesRead, totalBytes) after each and
// giving up when cancel is set. No network, no external entities, no entity substitution.
TBookPartTexts ReadBookPartTexts(const std::string& bookXmlPath, const std::unordered_set<std::string>& partIds,
                                 const std::atomic<bool>& cancel,
                                 const std::function<void(uint64_t done, uint64_t total)>& progress = {});
