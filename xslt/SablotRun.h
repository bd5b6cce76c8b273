#pragma once
// One run of a processor on libxslt: loads the stylesheet and the input (argument buffers
// or the scheme handler), transforms, and keeps or writes the result. While it runs, the
// libxml2/libxslt hooks of its thread lead to it. Its processor's stop token ends it early.
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <libxml/parser.h>
#include <libxml/xmlerror.h>
#include <libxslt/documents.h>
#include <libxslt/xsltInternals.h>

#include "SablotInternals.h"

class TSablotRun {
public:
    explicit TSablotRun(TSablotProcessor& processor);
    TSablotRun(const TSablotRun&) = delete;
    TSablotRun& operator=(const TSablotRun&) = delete;

    // Returns 0 when the result was produced and delivered.
    int Execute(const std::string& sheetUri, const std::string& inputUri, const std::string& resultUri);
    // Builds the key tables of the stylesheet over the kept input, for the runs to come.
    int PrepareKeys(const std::string& sheetUri, const std::string& inputUri);

    // Entry points of the C hooks (never throw).
    void OnStructuredError(const xmlError& error);
    void OnText(const std::string& text);
    xmlParserInputPtr LoadEntity(const char* url, const char* publicId, xmlParserCtxtPtr ctxt);
    bool IsSheetSelfReference(const std::string& uri) const;
    // A document libxslt asks for: a stylesheet module kept from an earlier run while its file
    // is unchanged, else what load reads (and the module is kept).
    xmlDocPtr LoadModule(const xmlChar* uri, xsltLoadType type, const std::function<xmlDocPtr()>& load);
    // Called inside a catch block: fails the run with a report that keeps the error's text.
    void NoteInternalFailure(const char* what);
    bool WasStopped() const { return Stopped; }

private:
    struct TLocation {
        std::string Uri;
        long Line = 0;
        std::string Node;
        int Column = 0;  // 0 when libxml2 gives none
    };
    struct TReport {
        int Level = MH_LEVEL_ERROR;
        int Code = 0;
        std::string Module;
        TLocation Where;
        std::string Msg;
    };

    // The bytes of a resource; a buffer of the scheme handler is handed back when this goes.
    struct TFetched {
        std::string_view Bytes;
        std::function<void()> Release;
        TFetched() = default;
        TFetched(const TFetched&) = delete;
        TFetched& operator=(const TFetched&) = delete;
        ~TFetched() {
            if (Release) Release();
        }
    };

    // The input of the run: its own, or a kept one shared with other runs.
    struct TInput {
        TSharedDoc Doc;
        bool Shared = false;
    };

    int Guarded(const std::function<bool()>& steps);
    bool RunSteps(const std::string& sheetUri, const std::string& inputUri, const std::string& resultUri);
    bool KeySteps(const std::string& sheetUri, const std::string& inputUri);
    xsltTransformContextPtr NewContext(xsltStylesheetPtr style, const TInput& input);
    XmlDoc LoadDocument(const std::string& uri, const char* what);
    TInput LoadInput(const std::string& uri, xsltStylesheetPtr style);
    std::string KeptInputPath(const std::string& uri) const;
    XsltStylesheet CompileStylesheet(const std::string& sheet);
    void NameBufferedStylesheet(xmlDoc& sheetDoc, const std::string& sheet);
    XmlDoc ApplyStylesheet(xsltStylesheetPtr style, const TInput& input, const std::string& sheet);
    bool PassParams(xsltTransformContextPtr ctxt);
    bool LendKeyTables(xsltTransformContextPtr ctxt, const std::string& definitions, int count);
    void BuildKeyTables(xsltTransformContextPtr ctxt, int count);
    void KeepKeyTables(xsltTransformContextPtr ctxt, const std::string& definitions, int count);
    std::string Absolute(const std::string& uri) const;
    bool Fetch(const std::string& uri, bool required, TFetched& fetched);
    xmlDocPtr ParseDocument(std::string_view bytes, const std::string& url, const char* what);
    XmlDoc ReadFileDocument(const std::string& uri, const std::string& osPath, const char* what);
    xmlDocPtr ParseFrom(xmlInputReadCallback read, void* source, const std::string& url, const char* what);
    bool Serialise(xmlDocPtr result, xsltStylesheetPtr style, TSablotResult& serialised);
    bool Deliver(const std::string& resultUri, TSablotResult&& result);

    void BeginStep();
    void FailStep(const std::string& fallback, const TLocation& where);
    void Report(const TReport& report);
    void ReleaseReports(bool stepFailed);
    void Send(const TReport& report);
    void FlushText();
    std::string DisplayUri(const char* url) const;
    TLocation LocationOf(xmlNodePtr node) const;

    TSablotProcessor& Processor;
    xsltTransformContextPtr Transform = nullptr;  // while the transformation runs
    std::string SheetDocUrl;                      // URL given to a stylesheet from a buffer
    std::string SheetDisplay;                     // "arg:/name" for that stylesheet
    bool Failed = false;
    bool Stopped = false;        // a stop was asked for while this run went on
    bool KeptInputUsed = false;  // the kept parse of the input served this run

    std::string PendingText;  // generic error text up to its line end
    xmlNodePtr PendingInst = nullptr;
    std::optional<TLocation> Context;  // from a "runtime error: file ..." line
    std::optional<TReport> StepFirstError;
    std::optional<TLocation> StepFirstLocation;
    int ReportsAfterFirstError = 0;
    // The reports of the current step, held until it ends: an error that did not stop the
    // step is sent as a warning. Beyond the limit they are only counted.
    std::vector<TReport> StepReports;
    size_t StepReportsDropped = 0;
};
