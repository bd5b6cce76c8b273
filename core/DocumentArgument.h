#pragma once
// The book named on the command line (tomeria [DESCRIPTOR]): a path relative to the current
// folder, an absolute path, or a "file://" URI as file managers pass them.
#include <QString>
#include <string>

struct TDocumentArgument {
    std::string Path;   // absolute path of an existing regular file, in the system's form
    std::string Error;  // a message for the reader when the argument names no such file
};

TDocumentArgument ResolveDocumentArgument(const QString& argument, const QString& currentFolder);
