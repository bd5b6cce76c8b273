#include "SablotRun.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <vector>

#include <libxml/catalog.h>
#include <libxml/parserInternals.h>
#include <libxml/uri.h>
#include <libxslt/imports.h>
#include <libxslt/security.h>
#include <libxslt/transform.h>
#include <libxslt/variables.h>
#include <libxslt/xsltutils.h>

#include "XmlOwners.h"
#include "sabutils.h"

namespace {

// The run whose hooks are installed on this thread; runs nest (a callback may start another).
thread_local TSablotRun* CurrentRun = nullptr;

// xsltproc's parse options, without network access.
constexpr int ParseOptions = XSLT_PARSE_OPTIONS | XML_PARSE_NONET;

// Codes of the processor's own reports.
enum : int {
    CodeResourceUnreadable = 1,
    CodeNetworkRefused = 2,
    CodeNoScheme = 3,
    CodeOutputUnwritable = 4,
    CodeStepFailed = 5,
    CodeInternal = 6,
};

const char* const ProcessorModule = "Processor";

bool IsNetworkScheme(const std::string& scheme) {
    return SameScheme(scheme, "http") || SameScheme(scheme, "https") || SameScheme(scheme, "ftp");
}

std::string TrimEnd(std::string text) {
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' ' || text.back() == '\t'))
        text.pop_back();
    return text;
}

const char* DomainName(int domain) {
    switch (domain) {
    case XML_FROM_PARSER: return "XML parser";
    case XML_FROM_NAMESPACE: return "namespace";
    case XML_FROM_DTD: return "DTD";
    case XML_FROM_IO: return "I/O";
    case XML_FROM_XPATH: return "XPath";
    case XML_FROM_XPOINTER: return "XPointer";
    case XML_FROM_XSLT: return "XSLT";
    case XML_FROM_VALID: return "validity";
    case XML_FROM_URI: return "URI";
    case XML_FROM_CATALOG: return "catalog";
    case XML_FROM_HTML: return "HTML parser";
    case XML_FROM_I18N: return "encoding";
    default: return "XML";
    }
}

bool IsXslMessage(xmlNodePtr node) {
    return node != nullptr && node->type == XML_ELEMENT_NODE && node->ns != nullptr &&
           xmlStrEqual(node->ns->href, XSLT_NAMESPACE) && xmlStrEqual(node->name, BAD_CAST "message");
}

bool Terminates(xmlNodePtr message) {
    XmlChars value(xmlGetProp(message, BAD_CAST "terminate"));
    if (!value) return false;
    std::string text(reinterpret_cast<const char*>(value.get()));
    const size_t first = text.find_first_not_of(" \t\r\n");
    const size_t last = text.find_last_not_of(" \t\r\n");
    return first != std::string::npos && text.substr(first, last - first + 1) == "yes";
}

// libxslt announces where an error happened in a line of its own before the message:
// "runtime error: file URL line N element NAME" (each part optional).
bool ParseContextLine(const std::string& text, std::string& url, long& line, std::string& node) {
    static const char* const Kinds[] = {"runtime error", "compilation error"};
    for (const char* kind : Kinds) {
        const size_t kindLength = std::strlen(kind);
        if (text.compare(0, kindLength, kind) != 0) continue;
        std::string rest = text.substr(kindLength);
        url.clear();
        node.clear();
        line = 0;
        if (rest.empty()) return true;
        if (rest.compare(0, 2, ": ") != 0) return false;
        rest.erase(0, 2);
        if (rest.compare(0, 5, "file ") == 0) {
            const size_t end = rest.find(' ', 5);
            url = rest.substr(5, end == std::string::npos ? std::string::npos : end - 5);
            rest = end == std::string::npos ? std::string() : rest.substr(end + 1);
        }
        if (rest.compare(0, 5, "line ") == 0) {
            size_t end = 5;
            while (end < rest.size() && rest[end] >= '0' && rest[end] <= '9') line = line * 10 + (rest[end++] - '0');
            rest = end < rest.size() ? rest.substr(end + 1) : std::string();
        }
        if (rest.compare(0, 8, "element ") == 0) node = rest.substr(8);
        return true;
    }
    return false;
}

// ---- C hooks: each one enters the current run and lets no exception out. ----

void TextHook(void*, const char* format, ...) {
    TSablotRun* run = CurrentRun;
    if (run == nullptr || format == nullptr) return;
    try {
        va_list args;
        va_start(args, format);
        va_list copy;
        va_copy(copy, args);
        const int length = std::vsnprintf(nullptr, 0, format, copy);
        va_end(copy);
        std::string text(length > 0 ? static_cast<size_t>(length) : 0, '\0');
        if (length > 0) std::vsnprintf(text.data(), text.size() + 1, format, args);
        va_end(args);
        run->OnText(text);
    } catch (...) {
        run->NoteInternalFailure("error text");
    }
}

void StructuredHook(void*, xmlErrorPtr error) {
    TSablotRun* run = CurrentRun;
    if (run == nullptr || error == nullptr) return;
    try {
        run->OnStructuredError(*error);
    } catch (...) {
        run->NoteInternalFailure("error report");
    }
}

xmlParserInputPtr EntityLoaderHook(const char* url, const char* publicId, xmlParserCtxtPtr ctxt) {
    TSablotRun* run = CurrentRun;
    if (run == nullptr) return nullptr;
    try {
        return run->LoadEntity(url, publicId, ctxt);
    } catch (...) {
        run->NoteInternalFailure("resource loading");
        return nullptr;
    }
}

// Reads by a non-file scheme: the scheme handler serves them, except network schemes.
int NetworkReadCheck(xsltSecurityPrefsPtr, xsltTransformContextPtr, const char* value) {
    try {
        return value != nullptr && IsNetworkScheme(UriScheme(value)) ? 0 : 1;
    } catch (...) {
        return 0;
    }
}

XsltSecurityPrefs MakeSecurityPrefs() {
    XsltSecurityPrefs sec(xsltNewSecurityPrefs());
    if (sec) {
        xsltSetSecurityPrefs(sec.get(), XSLT_SECPREF_WRITE_FILE, xsltSecurityForbid);
        xsltSetSecurityPrefs(sec.get(), XSLT_SECPREF_CREATE_DIRECTORY, xsltSecurityForbid);
        xsltSetSecurityPrefs(sec.get(), XSLT_SECPREF_WRITE_NETWORK, xsltSecurityForbid);
        xsltSetSecurityPrefs(sec.get(), XSLT_SECPREF_READ_NETWORK, NetworkReadCheck);
    }
    return sec;
}

// Installs the run's hooks for its lifetime and puts back whatever was there before.
class TRunHooks {
public:
    TRunHooks(TSablotRun* run, xsltSecurityPrefsPtr sec)
        : PrevRun(CurrentRun),
          PrevGeneric(xmlGenericError),
          PrevGenericContext(xmlGenericErrorContext),
          PrevStructured(xmlStructuredError),
          PrevStructuredContext(xmlStructuredErrorContext),
          PrevXslt(xsltGenericError),
          PrevXsltContext(xsltGenericErrorContext),
          PrevLoader(xmlGetExternalEntityLoader()),
          PrevSecurity(xsltGetDefaultSecurityPrefs()) {
        CurrentRun = run;
        xmlSetGenericErrorFunc(nullptr, TextHook);
        xmlSetStructuredErrorFunc(nullptr, StructuredHook);
        xsltSetGenericErrorFunc(nullptr, TextHook);
        xmlSetExternalEntityLoader(EntityLoaderHook);
        xsltSetDefaultSecurityPrefs(sec);
    }
    ~TRunHooks() {
        xsltSetDefaultSecurityPrefs(PrevSecurity);
        xmlSetExternalEntityLoader(PrevLoader);
        xsltSetGenericErrorFunc(PrevXsltContext, PrevXslt);
        xmlSetStructuredErrorFunc(PrevStructuredContext, PrevStructured);
        xmlSetGenericErrorFunc(PrevGenericContext, PrevGeneric);
        CurrentRun = PrevRun;
    }
    TRunHooks(const TRunHooks&) = delete;
    TRunHooks& operator=(const TRunHooks&) = delete;

private:
    TSablotRun* PrevRun;
    xmlGenericErrorFunc PrevGeneric;
    void* PrevGenericContext;
    xmlStructuredErrorFunc PrevStructured;
    void* PrevStructuredContext;
    xmlGenericErrorFunc PrevXslt;
    void* PrevXsltContext;
    xmlExternalEntityLoader PrevLoader;
    xsltSecurityPrefsPtr PrevSecurity;
};

}  // namespace

TSablotRun::TSablotRun(TSablotProcessor& processor) : Processor(processor) {}

int TSablotRun::Execute(const std::string& sheetUri, const std::string& inputUri, const std::string& resultUri) {
    XsltSecurityPrefs sec = MakeSecurityPrefs();
    if (!sec) return SABLOT_RUN_FAILED;
    bool ok = false;
    {
        TRunHooks hooks(this, sec.get());
        try {
            ok = RunSteps(sheetUri, inputUri, resultUri);
        } catch (...) {
            NoteInternalFailure("the run");
            ok = false;
        }
        FlushText();
    }
    return ok && !Failed ? SABLOT_OK : SABLOT_RUN_FAILED;
}

bool TSablotRun::RunSteps(const std::string& sheetUri, const std::string& inputUri, const std::string& resultUri) {
    // The stylesheet: a buffer gets the processor's base as its URL, so that its
    // includes, imports and document() calls resolve against that base.
    const std::string sheet = Absolute(sheetUri);
    const bool sheetFromArg = SameScheme(UriScheme(sheet), "arg");
    BeginStep();
    XmlDoc sheetDoc;
    {
        TFetched bytes;
        if (!Fetch(sheet, true, bytes)) return false;
        sheetDoc.reset(ParseDocument(bytes.Bytes, sheet, "The stylesheet does not parse"));
    }
    if (!sheetDoc) return false;
    if (sheetFromArg && !Processor.Base.empty()) {
        SheetDocUrl = Processor.Base;
        SheetDisplay = UnescapeUri(sheet);
        xmlFree(const_cast<xmlChar*>(sheetDoc->URL));
        sheetDoc->URL = xmlStrdup(BAD_CAST SheetDocUrl.c_str());
    }

    BeginStep();
    XsltStylesheet style(xsltParseStylesheetDoc(sheetDoc.get()));
    if (style) sheetDoc.release();  // the stylesheet owns its document from now on
    if (!style || style->errors != 0 || Failed) {
        FailStep("The stylesheet cannot be compiled", {UnescapeUri(sheet), 0, {}});
        return false;
    }

    const std::string input = Absolute(inputUri);
    BeginStep();
    XmlDoc inputDoc;
    {
        TFetched bytes;
        if (!Fetch(input, true, bytes)) return false;
        inputDoc.reset(ParseDocument(bytes.Bytes, input, "The input does not parse"));
    }
    if (!inputDoc) return false;

    BeginStep();
    XsltTransformContext ctxt(xsltNewTransformContext(style.get(), inputDoc.get()));
    if (!ctxt) {
        FailStep("The transformation cannot start", {});
        return false;
    }
    xsltSetCtxtSecurityPrefs(xsltGetDefaultSecurityPrefs(), ctxt.get());
    xsltSetCtxtParseOptions(ctxt.get(), ParseOptions);
    xsltSetTransformErrorFunc(ctxt.get(), nullptr, TextHook);
    if (!Processor.Params.empty()) {
        std::vector<const char*> params;
        for (const auto& [name, value] : Processor.Params) {
            params.push_back(name.c_str());
            params.push_back(value.c_str());
        }
        params.push_back(nullptr);
        if (xsltQuoteUserParams(ctxt.get(), params.data()) != 0) Failed = true;
    }
    Transform = ctxt.get();
    XmlDoc result(Failed ? nullptr : xsltApplyStylesheetUser(style.get(), inputDoc.get(), nullptr, nullptr, nullptr,
                                                              ctxt.get()));
    FlushText();
    Transform = nullptr;
    if (!result || ctxt->state != XSLT_STATE_OK || Failed) {
        FailStep("The transformation failed", {UnescapeUri(sheet), 0, {}});
        return false;
    }

    BeginStep();
    xmlChar* text = nullptr;
    int length = 0;
    const int saved = xsltSaveResultToString(&text, &length, result.get(), style.get());
    XmlChars owned(text);
    if (saved != 0 || length < 0) {
        FailStep("The result cannot be serialised", {});
        return false;
    }
    const xmlChar* encoding = nullptr;
    XSLT_GET_IMPORT_PTR(encoding, style.get(), encoding)
    return Deliver(Absolute(resultUri),
                   {std::move(owned), static_cast<size_t>(length), encoding ? reinterpret_cast<const char*>(encoding) : "UTF-8"});
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
    TReport failure{required ? MH_LEVEL_ERROR : MH_LEVEL_WARN, CodeResourceUnreadable, ProcessorModule,
                    {display, 0, {}}, "Cannot read the resource"};
    if (SameScheme(scheme, "arg")) {
        const auto found = Processor.ArgBuffers.find(ArgNameOfUri(uri));
        if (found != Processor.ArgBuffers.end()) {
            fetched.Bytes = found->second;
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
        const int status = Processor.Schemes->getAll(Processor.SchemesData, &Processor, scheme.c_str(), rest.c_str(),
                                                      &buffer, &count);
        if (status == 0 && (buffer != nullptr || count == 0)) {
            fetched.Bytes = std::string_view(buffer != nullptr ? buffer : "", count > 0 ? static_cast<size_t>(count) : 0);
            if (buffer != nullptr) fetched.Release = [this, buffer] {
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
    xmlDocPtr doc = xmlReadMemory(bytes.data(), static_cast<int>(bytes.size()), url.c_str(), nullptr, ParseOptions);
    FlushText();
    if (doc == nullptr || Failed) {
        xmlFreeDoc(doc);
        FailStep(what, {UnescapeUri(url), 0, {}});
        return nullptr;
    }
    return doc;
}

// An "arg:" result stays in the processor; any other goes out through the scheme handler.
bool TSablotRun::Deliver(const std::string& uri, TSablotResult&& result) {
    const std::string scheme = UriScheme(uri);
    if (SameScheme(scheme, "arg")) {
        Processor.Results[ArgNameOfUri(uri)] = std::move(result);
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
        Report({required ? MH_LEVEL_ERROR : MH_LEVEL_WARN, CodeResourceUnreadable, ProcessorModule, {},
                std::string("No system identifier for ") + (publicId != nullptr ? publicId : "an external resource")});
        if (required) Failed = true;
        return nullptr;
    }
    if (IsSheetSelfReference(uri)) return nullptr;  // document(''): libxslt uses the stylesheet itself
    TFetched bytes;
    if (!Fetch(uri, required, bytes) || bytes.Bytes.size() > static_cast<size_t>(INT32_MAX)) return nullptr;
    // The buffer copies the bytes, so the handler's buffer may go when this returns.
    xmlParserInputBufferPtr buffer = xmlParserInputBufferCreateMem(
        bytes.Bytes.data(), static_cast<int>(bytes.Bytes.size()), XML_CHAR_ENCODING_NONE);
    if (buffer == nullptr) return nullptr;
    xmlParserInputPtr input = xmlNewIOInputStream(ctxt, buffer, XML_CHAR_ENCODING_NONE);
    if (input == nullptr) {
        xmlFreeParserInputBuffer(buffer);
        return nullptr;
    }
    input->filename = reinterpret_cast<const char*>(xmlStrdup(BAD_CAST uri.c_str()));
    return input;
}

bool TSablotRun::IsSheetSelfReference(const std::string& uri) const {
    return Transform != nullptr && !SheetDocUrl.empty() && uri == SheetDocUrl;
}

void TSablotRun::NoteInternalFailure(const char* what) {
    Failed = true;
    try {
        Report({MH_LEVEL_ERROR, CodeInternal, ProcessorModule, {}, std::string("Internal error in ") + what});
    } catch (...) {
    }
}

void TSablotRun::OnStructuredError(const xmlError& error) {
    FlushText();
    TReport report;
    report.Level = error.level == XML_ERR_WARNING ? MH_LEVEL_WARN : MH_LEVEL_ERROR;
    report.Code = error.code;
    report.Module = DomainName(error.domain);
    report.Msg = TrimEnd(error.message != nullptr ? error.message : "");
    if (error.domain == XML_FROM_XPATH && error.str1 != nullptr) report.Msg += std::string(": ") + error.str1;
    if (error.file != nullptr) {
        report.Where.Uri = DisplayUri(error.file);
        report.Where.Line = error.line;
        const auto node = static_cast<xmlNodePtr>(error.node);
        if (node != nullptr && node->type == XML_ELEMENT_NODE) report.Where.Node = reinterpret_cast<const char*>(node->name);
    } else if (Transform != nullptr && Transform->inst != nullptr) {
        report.Where = LocationOf(Transform->inst);
    }
    Report(report);
}

// libxslt writes its messages in pieces; a message is complete at its line end.
void TSablotRun::OnText(const std::string& text) {
    if (PendingText.empty()) PendingInst = Transform != nullptr ? Transform->inst : nullptr;
    PendingText += text;
    if (!PendingText.empty() && PendingText.back() == '\n') FlushText();
}

void TSablotRun::FlushText() {
    if (PendingText.empty()) return;
    const std::string text = TrimEnd(std::move(PendingText));
    PendingText.clear();
    TReport report{MH_LEVEL_ERROR, 0, "XSLT", {}, text};
    if (IsXslMessage(PendingInst)) {
        // xsl:message: a terminating one is an error (libxslt stops the run), any other is information.
        report.Module = "xsl:message";
        report.Level = Terminates(PendingInst) ? MH_LEVEL_ERROR : MH_LEVEL_INFO;
        report.Where = LocationOf(PendingInst);
        Report(report);
        return;
    }
    std::string url, node;
    long line = 0;
    if (ParseContextLine(text, url, line, node)) {
        Context = TLocation{url.empty() ? std::string() : DisplayUri(url.c_str()), line, node};
        return;
    }
    if (text.empty()) return;
    if (Context) {
        report.Where = *Context;
        Context.reset();
    } else if (PendingInst != nullptr) {
        report.Where = LocationOf(PendingInst);
    }
    Report(report);
}

void TSablotRun::BeginStep() {
    FlushText();
    StepFirstError.reset();
    StepFirstLocation.reset();
    ReportsAfterFirstError = 0;
}

// Ends a failed step with its cause: the first error it reported, repeated when later
// reports (usually consequences of it) followed, or the fallback text when it reported none.
void TSablotRun::FailStep(const std::string& fallback, const TLocation& where) {
    FlushText();
    Failed = true;
    if (!StepFirstError) {
        Report({MH_LEVEL_ERROR, CodeStepFailed, ProcessorModule, where, fallback});
    } else if (ReportsAfterFirstError > 0) {
        TReport cause = *StepFirstError;
        if (cause.Where.Uri.empty() && StepFirstLocation) cause.Where = *StepFirstLocation;
        Report(cause);
    }
}

void TSablotRun::Report(const TReport& report) {
    if (StepFirstError) ++ReportsAfterFirstError;
    if (report.Level >= MH_LEVEL_ERROR && !StepFirstError) StepFirstError = report;
    if (!report.Where.Uri.empty() && !StepFirstLocation && StepFirstError) StepFirstLocation = report.Where;
    Send(report);
}

// Hands a report to the message handler as a field list.
void TSablotRun::Send(const TReport& report) {
    const MessageHandler* handler = Processor.Messages;
    if (handler == nullptr || handler->error == nullptr) return;
    static const char* const LevelWords[] = {"debug", "info", "warning", "error", "critical"};
    std::vector<std::string> entries;
    entries.push_back(std::string("msgtype:") + LevelWords[report.Level]);
    int code = report.Code;
    if (handler->makeCode != nullptr)
        code = handler->makeCode(Processor.MessagesData, &Processor, report.Level, 0,
                                 static_cast<unsigned short>(report.Code));
    entries.push_back("code:" + std::to_string(code));
    entries.push_back("module:" + report.Module);
    if (!report.Where.Uri.empty()) entries.push_back("URI:" + report.Where.Uri);
    if (report.Where.Line > 0) entries.push_back("line:" + std::to_string(report.Where.Line));
    if (!report.Where.Node.empty()) entries.push_back("node:" + report.Where.Node);
    entries.push_back("msg:" + report.Msg);
    std::vector<const char*> fields;
    for (const std::string& entry : entries) fields.push_back(entry.c_str());
    fields.push_back(nullptr);
    handler->error(Processor.MessagesData, &Processor, code, static_cast<MH_LEVEL>(report.Level), fields.data());
}

std::string TSablotRun::DisplayUri(const char* url) const {
    if (!SheetDocUrl.empty() && SheetDocUrl == url) return SheetDisplay;
    return UnescapeUri(url);
}

TSablotRun::TLocation TSablotRun::LocationOf(xmlNodePtr node) const {
    TLocation where;
    if (node == nullptr) return where;
    if (node->doc != nullptr && node->doc->URL != nullptr)
        where.Uri = DisplayUri(reinterpret_cast<const char*>(node->doc->URL));
    where.Line = xmlGetLineNo(node);
    if (node->type == XML_ELEMENT_NODE && node->name != nullptr) where.Node = reinterpret_cast<const char*>(node->name);
    return where;
}
