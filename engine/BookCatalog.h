#pragma once
// The books the program can find: the descriptors one folder level below the data folder,
// the shipped guide and the recent documents, each with its title. No widgets: the book
// list and the recent-documents menu show what this finds.
#include <string>
#include <vector>

#include "TSettings.h"

enum class TBookState { Ok, Missing, Broken };

struct TBookEntry {
    std::string Path;  // absolute, in the system's form
    std::string Title;
    TBookState State = TBookState::Ok;
    std::string Problem;  // why a book is missing or broken
};

// The guide shipped in the program folder: data/data/intro.ini, in the system's form.
std::string ShippedGuidePath(const TSettings& settings);

// The caption of the first entry of a contents document, or "" when it has none.
std::string FirstContentsCaption(const std::string& contentsXml);

// The title of a book whose contents are not read: the name of its descriptor's folder.
std::string FolderTitle(const std::string& descriptor);

// Reads the descriptor and builds its contents to find the title: the first contents entry,
// else the name of the descriptor's folder. A missing file or a descriptor whose stylesheets
// or contents fail is reported in the state, never thrown.
TBookEntry DescribeBook(const std::string& descriptor, const TSettings& settings);

// The descriptor files ("*.tmr", and "*.ini" files holding a descriptor section) in the
// folders directly below the folder, sorted by path.
std::vector<std::string> FindDescriptors(const std::string& folder);

// Every book of the data folder, the shipped guide, then the recent documents not listed
// yet; each file once.
std::vector<TBookEntry> ListBooks(const TSettings& settings);
