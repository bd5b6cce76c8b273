#pragma once
// The component through which the program runs XSLT transformations: one processor,
// its message and scheme handlers, argument buffers, parameters and scheme bases, and one
// message path that keeps the latest text and fires an event by level.
//
// How this layer fails:
// - Returns: the processor interface (sablot.h) and the scheme proxies answer with an integer
//   status, 0 for success; the engine's operations answer with a bool (a run, a buffer, a
//   result). None of them throws for bad input, a missing file or a failed transformation.
// - Reports: every message, the processor's and the engine's own, goes through the one
//   message path (LogMessage/MessageHandlerError): LastErrorText or LastDebugText, then the
//   event of its level. The text always carries the cause (module, message, file, line).
// - Throws: only when a call into the processor itself throws, std::runtime_error naming the
//   operation and keeping the cause ("TSablotEngine.AddArgBuffer: <cause>"). No exception
//   crosses a callback into the processor's frames: the callbacks turn one into a status and
//   a message.
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "TFileProxy.h"
#include "TFileReadRecord.h"
#include "TReadRule.h"
#include "TSablotApi.h"
#include "TStopToken.h"
#include "sablot.h"

class TSablotEngine;
class TCustomSchemeProxy;

// "name:value" entries; the first null entry ends the list, which never exceeds 256 entries.
using TSErrorFields = const char* const*;
inline constexpr int MaxErrorFields = 256;
using TSErrorEvent = std::function<void(TSablotEngine& sender, int32_t errorCode, TSErrorFields fields)>;

// The one-line text of a field list: "place: module : message (element node)", the place being
// "file:line:column" (the column, the line, the file each left out when unknown). A message
// without a place is "module : message".
std::string BuildMessageText(TSErrorFields fields);
// The file a "file://" URI names, as the reader knows it; any other URI as given.
std::string PlaceOfUri(const std::string& uri);

class TSablotEngine {
public:
    TSablotEngine();
    // Drives the processor through the given calls (a test seam); it must outlive the engine.
    explicit TSablotEngine(TSablotApi& api);
    virtual ~TSablotEngine();
    TSablotEngine(const TSablotEngine&) = delete;
    TSablotEngine& operator=(const TSablotEngine&) = delete;

    std::string StyleURI, InputUri, OutputUri;
    bool ShowDebug = false;
    std::string LastErrorText, LastDebugText;
    TSErrorEvent OnMsgCritical, OnMsgDebug, OnMsgError, OnMsgInfo, OnMsgWarning;

    // Writing the default base takes effect in the processor at once.
    void SetDefaultBase(const std::string& value);
    // The stop of this engine's runs: a run under way ends once it is tripped, and so does
    // every later one (Stopped() then tells it). The caller keeps a copy to trip.
    void SetStopToken(const TStopToken& token);
    // The input parsed in earlier runs is used again while its file is unchanged (null: none).
    void SetInputCache(TParsedInputCache* cache);
    // The local files runs may read, through the file scheme and straight from disk alike; a
    // read outside it fails with a message naming the file and the rule. Without one, any.
    void SetReadRule(std::shared_ptr<const TReadRule> rule);
    const TReadRule* ReadRule() const { return FReadRule.get(); }
    const std::string& DefaultBase() const { return FDefaultBase; }
    // The messages about an argument buffer ("arg:/input") name the file it was made from
    // (a URI) in its place; null when none was given.
    void NameArgSource(const std::string& argUri, const std::string& sourceUri);
    const std::string* ArgSourceOf(const std::string& uri) const;

    bool AddArgBuffer(const std::string& name, const std::string& buffer);
    // Runs the transformation; false when it failed or was stopped.
    virtual bool Run();
    bool RunProcessorGen(const std::string& sheet, const std::string& input, const std::string& output);
    // Builds the key tables of sheet over the kept input for the runs of sheet to come (see
    // SetInputCache); true also when there is nothing to build.
    bool PrepareKeys(const std::string& sheet, const std::string& input);
    // False, with an empty text, when there is no such result or an event handler failed
    // while it was read (then the run counts as failed and says so).
    bool GetResultArg(const std::string& uri, std::string& text);
    // Whether the last run ended because its stop token was tripped.
    bool Stopped() const { return LastRunStopped; }
    // The files the runs read through the file handler, since they were last taken.
    TFileReadRecord& FileReads() { return FReads; }
    // Whether the kept parse of the input served the last run.
    bool KeptInputUsed() const;
    // The encoding the stylesheet's xsl:output declares for that result ("UTF-8" when none).
    std::string ResultEncoding(const std::string& uri) const;

    // Parameters and scheme bases: "name=value" and "scheme=base URI" entries, in order.
    void AddParam(const std::string& name, const std::string& value);
    void AddBase(const std::string& scheme, const std::string& base);
    virtual void RemoveParam(const std::string& name);
    virtual void RemoveBase(const std::string& scheme);
    const std::vector<std::string>& Params() const { return FParams; }
    const std::vector<std::string>& Bases() const { return FBases; }

    virtual void LogMessage(int level, const std::string& module, const std::string& text);
    virtual void DoMsgEvent(int32_t code, int level, TSErrorFields fields);
    void ClearError();

    // Scheme proxies: the file proxy is always the first; others attach with SetEngine.
    TFileProxy& FileProxy() { return *FFileProxy; }
    void RegisterProxy(TCustomSchemeProxy* proxy);
    void UnregisterProxy(TCustomSchemeProxy* proxy);
    int ProxyCount() const { return static_cast<int>(Proxies.size()); }
    TCustomSchemeProxy* GetProxy(int index) const;
    TCustomSchemeProxy* FindProxyByHandle(int handle) const;
    // Redirects a request through the first scheme base whose scheme matches.
    void ApplySchemeBase(std::string& scheme, std::string& rest) const;

    // Used by the scheme callbacks: which proxy delivered which GetAll buffer.
    void NoteGetAllBuffer(const char* buffer, TCustomSchemeProxy* proxy);
    TCustomSchemeProxy* TakeGetAllProxy(const char* buffer);
    int NewHandle() { return ++LastHandle; }

    // Used by the message callback: a failure inside an event handler, reported when the
    // operation that led to it (a run, reading a result) ends, and failing it.
    void NoteCallbackFailure() { CallbackFailed = true; }

    SablotHandle Processor() const { return FProcessor; }

private:
    void Init();
    void InitSchemeHandler();
    void PrepareBases();
    void PrepareParams();
    void ClearBases();
    // Logs a noted event-handler failure; true when there was one.
    bool ReportCallbackFailure();

    TSablotApi& Api;
    std::vector<std::string> FBases;
    std::string FDefaultBase;
    std::unique_ptr<TFileProxy> FFileProxy;
    std::shared_ptr<const TReadRule> FReadRule;
    MessageHandler MessageRecord{};
    std::vector<std::string> FParams;
    std::map<std::string, std::string> ArgSources;  // by the buffer's URI
    SablotHandle FProcessor = nullptr;
    std::vector<TCustomSchemeProxy*> Proxies;  // not owned; FileProxy first
    SchemeHandler SchemeRecord{};
    SablotSituation Situation = nullptr;
    // Buffers not yet freed; a proxy may deliver the same buffer to two requests.
    std::multimap<const char*, TCustomSchemeProxy*> GetAllProxies;
    int LastHandle = 0;
    bool CallbackFailed = false;
    bool LastRunStopped = false;
    TFileReadRecord FReads;
};
