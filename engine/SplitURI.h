#pragma once
// Splitting of the URIs the book engine inspects. No percent-decoding.
#include <string>

struct TSplittedURI {
    std::string Scheme;  // lower case; "unknown" when the URI has no "://"
    std::string Host;
    std::string Path;  // for a "file" URI, the host and the path joined
    std::string Document;
    std::string Query;     // without "?"
    std::string Fragment;  // without "#"
};

TSplittedURI SplitURI(const std::string& uri);
