#include "TFileReadRecord.h"

#include <algorithm>

bool FilesUnchanged(const TFileReads& reads) {
    return std::all_of(reads.begin(), reads.end(),
                       [](const TFileRead& read) { return IdentityOfFile(read.OsPath) == read.Identity; });
}
