#pragma once
// The state behind the processor interface of sablot.h, and the URI helpers its runs use.
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "CaughtErrorText.h"
#include "TParsedInputCache.h"
#include "TReadRule.h"
#include "TStopToken.h"
#include "XmlOwners.h"
#include "sablot.h"
#include "sabutils.h"

struct TSablotSituation {
    int LastError = 0;  // status of the latest failed call, 0 once cleared
};

// A serialised result as libxslt produced it (not copied), with its declared encoding.
struct TSablotResult {
    XmlChars Text;
    size_t Size = 0;
    std::string Encoding;
    const char* Data() const { return Text ? reinterpret_cast<const char*>(Text.get()) : ""; }
};

struct TSablotProcessor {
    TSablotSituation* Situation = nullptr;
    const MessageHandler* Messages = nullptr;
    void* MessagesData = nullptr;
    const SchemeHandler* Schemes = nullptr;
    void* SchemesData = nullptr;
    std::map<std::string, std::string> ArgBuffers;            // by name
    std::vector<std::pair<std::string, std::string>> Params;  // for the next run only
    std::string Base;                                         // normalised (see NormaliseUri)
    std::map<std::string, std::string> SchemeBases;
    std::map<std::string, TSablotResult> Results;  // by argument name
    TParsedInputCache* InputCache = nullptr;       // the open book's parsed input, if kept
    const TReadRule* ReadRule = nullptr;           // files read straight from disk; null: any
    TStopToken Stop;                               // ends the runs early once tripped
    bool LastRunKeptInput = false;                 // the kept input served the last run
    int LastError = 0;
};



// The scheme of a URI (text before the first ":", when it is a valid scheme of at least two
// characters, so that a drive letter "C:" is no scheme); "" for a relative reference.
std::string UriScheme(const std::string& uri);
// "arg:/name", "arg://name" -> "name".
std::string ArgNameOfUri(const std::string& uri);
// The argument buffer a (normalised) "arg:" URI names: by the name as written, else by the
// name with its escapes decoded, so that "arg:/my book" finds the buffer "my book" after
// normalisation made it "my%20book". Null when there is none.
const std::string* FindArgBuffer(const TSablotProcessor& processor, const std::string& uri);
// "\" becomes "/", bytes that may not stand in a URI become "%XX" (existing escapes are kept).
std::string NormaliseUri(const std::string& uri);
// Escapes every byte that may not stand in a URI, "%" included: for plain text (a file
// name, a path) that is to become part of a URI.
std::string EscapeUriText(const std::string& text);
