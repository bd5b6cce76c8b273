#include "Transformation.h"

#include <cstdlib>
#include <exception>
#include <memory>
#include <optional>

#include "BookFolders.h"
#include "Log.h"
#include "SplitURI.h"
#include "CaughtErrorText.h"
#include "TSablotEngine.h"
#include "sabutils.h"

TStopwatch StopwatchState;

namespace {

// An error text is shown as a page: its angle brackets must read as text, not markup.
std::string EscapeAngles(const std::string& text) {
    std::string escaped;
    escaped.reserve(text.size());
    for (char c : text) {
        if (c == '<')
            escaped += "&lt;";
        else if (c == '>')
            escaped += "&gt;";
        else
            escaped += c;
    }
    return escaped;
}

// A URI of the scheme "arg" names an in-memory buffer: register the text under the
// URI's document name and address it the way the processor does ("arg:/name").
std::string PrepareUri(TSablotEngine& engine, const std::string& uri, const std::string& text) {
    const TSplittedURI parts = SplitURI(uri);
    if (parts.Scheme != "arg") return uri;
    engine.AddArgBuffer(parts.Document, text);
    return parts.Scheme + ":/" + parts.Document;
}

// The processor's warnings and errors go to the log with their place ("file:line:column: "); its
// other messages (xsl:message, with the instruction's file and line) as progress. The scheme
// handlers' trace lines stay out.
void LogProcessorMessages(TSablotEngine& engine) {
    const auto logAt = [](TLogLevel level) {
        return [level](TSablotEngine&, int32_t, TSErrorFields fields) { WriteLog(BuildMessageText(fields), level); };
    };
    engine.OnMsgInfo = logAt(TLogLevel::Info);
    engine.OnMsgWarning = logAt(TLogLevel::Warning);
    engine.OnMsgError = logAt(TLogLevel::Error);
    engine.OnMsgCritical = logAt(TLogLevel::Error);
}

// The value of a "name:value" entry of an error's fields; "" when there is none.
std::string FieldValue(TSErrorFields fields, const std::string& name) {
    for (int i = 0; fields != nullptr && i < MaxErrorFields && fields[i] != nullptr; ++i) {
        const std::string entry = fields[i];
        if (entry.size() > name.size() && entry.compare(0, name.size(), name) == 0 && entry[name.size()] == ':')
            return entry.substr(name.size() + 1);
    }
    return {};
}

// The failure the run ends with is its last error: its place is kept for the page that says so.
void NoteFailurePlace(TSablotEngine& engine, TBookPage& page) {
    for (TSErrorEvent* event : {&engine.OnMsgError, &engine.OnMsgCritical}) {
        *event = [&page, log = *event](TSablotEngine& sender, int32_t code, TSErrorFields fields) {
            if (log) log(sender, code, fields);
            page.FailedUri = FieldValue(fields, "URI");
            const std::string line = FieldValue(fields, "line");
            page.FailedLine = line.empty() ? 0 : std::strtol(line.c_str(), nullptr, 10);
            const std::string column = FieldValue(fields, "column");
            page.FailedColumn = column.empty() ? 0 : static_cast<int>(std::strtol(column.c_str(), nullptr, 10));
        };
    }
}

// An engine for one transformation: the stylesheet and the input as buffers or URIs, the
// book's root as the base, its kept parse and its read rule, the result read from "arg://output".
void SetUpEngine(TSablotEngine& engine, const std::string& inputUri, const std::string& styleUri, const TArgs& args,
                 const TBookInfo& book, const TStopToken& stop) {
    engine.SetStopToken(stop);
    engine.ShowDebug = true;
    LogProcessorMessages(engine);
    engine.OutputUri = "arg://output";
    engine.StyleURI = PrepareUri(engine, styleUri, args.StyleText);
    if (SchemeOfUri(engine.StyleURI) == "arg") engine.NameArgSource(engine.StyleURI, args.StyleFile);
    engine.InputUri = PrepareUri(engine, inputUri, args.InputText);
    // The base reaches the file system, so it takes the slash form.
    engine.SetDefaultBase("file://" + BackslashesToSlashes(book.RootPath));
    engine.SetInputCache(book.ParsedInput.get());
    engine.SetReadRule(std::make_shared<TReadRule>(ReadableFolders(book)));
}

TBookPage RunEngine(const std::string& inputUri, const std::string& styleUri, const TArgs& args,
                    const TBookInfo& book, const TStopToken& stop) {
    TSablotEngine engine;
    SetUpEngine(engine, inputUri, styleUri, args, book, stop);
    TBookPage page;
    NoteFailurePlace(engine, page);
    const bool fromArg = SchemeOfUri(engine.OutputUri) == "arg";
    if (engine.Run() && (!fromArg || engine.GetResultArg(engine.OutputUri, page.Html))) {
        if (!fromArg) page.Html = "Done";
        page.Encoding = engine.ResultEncoding(engine.OutputUri);
        page.Ok = true;
    } else {
        page.Html = EscapeAngles(engine.LastErrorText);
        page.Stopped = engine.Stopped();
    }
    page.KeptInputUsed = engine.KeptInputUsed();
    page.Reads = engine.FileReads().TakeReads();
    return page;
}

}  // namespace

TBookPage RunTransformation(const std::string& inputUri, const std::string& styleUri, const TArgs& args,
                            const TBookInfo& book, const TRunControl& control) {
    std::optional<TLogCapture> capture;
    if (control.KeepLog) capture.emplace();
    WriteLog("Начало трансформации.");
    const auto start = std::chrono::steady_clock::now();
    TBookPage page;
    try {
        page = RunEngine(inputUri, styleUri, args, book, control.Stop);
        if (page.KeptInputUsed) WriteLog("Данные книги не изменились: разобранный документ взят из памяти.");
    } catch (const std::exception& error) {
        WriteLog(std::string("Internal Error. Exception. ") + error.what(), TLogLevel::Error);
        page = FailurePage("Internal Error. Exception.");
    } catch (...) {
        WriteLog("Internal Error. Exception. " + CaughtErrorText(), TLogLevel::Error);
        page = FailurePage("Internal Error. Exception.");
    }
    if (page.Stopped) {
        page.Html = "Преобразование остановлено.";
        page.FailedUri.clear();
        page.FailedLine = 0;
        page.FailedColumn = 0;
        WriteLog(page.Html, TLogLevel::Error);
    }
    WriteLog("Трансформация заняла: " +
             FormatElapsed(std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start)));
    if (capture) page.Log = capture->TakeEntries();
    return page;
}

bool PrepareTransformationKeys(const std::string& inputUri, const std::string& styleUri, const TArgs& args,
                               const TBookInfo& book, const TStopToken& stop) {
    if (!book.ParsedInput) return false;
    const TLogCapture quiet;  // a fault shows when the page itself is made
    try {
        TSablotEngine engine;
        SetUpEngine(engine, inputUri, styleUri, args, book, stop);
        return engine.PrepareKeys(engine.StyleURI, engine.InputUri);
    } catch (...) {
        return false;
    }
}

TBookPage FailurePage(std::string html) {
    TBookPage page;
    page.Html = std::move(html);
    return page;
}

std::string Stopwatch(bool start) {
    const auto now = std::chrono::steady_clock::now();
    if (start) {
        StopwatchState.Start = now;
        StopwatchState.Running = true;
        return {};
    }
    StopwatchState.Running = false;
    return FormatElapsed(std::chrono::duration_cast<std::chrono::milliseconds>(now - StopwatchState.Start));
}

std::string FormatElapsed(std::chrono::milliseconds elapsed) {
    const long long total = elapsed.count() < 0 ? 0 : elapsed.count();
    const long long hours = total / 3600000 % 24;
    const long long minutes = total / 60000 % 60;
    const long long seconds = total / 1000 % 60;
    const long long millis = total % 1000;
    std::string ms = std::to_string(millis);
    ms.insert(0, 3 - ms.size(), '0');
    return std::to_string(hours) + ":" + std::to_string(minutes) + ":" + std::to_string(seconds) + "." + ms;
}
