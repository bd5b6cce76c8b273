#include "Transformation.h"

#include "Log.h"
#include "SplitURI.h"
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

// The processor's warnings and errors go to the log with their place (file and line); its
// other messages (xsl:message) as progress. The scheme handlers' trace lines stay out.
void LogProcessorMessages(TSablotEngine& engine) {
    const auto logAt = [](uint8_t level) {
        return [level](TSablotEngine&, int32_t, TSErrorFields fields) { WriteLog(BuildMessageText(fields), level); };
    };
    engine.OnMsgInfo = logAt(3);
    engine.OnMsgWarning = logAt(2);
    engine.OnMsgError = logAt(1);
    engine.OnMsgCritical = logAt(1);
}

}  // namespace

std::string RunTransformation(const std::string& inputUri, const std::string& styleUri, const TArgs& args,
                              const TBookInfo& book, std::string* outputEncoding, bool* ok) {
    WriteLog("Начало трансформации.");
    Stopwatch(true);
    std::string result;
    std::string encoding = "UTF-8";
    bool success = false;
    try {
        TSablotEngine engine;
        engine.ShowDebug = true;
        LogProcessorMessages(engine);
        engine.OutputUri = "arg://output";
        engine.StyleURI = PrepareUri(engine, styleUri, args.StyleText);
        engine.InputUri = PrepareUri(engine, inputUri, args.InputText);
        // The base reaches the file system, so it takes the slash form.
        engine.SetDefaultBase("file://" + BackslashesToSlashes(book.RootPath));
        const bool fromArg = SchemeOfUri(engine.OutputUri) == "arg";
        if (engine.Run() && (!fromArg || engine.GetResultArg(engine.OutputUri, result))) {
            if (!fromArg) result = "Done";
            encoding = engine.ResultEncoding(engine.OutputUri);
            success = true;
        } else {
            result = EscapeAngles(engine.LastErrorText);
        }
    } catch (...) {
        result = "Internal Error. Exception.";
        encoding = "UTF-8";
        success = false;
    }
    WriteLog("Трансформация заняла: " + Stopwatch(false));
    if (outputEncoding) *outputEncoding = encoding;
    if (ok) *ok = success;
    return result;
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
