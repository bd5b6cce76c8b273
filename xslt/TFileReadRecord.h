#pragma once
// The files an engine's runs read through the file handler (document(), entities), each with
// its identity before it was read: a result made from them can then be checked against the
// files as they are now. The book itself and its stylesheet modules are checked by the parsed
// input cache.
#include <optional>
#include <string>
#include <vector>

#include "TParsedInputCache.h"

struct TFileRead {
    std::string OsPath;
    std::optional<TFileIdentity> Identity;  // none when it was no regular file
};
using TFileReads = std::vector<TFileRead>;

class TFileReadRecord {
public:
    // Called by the file handler before it reads osPath.
    void NoteRead(const std::string& osPath) { Reads.push_back({osPath, IdentityOfFile(osPath)}); }
    TFileReads TakeReads() { return std::move(Reads); }

private:
    TFileReads Reads;
};

// Whether every file read is as it was then (one missing then is missing still).
bool FilesUnchanged(const TFileReads& reads);
