#pragma once
// The folders a book may read, and the rule that a book's root is a folder of its own.
#include <string>
#include <vector>

#include "TBookInfo.h"

// Folders too broad to be a book's: the file system's root, the user's home folder and any
// ancestor of either (an OS path; links and ".." resolved).
bool IsTooBroadFolder(const std::string& osPath);

// What is wrong with the book's root, in Russian for the reader; "" when nothing is. A root
// may not be too broad, and it must hold the descriptor.
std::string RootPathProblem(const TBookInfo& book);

// The OS paths of the folders a transformation of the book may read files from: its root,
// the folders of the two stylesheets its descriptor names, the program's data folder and the
// system's shared XML folders. Folders too broad to be a book's are left out.
std::vector<std::string> ReadableFolders(const TBookInfo& book);
