#include "TFileReadRecord.h"

#include <algorithm>

namespace {
thread_local TFileReadRecord* Current = nullptr;
}  // namespace

TFileReadRecord::TFileReadRecord() : Outer(Current) { Current = this; }

TFileReadRecord::~TFileReadRecord() { Current = Outer; }

void TFileReadRecord::NoteRead(const std::string& osPath) {
    if (Current != nullptr) Current->Reads.push_back({osPath, IdentityOfFile(osPath)});
}

bool FilesUnchanged(const TFileReads& reads) {
    return std::all_of(reads.begin(), reads.end(),
                       [](const TFileRead& read) { return IdentityOfFile(read.OsPath) == read.Identity; });
}
