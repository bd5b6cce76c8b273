#include "TSablotEngine.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>

#include "SablotInternals.h"
#include "TCustomSchemeProxy.h"
#include "TextRules.h"
#include "sabutils.h"
#include "shandler.h"

namespace {

const char* const EngineModule = "XSLTEngine";

// Called inside a catch block: the error of the operation, naming it and keeping the cause.
[[noreturn]] void RethrowFor(const std::string& operation) {
    throw std::runtime_error(operation + ": " + CaughtErrorText());
}

}  // namespace

TSablotEngine::TSablotEngine() : TSablotEngine(TSablotApi::Default()) {}

TSablotEngine::TSablotEngine(TSablotApi& api) : Api(api) {
    FFileProxy = std::make_unique<TFileProxy>();
    FFileProxy->SetEngine(this);
    MessageRecord = {MessageHandlerMakeCode, MessageHandlerLog, MessageHandlerError};
    try {
        Api.CreateSituation(&Situation);
        Api.CreateProcessorForSituation(Situation, &FProcessor);
        Api.RegHandler(FProcessor, HLR_MESSAGE, &MessageRecord, this);
        InitSchemeHandler();
    } catch (...) {
        FFileProxy.reset();  // while the proxy list it detaches from still exists
        try {
            Api.DestroyProcessor(FProcessor);
            Api.DestroySituation(Situation);
        } catch (...) {
        }
        throw;
    }
}

TSablotEngine::~TSablotEngine() {
    try {
        Api.UnregHandler(FProcessor, HLR_MESSAGE, &MessageRecord, this);
        Api.UnregHandler(FProcessor, HLR_SCHEME, &SchemeRecord, this);
        Api.DestroyProcessor(FProcessor);
        Api.DestroySituation(Situation);
    } catch (...) {
        // nothing sensible is left to do while the engine goes
    }
    FFileProxy.reset();
    // Proxies the engine does not own must not keep a reference to it.
    for (TCustomSchemeProxy* proxy : Proxies)
        proxy->FEngine = nullptr;
}

void TSablotEngine::InitSchemeHandler() {
    SchemeRecord = {SchemeGetAll, SchemeFreeMemory, SchemeOpen, SchemeGet, SchemePut, SchemeClose};
    try {
        Api.RegHandler(FProcessor, HLR_SCHEME, &SchemeRecord, this);
    } catch (...) {
        RethrowFor("TSablotEngine.InitSchemeHandler");
    }
}

void TSablotEngine::SetDefaultBase(const std::string& value) {
    FDefaultBase = value;
    Api.SetBase(FProcessor, value.c_str());
}

void TSablotEngine::SetInputCache(TParsedInputCache* cache) { Api.SetInputCache(FProcessor, cache); }

void TSablotEngine::SetStopToken(const TStopToken& token) { Api.SetStopToken(FProcessor, &token); }

bool TSablotEngine::KeptInputUsed() const {
    int kept = 0;
    return Api.LastRunKeptInput(FProcessor, &kept) == 0 && kept != 0;
}

void TSablotEngine::SetReadRule(std::shared_ptr<const TReadRule> rule) {
    FReadRule = std::move(rule);
    Api.SetReadRule(FProcessor, FReadRule.get());
}

void TSablotEngine::NameArgSource(const std::string& argUri, const std::string& sourceUri) {
    if (sourceUri.empty())
        ArgSources.erase(argUri);
    else
        ArgSources[argUri] = sourceUri;
}

const std::string* TSablotEngine::ArgSourceOf(const std::string& uri) const {
    const auto found = ArgSources.find(uri);
    return found != ArgSources.end() ? &found->second : nullptr;
}

bool TSablotEngine::AddArgBuffer(const std::string& name, const std::string& buffer) {
    try {
        return Api.AddArgBuffer(Situation, FProcessor, name.c_str(), buffer.c_str()) == 0;
    } catch (...) {
        RethrowFor("TSablotEngine.AddArgBuffer");
    }
}

bool TSablotEngine::Run() { return RunProcessorGen(StyleURI, InputUri, OutputUri); }

bool TSablotEngine::RunProcessorGen(const std::string& sheet, const std::string& input, const std::string& output) {
    CallbackFailed = false;
    LastRunStopped = false;
    bool result = false;
    try {
        PrepareBases();
        // Checked before the parameters go over: the processor keeps them until a run
        // consumes them, so a run that never starts would pass them on to the next one.
        if (sheet.empty() || input.empty() || output.empty())
            throw std::runtime_error("RunProcessorGen : Missing file argument");
        PrepareParams();
        const int status = Api.RunProcessorGen(Situation, FProcessor, sheet.c_str(), input.c_str(), output.c_str());
        LastRunStopped = status == SABLOT_STOPPED;
        result = status == SABLOT_OK;
        // An event handler that failed at any point of the run (before the processor, inside
        // it, or while the bases are reset) fails the run.
        if (ReportCallbackFailure()) result = false;
        if (!result) {
            ClearError();
            Api.FreeResultArgs(FProcessor);
        }
        ClearBases();
    } catch (const std::exception& error) {
        LogMessage(MH_LEVEL_ERROR, EngineModule, error.what());
        ClearBases();
        result = false;
    }
    if (ReportCallbackFailure()) {
        result = false;
        Api.FreeResultArgs(FProcessor);
    }
    return result;
}

bool TSablotEngine::PrepareKeys(const std::string& sheet, const std::string& input) {
    CallbackFailed = false;
    LastRunStopped = false;
    bool result = false;
    try {
        PrepareBases();
        const int status = Api.PrepareKeys(Situation, FProcessor, sheet.c_str(), input.c_str());
        LastRunStopped = status == SABLOT_STOPPED;
        result = status == SABLOT_OK;
        if (!result) ClearError();
        ClearBases();
    } catch (const std::exception& error) {
        LogMessage(MH_LEVEL_ERROR, EngineModule, error.what());
        ClearBases();
    }
    return !ReportCallbackFailure() && result;
}

bool TSablotEngine::ReportCallbackFailure() {
    if (!CallbackFailed) return false;
    LogMessage(MH_LEVEL_ERROR, EngineModule, "Error in the MessageHandlerError callback function");
    CallbackFailed = false;  // the line above may have failed in the same handler again
    return true;
}

bool TSablotEngine::GetResultArg(const std::string& uri, std::string& text) {
    CallbackFailed = false;
    text.clear();
    char* value = nullptr;
    bool ok = false;
    try {
        if (Api.GetResultArg(FProcessor, uri.c_str(), &value) == 0 && value != nullptr) {
            size_t size = 0;  // the result may hold zero bytes
            if (Api.GetResultArgInfo(FProcessor, uri.c_str(), &size, nullptr) != 0) size = std::strlen(value);
            text.assign(value, size);
            ok = true;
        }
    } catch (...) {
        ok = false;
        LogMessage(MH_LEVEL_ERROR, EngineModule, "TSablotEngine.GetResultArg: " + CaughtErrorText());
    }
    if (value != nullptr) {  // handed back also when copying it failed
        try {
            Api.Free(value);
        } catch (...) {
            ok = false;
            LogMessage(MH_LEVEL_ERROR, EngineModule, "TSablotEngine.GetResultArg: " + CaughtErrorText());
        }
    }
    if (!ok) LogMessage(MH_LEVEL_DEBUG, EngineModule, "try to get an unknown output ?");
    if (ReportCallbackFailure()) {
        text.clear();
        return false;
    }
    return ok;
}

std::string TSablotEngine::ResultEncoding(const std::string& uri) const {
    const char* encoding = nullptr;
    if (Api.GetResultArgInfo(FProcessor, uri.c_str(), nullptr, &encoding) != 0 || encoding == nullptr) return "UTF-8";
    return encoding;
}

void TSablotEngine::AddParam(const std::string& name, const std::string& value) {
    FParams.push_back(name + "=" + value);
}

void TSablotEngine::AddBase(const std::string& scheme, const std::string& base) {
    FBases.push_back(scheme + "=" + base);
}

void TSablotEngine::RemoveParam(const std::string& name) {
    for (auto it = FParams.begin(); it != FParams.end(); ++it) {
        std::string key, value;
        SplitKeyValue(*it, key, value);
        if (key == name) {
            FParams.erase(it);
            return;
        }
    }
}

void TSablotEngine::RemoveBase(const std::string& scheme) {
    for (auto it = FBases.begin(); it != FBases.end(); ++it) {
        std::string key, base;
        SplitKeyValue(*it, key, base);
        if (key != scheme) continue;
        FBases.erase(it);
        if (Api.SetBaseForScheme(FProcessor, scheme.c_str(), "") != 0)
            LogMessage(MH_LEVEL_ERROR, EngineModule, "Cannot remove base for " + scheme + " : " + base);
        return;
    }
}

void TSablotEngine::PrepareBases() {
    try {
        for (const std::string& entry : FBases) {
            std::string scheme, base;
            SplitKeyValue(entry, scheme, base);
            if (Api.SetBaseForScheme(FProcessor, scheme.c_str(), base.c_str()) != 0)
                LogMessage(MH_LEVEL_ERROR, EngineModule, "Cannot set scheme base for " + scheme + " : " + base);
        }
    } catch (...) {
        RethrowFor("TSablotEngine.PrepareBases error");
    }
}

void TSablotEngine::PrepareParams() {
    for (const std::string& entry : FParams) {
        std::string name, value;
        SplitKeyValue(entry, name, value);
        // One parameter that cannot be handed over does not stop the others; it is reported.
        try {
            if (Api.AddParam(Situation, FProcessor, name.c_str(), value.c_str()) != 0)
                LogMessage(MH_LEVEL_ERROR, EngineModule, "Cannot add param " + name);
        } catch (...) {
            LogMessage(MH_LEVEL_ERROR, EngineModule,
                       "TSablotEngine.PrepareParams with " + name + "=" + value + ": " + CaughtErrorText());
        }
    }
}

void TSablotEngine::ClearBases() {
    try {
        for (const std::string& entry : FBases) {
            std::string scheme, base;
            SplitKeyValue(entry, scheme, base);
            if (Api.SetBaseForScheme(FProcessor, scheme.c_str(), "") != 0)
                LogMessage(MH_LEVEL_ERROR, EngineModule, "Cannot clear base for " + scheme + " : ");
        }
    } catch (...) {
        RethrowFor("TSablotEngine.SetBaseForScheme error");
    }
}

void TSablotEngine::ClearError() {
    try {
        Api.ClearError(FProcessor);
        Api.ClearSituation(Situation);
    } catch (...) {
        RethrowFor("TSablotEngine.Clear Error");
    }
}

void TSablotEngine::LogMessage(int level, const std::string& module, const std::string& text) {
    const std::string word = MessageLevelWord(level);
    const std::string moduleEntry = "module:" + module;
    const std::string typeEntry = "msgtype: " + word;
    const std::string codeEntry = "code: 100";
    const std::string msgEntry = "msg: " + text;
    const char* fields[] = {moduleEntry.c_str(), typeEntry.c_str(), codeEntry.c_str(), msgEntry.c_str(), nullptr};
    MessageHandlerError(this, FProcessor, 100, static_cast<MH_LEVEL>(level), fields);
}

void TSablotEngine::DoMsgEvent(int32_t code, int level, TSErrorFields fields) {
    const TSErrorEvent* event = nullptr;
    switch (level) {
        case MH_LEVEL_DEBUG: event = &OnMsgDebug; break;
        case MH_LEVEL_INFO: event = &OnMsgInfo; break;
        case MH_LEVEL_WARN: event = &OnMsgWarning; break;
        case MH_LEVEL_ERROR: event = &OnMsgError; break;
        case MH_LEVEL_CRITICAL: event = &OnMsgCritical; break;
        default: return;
    }
    if (*event) (*event)(*this, code, fields);
}

void TSablotEngine::RegisterProxy(TCustomSchemeProxy* proxy) {
    if (proxy != nullptr) Proxies.push_back(proxy);
}

void TSablotEngine::UnregisterProxy(TCustomSchemeProxy* proxy) {
    const auto found = std::find(Proxies.begin(), Proxies.end(), proxy);
    if (found != Proxies.end()) Proxies.erase(found);
    for (auto it = GetAllProxies.begin(); it != GetAllProxies.end();)
        it = it->second == proxy ? GetAllProxies.erase(it) : std::next(it);
}

TCustomSchemeProxy* TSablotEngine::GetProxy(int index) const {
    if (index < 0 || index >= ProxyCount()) return nullptr;
    return Proxies[static_cast<size_t>(index)];
}

TCustomSchemeProxy* TSablotEngine::FindProxyByHandle(int handle) const {
    if (FFileProxy && FFileProxy->HasHandle(handle)) return FFileProxy.get();
    for (TCustomSchemeProxy* proxy : Proxies)
        if (proxy->HasHandle(handle)) return proxy;
    return nullptr;
}

void TSablotEngine::ApplySchemeBase(std::string& scheme, std::string& rest) const {
    std::string base;
    bool found = false;
    for (const std::string& entry : FBases) {
        std::string key;
        SplitKeyValue(entry, key, base);
        if (key == scheme) {
            found = true;
            break;
        }
    }
    if (!found) return;
    const size_t marker = base.find("://");
    const std::string baseScheme = marker == std::string::npos ? std::string() : base.substr(0, marker);
    // Rests arrive as plain text (blanks, any letters, "%"); the URI toolkit takes only
    // escaped URIs, so the rest is escaped on the way in and the result decoded on the way out.
    const std::string escapedRest = EscapeUriText(rest);
    std::string localPath, authority;
    if (baseScheme == "file") {
        std::string query, fragment;
        DecodeFileUri("file:" + escapedRest, localPath, authority, query, fragment);
    } else {
        const size_t slashes = rest.find("//");
        localPath = slashes != std::string::npos ? rest.substr(slashes + 2) : (rest.empty() ? rest : rest.substr(1));
    }
    std::string resolved;
    ResolveUri(NormaliseUri(base), authority + "/" + EscapeUriText(BackslashesToSlashes(localPath)), resolved);
    if (!resolved.empty() && resolved.back() == '/') resolved.pop_back();
    const size_t restStart = resolved.find("://");
    rest = UnescapeUri(restStart == std::string::npos ? resolved : resolved.substr(restStart));
    scheme = baseScheme;
}

void TSablotEngine::NoteGetAllBuffer(const char* buffer, TCustomSchemeProxy* proxy) {
    GetAllProxies.emplace(buffer, proxy);
}

TCustomSchemeProxy* TSablotEngine::TakeGetAllProxy(const char* buffer) {
    const auto found = GetAllProxies.find(buffer);
    if (found == GetAllProxies.end()) return nullptr;
    TCustomSchemeProxy* proxy = found->second;
    GetAllProxies.erase(found);
    return proxy;
}
