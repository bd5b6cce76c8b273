#pragma once
// A book's contents as the service stylesheet writes them (its "MakeTOC" output): a tree of
// entries, each naming one part of the book by its DivID. No widgets: windows show it, the
// search and the book list read it.
#include <string>
#include <vector>

// One entry: the part it names, its caption (UTF-8) and the entries nested in it.
struct TContentsItem {
    std::string DivID;
    std::string Caption;
    std::vector<TContentsItem> Children;

    bool operator==(const TContentsItem&) const = default;
};

struct TContents {
    // False when the text is not a well-formed XML document; nothing else is then set.
    bool Parsed = false;
    // The root-level entries, in document order.
    std::vector<TContentsItem> Items;
    // Set when the document is well-formed but not contents: its top element is not "menu",
    // or a "listitem" has no "id". Items then holds the entries read before the fault.
    std::string Error;
};

// Reads a contents document: "menu" on top, every "listitem" an entry (its "id" the DivID),
// nested "listitem"s its children, other elements transparent. The last text met inside an
// entry (outside its nested entries) is its caption; whitespace-only text never is. Neither
// the network nor entities are used.
TContents ReadContents(const std::string& xml);
