#include "SablotRun.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstddef>
#include <cstring>
#include <memory>
#include <vector>

#include <libxml/catalog.h>
#include <libxml/encoding.h>
#include <libxml/hash.h>
#include <libxml/parserInternals.h>
#include <libxml/uri.h>
#include <libxslt/imports.h>
#include <libxslt/transform.h>
#include <libxslt/variables.h>
#include <libxslt/xsltutils.h>

#include "PathRules.h"
#include "SablotCommon.h"
#include "LibxsltShortcuts.h"
#include "SablotHooks.h"
#include "TFileProxy.h"
#include "sabutils.h"

namespace {

// Hands a file to libxml2 piece by piece; a stop fails the parse at once.
struct TFileReader {
    std::FILE* File;
    const TStopToken& Stop;
    static int Read(void* context, char* buffer, int length) {
        auto* reader = static_cast<TFileReader*>(context);
        if (reader->Stop.Tripped()) return -1;
        const size_t count = std::fread(buffer, 1, length < 0 ? 0 : static_cast<size_t>(length), reader->File);
        return std::ferror(reader->File) ? -1 : static_cast<int>(count);
    }
};

// Hands a text to libxml2 piece by piece.
struct TChunkReader {
    std::string_view Rest;
    const TStopToken& Stop;
    static int Read(void* context, char* buffer, int length) {
        auto* reader = static_cast<TChunkReader*>(context);
        if (reader->Stop.Tripped()) return -1;
        const size_t count = std::min(reader->Rest.size(), static_cast<size_t>(length < 0 ? 0 : length));
        std::memcpy(buffer, reader->Rest.data(), count);
        reader->Rest.remove_prefix(count);
        return static_cast<int>(count);
    }
};

// The URI up to the last "/" of its path: a base that names a file resolves references as its
// folder does, and the folder, unlike the file, cannot be what a document() call asks for.
std::string FolderOf(const std::string& uri) {
    const size_t authority = uri.find("://");
    const size_t pathStart = uri.find('/', authority == std::string::npos ? 0 : authority + 3);
    const size_t lastSlash = uri.find_last_of('/');
    if (pathStart == std::string::npos || uri.find_first_of("?#") != std::string::npos) return uri;
    return uri.substr(0, lastSlash + 1);
}

// The URL a stylesheet from a buffer gets: a name in the folder of the base that no relative
// reference but the empty one ("document('')") resolves to in practice, so that "." and the
// other references resolve as from the folder and read what they name. Only unreserved
// characters, so that libxml2 hands the URL back unchanged.
std::string SheetUrlIn(const std::string& folder, const std::string& sheetUri) {
    if (folder.empty() || folder.back() != '/') return folder;
    std::string name = "~arg~";
    for (const char c : ArgNameOfUri(sheetUri)) {
        const bool unreserved = std::isalnum(static_cast<unsigned char>(c)) || c == '-' || c == '_' || c == '.';
        name += unreserved ? c : '_';
    }
    return folder + name;
}

void CollectStripRule(void* payload, void* data, const xmlChar* name, const xmlChar* ns, const xmlChar*) {
    auto* rules = static_cast<std::vector<std::string>*>(data);
    const auto text = [](const void* s) { return s != nullptr ? reinterpret_cast<const char*>(s) : ""; };
    rules->push_back(std::string(text(name)) + '\x1f' + text(ns) + '=' + text(payload));
}

// The whitespace-stripping rules of a stylesheet and its imports as one text, in import
// order; empty when it strips nothing (libxslt then leaves the input as it is).
std::string StripRulesOf(xsltStylesheetPtr style) {
    std::string rules;
    int level = 0;
    for (xsltStylesheetPtr s = style; s != nullptr; s = xsltNextImport(s), ++level) {
        if (s->stripSpaces == nullptr) continue;
        std::vector<std::string> entries;
        xmlHashScanFull(s->stripSpaces, CollectStripRule, &entries);
        std::sort(entries.begin(), entries.end());
        rules += std::to_string(level) + (s->stripAll != 0 ? "*" : "") + ':';
        for (const std::string& entry : entries)
            rules += entry + ';';
        rules += '\n';
    }
    return rules;
}

// Strips whitespace from doc by the rules of style, as a run of style would before it starts.
void StripSpaces(xsltStylesheetPtr style, xmlDocPtr doc) {
    const XsltTransformContext ctxt(NewTransformContext(style, doc, false));
    xmlNodePtr root = xmlDocGetRootElement(doc);
    if (ctxt && root != nullptr) xsltApplyStripSpaces(ctxt.get(), root);
}

// The encoding the serialised bytes are in: the declared one when libxml2 can write it, else
// UTF-8, which libxslt writes instead of an encoding it does not know.
std::string WrittenEncoding(const xmlChar* declared) {
    if (declared == nullptr) return "UTF-8";
    xmlCharEncodingHandlerPtr handler = xmlFindCharEncodingHandler(reinterpret_cast<const char*>(declared));
    if (handler == nullptr) return "UTF-8";
    xmlCharEncCloseFunc(handler);  // frees a handler made for this lookup only
    return reinterpret_cast<const char*>(declared);
}

}  // namespace

TSablotRun::TSablotRun(TSablotProcessor& processor) : Processor(processor) {}

int TSablotRun::Execute(const std::string& sheetUri, const std::string& inputUri, const std::string& resultUri) {
    return Guarded([&] { return RunSteps(sheetUri, inputUri, resultUri); });
}

int TSablotRun::PrepareKeys(const std::string& sheetUri, const std::string& inputUri) {
    return Guarded([&] { return KeySteps(sheetUri, inputUri); });
}

// Runs steps with the hooks of this thread leading to this run, and tells how it ended.
int TSablotRun::Guarded(const std::function<bool()>& steps) {
    if (RunSecurityPrefs() == nullptr) return SABLOT_RUN_FAILED;
    bool ok = false;
    {
        const TRunHooks hooks(this);
        try {
            ok = !Processor.Stop.Tripped() && steps();
        } catch (...) {
            NoteInternalFailure("the run");
            ok = false;
        }
        Stopped = Processor.Stop.Tripped();
        if (Stopped) Report({MH_LEVEL_ERROR, CodeInternal, ProcessorModule, {}, "The transformation was stopped"});
        FlushText();
        ReleaseReports(!ok || Failed);
    }
    Processor.LastRunKeptInput = KeptInputUsed;
    if (Stopped) return SABLOT_STOPPED;
    return ok && !Failed ? SABLOT_OK : SABLOT_RUN_FAILED;
}

// Builds the key tables of a stylesheet over the kept input and keeps them, for the runs of
// that stylesheet to come; nothing to do for any other input.
bool TSablotRun::KeySteps(const std::string& sheetUri, const std::string& inputUri) {
    const XsltStylesheet style = CompileStylesheet(Absolute(sheetUri));
    if (!style) return false;
    const TInput input = LoadInput(Absolute(inputUri), style.get());
    if (!input.Doc) return false;
    int keyCount = 0;
    const std::string keys = input.Shared ? KeyDefinitionsOf(style.get(), keyCount) : std::string();
    if (keys.empty()) return true;
    BeginStep();
    const XsltTransformContext ctxt(NewContext(style.get(), input));
    if (!ctxt) return false;
    if (!LendKeyTables(ctxt.get(), keys, keyCount)) BuildKeyTables(ctxt.get(), keyCount);
    FlushText();
    KeepKeyTables(ctxt.get(), keys, keyCount);
    return !Failed;
}

// The steps of a run; each reports its own failure, so a step that fails ends the run.
bool TSablotRun::RunSteps(const std::string& sheetUri, const std::string& inputUri, const std::string& resultUri) {
    const std::string sheet = Absolute(sheetUri);
    const XsltStylesheet style = CompileStylesheet(sheet);
    if (!style) return false;
    const TInput input = LoadInput(Absolute(inputUri), style.get());
    if (!input.Doc) return false;
    const XmlDoc result = ApplyStylesheet(style.get(), input, sheet);
    if (!result) return false;
    BeginStep();
    TSablotResult serialised;
    return Serialise(result.get(), style.get(), serialised) && Deliver(resultUri, std::move(serialised));
}

// Reads a required resource and parses it: one step.
XmlDoc TSablotRun::LoadDocument(const std::string& uri, const char* what) {
    BeginStep();
    TFetched bytes;
    if (!Fetch(uri, true, bytes)) return nullptr;
    return XmlDoc(ParseDocument(bytes.Bytes, uri, what));
}

// The input document. With a cache, a file read earlier and unchanged since is not read again,
// and one read now is kept; a stylesheet that strips whitespace gets the kept copy for its
// rules, so no run changes what a later run of another stylesheet sees.
TSablotRun::TInput TSablotRun::LoadInput(const std::string& uri, xsltStylesheetPtr style) {
    TParsedInputCache* cache = Processor.InputCache;
    const std::string path = cache != nullptr ? KeptInputPath(uri) : std::string();
    if (path.empty()) return {TSharedDoc(LoadDocument(uri, "The input does not parse").release(), XmlDocDeleter()), false};
    TSharedDoc doc = cache->FindOrParse(
        path, [&] { return ReadFileDocument(uri, path, "The input does not parse"); }, Processor.Stop, KeptInputUsed);
    if (!doc) return {};
    const std::string rules = StripRulesOf(style);
    if (rules.empty()) return {doc, true};
    TSharedDoc copy = cache->StrippableCopy(doc, rules, [style](xmlDocPtr target) { StripSpaces(style, target); });
    if (!copy) FailStep("The input cannot be copied", {UnescapeUri(uri), 0, {}});
    return {copy, true};
}

// The file a "file:" input names, as the file handler reads it; empty for any other input,
// and when requests of that scheme are redirected.
std::string TSablotRun::KeptInputPath(const std::string& uri) const {
    const std::string scheme = UriScheme(uri);
    if (!EqualsNoCase(scheme, "file") || Processor.SchemeBases.count(scheme) != 0) return {};
    return TFileProxy::OsPathOfFileUri(uri);
}

XsltStylesheet TSablotRun::CompileStylesheet(const std::string& sheet) {
    XmlDoc sheetDoc = LoadDocument(sheet, "The stylesheet does not parse");
    if (!sheetDoc) return nullptr;
    if (EqualsNoCase(UriScheme(sheet), "arg")) NameBufferedStylesheet(*sheetDoc, sheet);
    BeginStep();
    XsltStylesheet style(xsltParseStylesheetDoc(sheetDoc.get()));
    if (style) sheetDoc.release();  // the stylesheet owns its document from now on
    if (!style || style->errors != 0 || Failed) {
        FailStep("The stylesheet cannot be compiled", {UnescapeUri(sheet), 0, {}});
        return nullptr;
    }
    return style;
}

// A stylesheet from a buffer gets a URL in the processor's base folder, so that its includes,
// imports and document() calls resolve against that base.
void TSablotRun::NameBufferedStylesheet(xmlDoc& sheetDoc, const std::string& sheet) {
    if (Processor.Base.empty()) return;
    SheetDocUrl = SheetUrlIn(FolderOf(Processor.Base), sheet);
    SheetDisplay = UnescapeUri(sheet);
    xmlFree(const_cast<xmlChar*>(sheetDoc.URL));
    sheetDoc.URL = xmlStrdup(BAD_CAST SheetDocUrl.c_str());
}

// A transformation context over the run's input, its reports leading to this run.
xsltTransformContextPtr TSablotRun::NewContext(xsltStylesheetPtr style, const TInput& input) {
    xsltTransformContextPtr ctxt = NewTransformContext(style, input.Doc.get(), input.Shared);
    if (ctxt == nullptr) {
        FailStep("The transformation cannot start", {});
        return nullptr;
    }
    xsltSetCtxtSecurityPrefs(RunSecurityPrefs(), ctxt);
    xsltSetCtxtParseOptions(ctxt, SablotParseOptions);
    xsltSetTransformErrorFunc(ctxt, nullptr, SablotTextHook);
    return ctxt;
}

XmlDoc TSablotRun::ApplyStylesheet(xsltStylesheetPtr style, const TInput& input, const std::string& sheet) {
    BeginStep();
    XsltTransformContext ctxt(NewContext(style, input));
    if (!ctxt) return nullptr;
    if (!PassParams(ctxt.get())) Failed = true;
    int keyCount = 0;
    const std::string keys = input.Shared ? KeyDefinitionsOf(style, keyCount) : std::string();
    if (!keys.empty() && !LendKeyTables(ctxt.get(), keys, keyCount)) BuildKeyTables(ctxt.get(), keyCount);
    // Where libxslt would write into a shared input during the run (keys it builds itself,
    // generated ids, any run on the plain path), the run goes alone.
    std::unique_lock<std::mutex> alone;
    const bool libxsltBuildsKeys = DefinesKeys(style) && (keys.empty() || !AllKeysBuilt(ctxt.get(), keyCount));
    if (input.Shared && (!ShortcutsApply() || libxsltBuildsKeys || CallsGenerateId(style)))
        alone = Processor.InputCache->InputWritingLock();
    XmlDoc result;
    Transform = ctxt.get();
    {
        const TStopToken::TWatch watch(Processor.Stop, ctxt.get());
        if (!Failed && !Processor.Stop.Tripped())
            result.reset(xsltApplyStylesheetUser(style, input.Doc.get(), nullptr, nullptr, nullptr, ctxt.get()));
    }
    FlushText();
    Transform = nullptr;
    if (!result || ctxt->state != XSLT_STATE_OK || Failed) {
        FailStep("The transformation failed", {UnescapeUri(sheet), 0, {}});
        return nullptr;
    }
    if (!keys.empty()) KeepKeyTables(ctxt.get(), keys, keyCount);
    return result;
}

// Building a key's tables walks the whole input; over a kept input the run starts with the
// tables an earlier run of the same definitions built, as if it had built them itself. False
// when there were none.
bool TSablotRun::LendKeyTables(xsltTransformContextPtr ctxt, const std::string& definitions, int count) {
    std::optional<XsltKeyTables> kept = Processor.InputCache->TakeKeyTables(ctxt->document->doc, definitions);
    if (!kept) return false;
    ::LendKeyTables(ctxt, std::move(*kept), count);
    return true;
}

// Builds the tables before the run, one run at a time: libxslt marks the nodes a key matched
// in the input itself.
void TSablotRun::BuildKeyTables(xsltTransformContextPtr ctxt, int count) {
    const std::unique_lock lock = Processor.InputCache->InputWritingLock();
    const TStopToken::TWatch watch(Processor.Stop, ctxt);
    if (!Processor.Stop.Tripped()) ::BuildKeyTables(ctxt, count);
}

// Keeps the tables of a run that ended well once every key is built.
void TSablotRun::KeepKeyTables(xsltTransformContextPtr ctxt, const std::string& definitions, int count) {
    std::optional<XsltKeyTables> tables = ::TakeKeyTables(ctxt, count);
    if (tables) Processor.InputCache->KeepKeyTables(ctxt->document->doc, definitions, std::move(*tables));
}

// The run's string parameters, quoted so that their values reach the stylesheet literally.
bool TSablotRun::PassParams(xsltTransformContextPtr ctxt) {
    if (Processor.Params.empty()) return true;
    std::vector<const char*> params;
    for (const auto& [name, value] : Processor.Params) {
        params.push_back(name.c_str());
        params.push_back(value.c_str());
    }
    params.push_back(nullptr);
    return xsltQuoteUserParams(ctxt, params.data()) == 0;
}

bool TSablotRun::Serialise(xmlDocPtr result, xsltStylesheetPtr style, TSablotResult& serialised) {
    xmlChar* text = nullptr;
    int length = 0;
    const int saved = xsltSaveResultToString(&text, &length, result, style);
    XmlChars owned(text);
    // An encoder error (a character the output encoding cannot hold) leaves a cut text
    // behind: it fails the run rather than show half a page.
    if (saved != 0 || length < 0 || StepFirstError) {
        FailStep("The result cannot be serialised", {});
        return false;
    }
    const xmlChar* encoding = nullptr;
    XSLT_GET_IMPORT_PTR(encoding, style, encoding)
    serialised = {std::move(owned), static_cast<size_t>(length), WrittenEncoding(encoding)};
    return true;
}

// Normalises a URI and resolves a relative one against the processor's base.
std::string TSablotRun::Absolute(const std::string& uri) const {
    const std::string normal = NormaliseUri(uri);
    if (!UriScheme(normal).empty() || Processor.Base.empty()) return normal;
    XmlChars built(xmlBuildURI(BAD_CAST normal.c_str(), BAD_CAST Processor.Base.c_str()));
    if (built && !UriScheme(reinterpret_cast<const char*>(built.get())).empty())
        return reinterpret_cast<const char*>(built.get());
    // libxml2 rejects some bases (a drive letter as authority); the URI toolkit takes them.
    std::string resolved;
    if (ResolveUri(Processor.Base, normal, resolved)) return resolved;
    return normal;
}

// Reads a whole resource: an argument buffer, or whatever the scheme handler delivers.
// A failure is reported with the URI; when the resource is required, the run fails.
bool TSablotRun::Fetch(const std::string& uri, bool required, TFetched& fetched) {
    const std::string scheme = UriScheme(uri);
    const std::string display = UnescapeUri(uri);
    TReport failure{required ? MH_LEVEL_ERROR : MH_LEVEL_WARN,
                    CodeResourceUnreadable,
                    ProcessorModule,
                    {display, 0, {}},
                    "Cannot read the resource"};
    if (EqualsNoCase(scheme, "arg")) {
        if (const std::string* buffer = FindArgBuffer(Processor, uri)) {
            fetched.Bytes = *buffer;
            return true;
        }
        failure.Msg = "No argument buffer of that name";
    } else if (IsNetworkScheme(scheme)) {
        failure.Code = CodeNetworkRefused;
        failure.Msg = "Network access refused";
    } else if (Processor.Schemes == nullptr) {
        failure.Code = CodeNoScheme;
        failure.Msg = "No scheme handler";
    } else {
        const std::string rest = display.substr(scheme.empty() ? 0 : scheme.size() + 1);
        char* buffer = nullptr;
        int count = 0;
        const int status =
            Processor.Schemes->getAll(Processor.SchemesData, &Processor, scheme.c_str(), rest.c_str(), &buffer, &count);
        if (status == 0 && (buffer != nullptr || count == 0)) {
            fetched.Bytes =
                std::string_view(buffer != nullptr ? buffer : "", count > 0 ? static_cast<size_t>(count) : 0);
            if (buffer != nullptr)
                fetched.Release = [this, buffer] {
                    Processor.Schemes->freeMemory(Processor.SchemesData, &Processor, buffer);
                };
            return true;
        }
    }
    Report(failure);
    if (required) Failed = true;
    if (required && Transform != nullptr) Transform->state = XSLT_STATE_STOPPED;
    return false;
}

xmlDocPtr TSablotRun::ParseDocument(std::string_view bytes, const std::string& url, const char* what) {
    if (bytes.size() > static_cast<size_t>(INT32_MAX)) {
        FailStep("The resource is too large", {UnescapeUri(url), 0, {}});
        return nullptr;
    }
    // Read in chunks, as from a file, so that libxml2 holds no second copy of the whole text.
    TChunkReader reader{bytes, Processor.Stop};
    return ParseFrom(TChunkReader::Read, &reader, url, what);
}

// A kept input is read straight from its file in chunks: the whole text is never held.
XmlDoc TSablotRun::ReadFileDocument(const std::string& uri, const std::string& osPath, const char* what) {
    BeginStep();
    std::string path = osPath;
    if (Processor.ReadRule != nullptr) {
        std::optional<std::string> permitted = Processor.ReadRule->Permit(osPath);
        if (!permitted) {
            Report({MH_LEVEL_ERROR,
                    CodeResourceUnreadable,
                    ProcessorModule,
                    {UnescapeUri(uri), 0, {}},
                    Processor.ReadRule->RefusalText(osPath)});
            Failed = true;
            return nullptr;
        }
        path = std::move(*permitted);
    }
    TFileHandle file(IsRegularFile(path) ? std::fopen(path.c_str(), "rb") : nullptr);
    if (!file) {
        Report({MH_LEVEL_ERROR,
                CodeResourceUnreadable,
                ProcessorModule,
                {UnescapeUri(uri), 0, {}},
                "Cannot read the resource"});
        Failed = true;
        return nullptr;
    }
    TFileReader reader{file.get(), Processor.Stop};
    return XmlDoc(ParseFrom(TFileReader::Read, &reader, uri, what));
}

xmlDocPtr TSablotRun::ParseFrom(xmlInputReadCallback read, void* source, const std::string& url, const char* what) {
    xmlDocPtr doc = xmlReadIO(read, nullptr, source, url.c_str(), nullptr, SablotParseOptions);
    FlushText();
    if (doc == nullptr || Failed) {
        xmlFreeDoc(doc);
        FailStep(what, {UnescapeUri(url), 0, {}});
        return nullptr;
    }
    return doc;
}

// An "arg:" result stays in the processor under the name the caller wrote; any other goes
// out through the scheme handler.
bool TSablotRun::Deliver(const std::string& resultUri, TSablotResult&& result) {
    const std::string uri = Absolute(resultUri);
    const std::string scheme = UriScheme(uri);
    if (EqualsNoCase(scheme, "arg")) {
        Processor.Results[ArgNameOfUri(resultUri)] = std::move(result);
        return true;
    }
    const std::string_view bytes(result.Data(), result.Size);
    const std::string display = UnescapeUri(uri);
    TReport failure{MH_LEVEL_ERROR, CodeOutputUnwritable, ProcessorModule, {display, 0, {}}, "Cannot write the result"};
    if (Processor.Schemes == nullptr || IsNetworkScheme(scheme)) {
        Report(failure);
        return false;
    }
    const SchemeHandler& handler = *Processor.Schemes;
    const std::string rest = display.substr(scheme.empty() ? 0 : scheme.size() + 1);
    int handle = 0;
    if (handler.open(Processor.SchemesData, &Processor, scheme.c_str(), rest.c_str(), &handle) != 0) {
        Report(failure);
        return false;
    }
    bool ok = true;
    for (size_t done = 0; done < bytes.size();) {
        int count = static_cast<int>(std::min<size_t>(bytes.size() - done, 1 << 20));
        if (handler.put(Processor.SchemesData, &Processor, handle, bytes.data() + done, &count) != 0 || count <= 0) {
            ok = false;
            break;
        }
        done += static_cast<size_t>(count);
    }
    if (handler.close(Processor.SchemesData, &Processor, handle) != 0) ok = false;
    if (!ok) Report(failure);
    return ok;
}

xmlParserInputPtr TSablotRun::LoadEntity(const char* url, const char* publicId, xmlParserCtxtPtr ctxt) {
    // Inside a DTD a missing resource is a warning, as with xsltproc; elsewhere it fails the run.
    const bool required = ctxt == nullptr || ctxt->inSubset == 0;
    std::string uri = url != nullptr ? Absolute(url) : std::string();
    if (url == nullptr || IsNetworkScheme(UriScheme(uri))) {
        // A public DTD or entity that the system's catalogs map onto a local copy is read from there.
        XmlChars local(xmlCatalogResolve(BAD_CAST publicId, BAD_CAST url));
        if (local) uri = Absolute(reinterpret_cast<const char*>(local.get()));
    }
    if (uri.empty()) {
        Report({required ? MH_LEVEL_ERROR : MH_LEVEL_WARN,
                CodeResourceUnreadable,
                ProcessorModule,
                {},
                std::string("No system identifier for ") + (publicId != nullptr ? publicId : "an external resource")});
        if (required) Failed = true;
        return nullptr;
    }
    if (IsSheetSelfReference(uri)) return nullptr;  // document(''): libxslt uses the stylesheet itself
    TFetched bytes;
    if (!Fetch(uri, required, bytes) || bytes.Bytes.size() > static_cast<size_t>(INT32_MAX)) return nullptr;
    // The buffer copies the bytes, so the handler's buffer may go when this returns.
    xmlParserInputBufferPtr buffer =
        xmlParserInputBufferCreateMem(bytes.Bytes.data(), static_cast<int>(bytes.Bytes.size()), XML_CHAR_ENCODING_NONE);
    if (buffer == nullptr) return nullptr;
    xmlParserInputPtr input = xmlNewIOInputStream(ctxt, buffer, XML_CHAR_ENCODING_NONE);
    if (input == nullptr) {
        xmlFreeParserInputBuffer(buffer);
        return nullptr;
    }
    input->filename = reinterpret_cast<const char*>(xmlStrdup(BAD_CAST uri.c_str()));
    return input;
}

xmlDocPtr TSablotRun::LoadModule(const xmlChar* uri, xsltLoadType type, const std::function<xmlDocPtr()>& load) {
    TParsedInputCache* cache = Processor.InputCache;
    const std::string path = cache != nullptr && type == XSLT_LOAD_STYLESHEET && uri != nullptr
                                 ? KeptInputPath(reinterpret_cast<const char*>(uri))
                                 : std::string();
    if (path.empty()) return load();
    const std::string key = reinterpret_cast<const char*>(uri);
    if (XmlDoc kept = cache->CopyOfModule(key, path)) return kept.release();  // compiling changes it
    const std::optional<TFileIdentity> before = IdentityOfFile(path);
    xmlDocPtr doc = load();
    if (doc != nullptr && before) cache->KeepModule(key, path, *before, *doc);
    return doc;
}

bool TSablotRun::IsSheetSelfReference(const std::string& uri) const {
    return Transform != nullptr && !SheetDocUrl.empty() && uri == SheetDocUrl;
}

void TSablotRun::NoteInternalFailure(const char* what) {
    Failed = true;
    try {
        Report({MH_LEVEL_ERROR,
                CodeInternal,
                ProcessorModule,
                {},
                std::string("Internal error in ") + what + ": " + CaughtErrorText()});
    } catch (...) {
        // nothing more can be said; the run has failed all the same
    }
}
