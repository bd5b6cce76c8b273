#pragma once
// The files one thread's runs read through the file handler (document(), entities), each with
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
    // Records this thread's reads from now on, until the record goes.
    TFileReadRecord();
    ~TFileReadRecord();
    TFileReadRecord(const TFileReadRecord&) = delete;
    TFileReadRecord& operator=(const TFileReadRecord&) = delete;

    // Called by the file handler before it reads osPath; nothing while no record is kept.
    static void NoteRead(const std::string& osPath);
    TFileReads TakeReads() { return std::move(Reads); }

private:
    TFileReads Reads;
    TFileReadRecord* Outer;
};

// Whether every file read is as it was then (one missing then is missing still).
bool FilesUnchanged(const TFileReads& reads);
