#pragma once
// The parsed input of one open book's transformations, kept while its file is unchanged (same
// path, device, inode, size and modification time), so that a part switch does not parse the
// whole book again. Runs on several threads share it: the kept document is read, never
// changed, by every run (a stylesheet that strips whitespace gets a copy stripped by its rules
// once, before any run sees it), and a document dropped while runs still use it lives on
// until the last of them ends. The stylesheet modules the book's stylesheets import or
// include are kept the same way, and so are the key tables a run built over a kept document.
#include <libxml/tree.h>

#include <condition_variable>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>
#include <sys/types.h>

#include "TStopToken.h"
#include "XmlOwners.h"

struct TFileIdentity {
    dev_t Device = 0;
    ino_t Inode = 0;
    off_t Size = 0;
    long long ModifiedNs = 0;
    bool operator==(const TFileIdentity&) const = default;
};

// The identity of a regular file; none when it cannot be read as one.
std::optional<TFileIdentity> IdentityOfFile(const std::string& osPath);

// A document shared by the cache and the runs reading it.
using TSharedDoc = std::shared_ptr<xmlDoc>;

class TParsedInputCache {
public:
    // The document parsed from osPath, when the file is still the one it was parsed from;
    // otherwise what parse gives, kept when the file did not change while it was read. One
    // parse at a time: a run asking meanwhile waits for it (or until stop is tripped: then
    // none). found tells whether a kept document answered.
    TSharedDoc FindOrParse(const std::string& osPath, const std::function<XmlDoc()>& parse, const TStopToken& stop,
                           bool& found);
    // The kept document's copy for a stylesheet that strips whitespace by the rules named by
    // rulesKey, stripped by strip on the first request, the same copy afterwards. Null when
    // pristine is no longer the kept document.
    TSharedDoc StrippableCopy(const TSharedDoc& pristine, const std::string& rulesKey,
                              const std::function<void(xmlDocPtr)>& strip);
    // A copy of the stylesheet module read from osPath under uri, while the file is unchanged.
    XmlDoc CopyOfModule(const std::string& uri, const std::string& osPath);
    // Keeps a copy of a module just read, unless its file changed while it was read.
    void KeepModule(const std::string& uri, const std::string& osPath, const TFileIdentity& read, const xmlDoc& doc);
    // The key tables an earlier run built over doc for the key definitions `definitions`,
    // taken out of the cache; none when doc is not kept here or the tables were for others.
    // A document none of whose nodes a key matched has tables that are null.
    std::optional<XsltKeyTables> TakeKeyTables(xmlDocPtr doc, const std::string& definitions);
    // Keeps the tables a run built over doc, in place of those kept for it before; tables over
    // a document not kept here are freed.
    void KeepKeyTables(xmlDocPtr doc, const std::string& definitions, XsltKeyTables tables);
    size_t KeptKeyTables() const;
    // Held while a run writes into a kept document: libxslt marks the nodes a key matched, and
    // those generate-id() was asked for, in the document itself; two runs must not do that at once.
    std::unique_lock<std::mutex> InputWritingLock() { return std::unique_lock(InputWriting); }
    void Clear();
    // Whether a book is kept and neither its file nor any kept module's file has changed since
    // it was read: what a run made from them would make again.
    bool Unchanged() const;
    // The files of the stylesheet modules kept (those the runs imported or included).
    std::vector<std::string> ModuleFiles() const;

private:
    void DropInput();
    bool Holds(xmlDocPtr doc) const;
    TSharedDoc KeptIfUnchanged(const std::string& osPath);
    TSharedDoc ParseAndKeep(const std::string& osPath, const std::function<XmlDoc()>& parse);

    mutable std::mutex Mutex;
    std::mutex InputWriting;
    std::condition_variable ParseEnded;
    bool Parsing = false;  // a run is parsing the input; the others wait for it
    std::string Path;
    TFileIdentity Identity;
    TSharedDoc Pristine;
    std::map<std::string, TSharedDoc> Copies;  // by strip rules
    struct TModule {
        std::string OsPath;
        TFileIdentity Identity;
        XmlDoc Doc;
    };
    std::map<std::string, TModule> Modules;  // by URI
    struct TKeyTables {
        std::string Definitions;
        XsltKeyTables Tables;
    };
    std::map<xmlDocPtr, TKeyTables> Keys;  // by kept document; freed before the documents
};
