#include "SablotRun.h"

#include <cstring>
#include <utility>
#include <vector>

#include "SablotCommon.h"

namespace {

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

// Errors raised by a parser context carry the column in int2; other domains use it otherwise.
bool HasParserColumn(int domain) {
    return domain == XML_FROM_PARSER || domain == XML_FROM_NAMESPACE || domain == XML_FROM_DTD ||
           domain == XML_FROM_HTML || domain == XML_FROM_IO || domain == XML_FROM_VALID;
}

bool IsXslMessage(xmlNodePtr node) {
    return node != nullptr && node->type == XML_ELEMENT_NODE && node->ns != nullptr &&
           xmlStrEqual(node->ns->href, XSLT_NAMESPACE) && xmlStrEqual(node->name, BAD_CAST "message");
}

// The value libxslt stops on: exactly "yes" (any other value but "no" is an error of its own).
bool Terminates(xmlNodePtr message) {
    XmlChars value(xmlGetProp(message, BAD_CAST "terminate"));
    return value && xmlStrEqual(value.get(), BAD_CAST "yes");
}

// libxslt announces where an error happened in a line of its own before the message:
// "runtime error: file URL line N element NAME" (each part optional), or just "error"
// when it knows no place.
bool ParseContextLine(const std::string& text, std::string& url, long& line, std::string& node) {
    static const char* const Kinds[] = {"runtime error", "compilation error", "error"};
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
            for (; end < rest.size() && rest[end] >= '0' && rest[end] <= '9'; ++end)
                if (line < 100000000) line = line * 10 + (rest[end] - '0');
            rest = end < rest.size() ? rest.substr(end + 1) : std::string();
        }
        if (rest.compare(0, 8, "element ") == 0) {
            node = rest.substr(8);
            rest.clear();
        }
        return rest.empty();  // anything else is a message that happens to start like one
    }
    return false;
}

}  // namespace

void TSablotRun::OnStructuredError(const xmlError& error) {
    FlushText();
    TReport report;
    report.Level = error.level == XML_ERR_WARNING ? MH_LEVEL_WARN : MH_LEVEL_ERROR;
    // libxml2 goes on with a cut or empty string after a refused block: the run has failed.
    if (error.code == XML_ERR_NO_MEMORY) Failed = true;
    report.Code = error.code;
    report.Module = DomainName(error.domain);
    report.Msg = TrimEnd(TextOf(error.message));
    if (error.domain == XML_FROM_XPATH && error.str1 != nullptr) report.Msg += std::string(": ") + error.str1;
    if (error.file != nullptr) {
        report.Where.Uri = DisplayUri(error.file);
        report.Where.Line = error.line;
        if (HasParserColumn(error.domain)) report.Where.Column = error.int2;
        const auto node = static_cast<xmlNodePtr>(error.node);
        if (node != nullptr && node->type == XML_ELEMENT_NODE)
            report.Where.Node = reinterpret_cast<const char*>(node->name);
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
    std::string url, node;
    long line = 0;
    const bool contextLine = ParseContextLine(text, url, line, node);
    // An xsl:message's own text, unless libxslt reports an error about the instruction itself
    // (a context line naming it, then the error).
    if (IsXslMessage(PendingInst) && !Context && !(contextLine && node == "message")) {
        // A terminating message is an error (libxslt stops the run), any other is information.
        report.Module = "xsl:message";
        report.Level = Terminates(PendingInst) ? MH_LEVEL_ERROR : MH_LEVEL_INFO;
        report.Where = LocationOf(PendingInst);
        report.Where.Node.clear();  // the module already names the instruction
        Report(report);
        return;
    }
    if (contextLine) {
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
    ReleaseReports(Failed);
    StepFirstError.reset();
    StepFirstLocation.reset();
    ReportsAfterFirstError = 0;
}

// Ends a failed step with its cause: the first error it reported, repeated when later
// reports (usually consequences of it) followed, or the fallback text when it reported none.
void TSablotRun::FailStep(const std::string& fallback, const TLocation& where) {
    FlushText();
    Failed = true;
    const bool followed = ReportsAfterFirstError > 0 || StepReportsDropped > 0;
    ReleaseReports(true);
    if (!StepFirstError) {
        Send({MH_LEVEL_ERROR, CodeStepFailed, ProcessorModule, where, fallback});
    } else if (followed) {
        TReport cause = *StepFirstError;
        if (cause.Where.Uri.empty() && StepFirstLocation) cause.Where = *StepFirstLocation;
        Send(cause);
    }
}

void TSablotRun::Report(const TReport& report) {
    if (StepFirstError) ++ReportsAfterFirstError;
    if (report.Level >= MH_LEVEL_ERROR && !StepFirstError) StepFirstError = report;
    if (!report.Where.Uri.empty() && !StepFirstLocation && StepFirstError) StepFirstLocation = report.Where;
    if (StepReports.size() < MaxStepReports)
        StepReports.push_back(report);
    else
        ++StepReportsDropped;
}

// Sends the reports held for the step. libxslt and libxml2 call everything an error, also
// what they recover from (an unknown instruction, a document() that does not parse): what
// did not stop the step is sent as a warning.
void TSablotRun::ReleaseReports(bool stepFailed) {
    std::vector<TReport> reports = std::move(StepReports);
    StepReports.clear();
    const size_t dropped = std::exchange(StepReportsDropped, 0);
    for (TReport& report : reports) {
        if (!stepFailed && report.Level == MH_LEVEL_ERROR) report.Level = MH_LEVEL_WARN;
        Send(report);
    }
    if (dropped > 0)
        Send({MH_LEVEL_WARN, CodeStepFailed, ProcessorModule, {}, std::to_string(dropped) + " more messages left out"});
}

// Hands a report to the message handler as a field list.
void TSablotRun::Send(const TReport& report) {
    const MessageHandler* handler = Processor.Messages;
    if (handler == nullptr || handler->error == nullptr) return;
    std::vector<std::string> entries;
    entries.push_back(std::string("msgtype:") + MessageLevelWord(report.Level));
    int code = report.Code;
    if (handler->makeCode != nullptr)
        code = handler->makeCode(Processor.MessagesData, &Processor, report.Level, 0,
                                 static_cast<unsigned short>(report.Code));
    entries.push_back("code:" + std::to_string(code));
    entries.push_back("module:" + report.Module);
    if (!report.Where.Uri.empty()) entries.push_back("URI:" + report.Where.Uri);
    if (report.Where.Line > 0) entries.push_back("line:" + std::to_string(report.Where.Line));
    if (report.Where.Line > 0 && report.Where.Column > 0)
        entries.push_back("column:" + std::to_string(report.Where.Column));
    if (!report.Where.Node.empty()) entries.push_back("node:" + report.Where.Node);
    entries.push_back("msg:" + report.Msg);
    std::vector<const char*> fields;
    for (const std::string& entry : entries)
        fields.push_back(entry.c_str());
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
