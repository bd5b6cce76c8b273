#pragma once
// The parsed input of one open book's transformations, kept while its file is unchanged (same
// path, device, inode, size and modification time), so that a part switch does not parse the
// whole book again. Runs never change the kept document: a stylesheet that strips whitespace
// works on a copy, kept per set of strip rules, which stripping again leaves as it is. The
// stylesheet modules the book's stylesheets import or include are kept the same way, and so
// are the key tables a run built over a kept document.
#include <libxml/tree.h>

#include <map>
#include <optional>
#include <string>
#include <sys/types.h>

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

class TParsedInputCache {
public:
    // The document parsed from osPath, when the file is still the one it was parsed from. A
    // file that changed drops what was kept.
    xmlDocPtr Find(const std::string& osPath);
    // Keeps doc as the parse of osPath, whose identity was `read` before it was read. A file
    // that changed meanwhile is not kept: doc stays with the caller and nullptr is returned.
    xmlDocPtr Keep(const std::string& osPath, const TFileIdentity& read, XmlDoc& doc);
    // The kept document's copy for a stylesheet that strips whitespace by the rules named by
    // rulesKey: made on the first request, the same copy afterwards.
    xmlDocPtr StrippableCopy(const std::string& rulesKey);
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
    size_t KeptKeyTables() const { return Keys.size(); }
    void Clear();
    // Whether a book is kept and neither its file nor any kept module's file has changed since
    // it was read: what a run made from them would make again.
    bool Unchanged() const;

    // Whether a Find since the last reset answered with a kept document.
    bool LastFound() const { return Found; }
    void ResetLastFound() { Found = false; }

private:
    void DropInput();
    bool Holds(xmlDocPtr doc) const;

    std::string Path;
    TFileIdentity Identity;
    XmlDoc Pristine;
    std::map<std::string, XmlDoc> Copies;  // by strip rules
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
    bool Found = false;
};
