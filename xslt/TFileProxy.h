#pragma once
// The handler of the "file" scheme: whole-file reads for the processor, and write
// streams for outputs given by file URI.
#include <cstdio>
#include <list>
#include <map>
#include <memory>
#include <string>

#include "OsFiles.h"
#include "TCustomSchemeProxy.h"

class TFileProxy : public TCustomSchemeProxy {
public:
    TFileProxy() = default;
    ~TFileProxy() override;  // closes the streams still open

    // The local path a rest names: the part after the first "://", else the rest
    // without its first two characters ("///home/a.xml" -> "/home/a.xml").
    static std::string LocalPathOfRest(const std::string& rest);
    // The OS path of the file a "file:" URI names, read as the processor reads its input:
    // percent escapes decoded first ("file:///b%C3%BCcher/book.xml" -> "/bücher/book.xml").
    static std::string OsPathOfFileUri(const std::string& uri);

    int Close(int handle) override;
    // Releases the buffer a GetAll delivered; every delivered buffer stays valid until then.
    int FreeMemory(char* buffer) override;
    // Bounded by byteCount on entry; byteCount becomes the count read, 0 at the end of data.
    int Get(int handle, char* buffer, int& byteCount) override;
    // Delivers all bytes of the file (zero-terminated); byteCount is the file's size.
    int GetAll(const char* scheme, const char* rest, char*& buffer, int& byteCount) override;
    bool HasHandle(int handle) const override;
    // Opens the file for writing, emptied first (created when missing). A file that cannot be
    // opened gives 1 and a message naming it through the engine's message path.
    int Open(const char* scheme, const char* rest, int& handle) override;
    // byteCount becomes the count actually written.
    int Put(int handle, const char* buffer, int& byteCount) override;

    size_t OpenStreamCount() const { return Streams.size(); }
    size_t HeldBufferCount() const { return Content.size(); }

private:
    using TStream = TFileHandle;
    std::map<int, TStream> Streams;  // handle -> stream opened by Open
    std::list<std::string> Content;  // files delivered by GetAll and not yet freed
};
