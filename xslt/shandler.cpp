#include "shandler.h"

#include <cstring>
#include <exception>
#include <string>
#include <vector>

#include "SablotInternals.h"
#include "TCustomSchemeProxy.h"
#include "TSablotEngine.h"

namespace {

const char* const EngineModule = "XSLTEngine";

TSablotEngine* EngineOf(void* userData) { return static_cast<TSablotEngine*>(userData); }

// Runs the body of a callback; an error it throws becomes the status 1 and a message
// with the error's text, so that no exception reaches the processor's frames.
template <typename Body>
int RunLoggingErrors(TSablotEngine& engine, Body body) {
    try {
        return body();
    } catch (...) {
        try {
            engine.LogMessage(MH_LEVEL_ERROR, EngineModule, CaughtErrorText());
        } catch (...) {
            // the message path itself failed; the status still says the callback did
        }
        return 1;
    }
}

// A field list with the URI of an argument buffer replaced by the file the buffer came from.
struct TRenamedFields {
    std::vector<std::string> Entries;
    std::vector<const char*> Pointers;
};

bool RenameBufferUri(const TSablotEngine& engine, TSErrorFields fields, TRenamedFields& renamed) {
    int uriAt = -1;
    int count = 0;
    for (; fields != nullptr && count < MaxErrorFields && fields[count] != nullptr; ++count)
        if (std::strncmp(fields[count], "URI:", 4) == 0) uriAt = count;
    const std::string* source = uriAt >= 0 ? engine.ArgSourceOf(fields[uriAt] + 4) : nullptr;
    if (source == nullptr) return false;
    renamed.Entries.assign(fields, fields + count);
    renamed.Entries[static_cast<size_t>(uriAt)] = "URI:" + *source;
    for (const std::string& entry : renamed.Entries)
        renamed.Pointers.push_back(entry.c_str());
    renamed.Pointers.push_back(nullptr);
    return true;
}

}  // namespace

std::string BuildMessageText(TSErrorFields fields) {
    std::string module, message, uri, line, column, node;
    if (fields == nullptr) return message;
    for (int i = 0; i < MaxErrorFields && fields[i] != nullptr; ++i) {
        const char* entry = fields[i];
        const char* colon = std::strchr(entry, ':');
        if (colon == nullptr) continue;
        const std::string name(entry, colon);
        std::string value(colon + 1);
        if (name == "module")
            module = std::move(value);
        else if (name == "msg")
            message += value;
        else if (name == "URI")
            uri = std::move(value);
        else if (name == "line")
            line = std::move(value);
        else if (name == "column")
            column = std::move(value);
        else if (name == "node")
            node = std::move(value);
    }
    std::string place = PlaceOfUri(uri);
    if (!line.empty()) place += (place.empty() ? "line " : ":") + line + (column.empty() ? "" : ":" + column);
    std::string text = place.empty() ? std::string() : place + ": ";
    if (!module.empty()) text += module + " : ";
    text += message;
    if (!node.empty()) text += " (element " + node + ")";
    return text;
}

std::string PlaceOfUri(const std::string& uri) {
    static const std::string FileScheme = "file://";
    if (uri.size() > FileScheme.size() && EqualsNoCase(uri.substr(0, FileScheme.size()), FileScheme.c_str()))
        return uri.substr(FileScheme.size());
    return uri;
}

MH_ERROR MessageHandlerMakeCode(void*, SablotHandle, int, unsigned short, unsigned short code) { return code; }

MH_ERROR MessageHandlerLog(void*, SablotHandle, MH_ERROR, MH_LEVEL, const char**) { return 0; }

MH_ERROR MessageHandlerError(void* userData, SablotHandle, MH_ERROR code, MH_LEVEL level, const char** fields) {
    TSablotEngine* engine = EngineOf(userData);
    if (engine == nullptr) return 0;
    try {
        // A buffer the engine knows the file of is named by that file.
        TRenamedFields renamed;
        const TSErrorFields shown = RenameBufferUri(*engine, fields, renamed) ? renamed.Pointers.data() : fields;
        const std::string line = BuildMessageText(shown);
        if (level != MH_LEVEL_DEBUG)
            engine->LastErrorText = line;
        else
            engine->LastDebugText = line;
        if (level != MH_LEVEL_DEBUG || engine->ShowDebug) engine->DoMsgEvent(code, level, shown);
    } catch (...) {
        // Reported by the run once the processor has returned.
        engine->NoteCallbackFailure();
    }
    return 0;
}

int SchemeGetAll(void* userData, SablotHandle, const char* scheme, const char* rest, char** buffer, int* byteCount) {
    TSablotEngine* engine = EngineOf(userData);
    if (engine == nullptr || buffer == nullptr || byteCount == nullptr) return 1;
    // A failed request is the processor's to report; an error thrown on the way is logged too.
    return RunLoggingErrors(*engine, [&] {
        std::string requestScheme = TextOf(scheme), requestRest = TextOf(rest);
        engine->ApplySchemeBase(requestScheme, requestRest);
        engine->LogMessage(MH_LEVEL_DEBUG, EngineModule, "Get All Call back : " + requestScheme + ":" + requestRest);
        TCustomSchemeProxy* proxy = nullptr;
        if (EqualsNoCase(requestScheme, "file")) {
            proxy = &engine->FileProxy();
        } else {
            for (int i = 0; i < engine->ProxyCount() && proxy == nullptr; ++i)
                if (engine->GetProxy(i)->HandlesScheme(requestScheme)) proxy = engine->GetProxy(i);
        }
        if (proxy == nullptr) return 1;
        const int result = proxy->GetAll(requestScheme.c_str(), requestRest.c_str(), *buffer, *byteCount);
        if (result == 0) engine->NoteGetAllBuffer(*buffer, proxy);
        return result;
    });
}

int SchemeFreeMemory(void* userData, SablotHandle, char* buffer) {
    TSablotEngine* engine = EngineOf(userData);
    if (engine == nullptr) return 1;
    return RunLoggingErrors(*engine, [&] {
        engine->LogMessage(MH_LEVEL_DEBUG, EngineModule, "Free Memory Call Back");
        TCustomSchemeProxy* proxy = engine->TakeGetAllProxy(buffer);
        return proxy != nullptr ? proxy->FreeMemory(buffer) : engine->FileProxy().FreeMemory(buffer);
    });
}

int SchemeOpen(void* userData, SablotHandle, const char* scheme, const char* rest, int* handle) {
    TSablotEngine* engine = EngineOf(userData);
    if (engine == nullptr || handle == nullptr) return 1;
    *handle = 0;
    int result = 1;
    RunLoggingErrors(*engine, [&] {
        std::string requestScheme = TextOf(scheme), requestRest = TextOf(rest);
        engine->ApplySchemeBase(requestScheme, requestRest);
        engine->LogMessage(MH_LEVEL_DEBUG, EngineModule, "Open Call Back : " + TextOf(scheme) + ":" + TextOf(rest));
        if (EqualsNoCase(requestScheme, "file")) {
            result = engine->FileProxy().Open(requestScheme.c_str(), requestRest.c_str(), *handle);
        } else {
            for (int i = 0; i < engine->ProxyCount(); ++i) {
                TCustomSchemeProxy* proxy = engine->GetProxy(i);
                if (!proxy->HandlesScheme(requestScheme)) continue;
                result = proxy->Open(requestScheme.c_str(), requestRest.c_str(), *handle);
                if (result == 0) break;
            }
        }
        return result;
    });
    return result;
}

int SchemeGet(void* userData, SablotHandle, int handle, char* buffer, int* byteCount) {
    TSablotEngine* engine = EngineOf(userData);
    if (engine == nullptr || byteCount == nullptr) return 1;
    int result = 1;
    RunLoggingErrors(*engine, [&] {
        TCustomSchemeProxy* proxy = engine->FindProxyByHandle(handle);
        if (proxy == nullptr) return result;
        engine->LogMessage(MH_LEVEL_DEBUG, EngineModule, "Get Call Back : handle=" + std::to_string(handle));
        result = proxy->Get(handle, buffer, *byteCount);
        return result;
    });
    return result;
}

int SchemePut(void* userData, SablotHandle, int handle, const char* buffer, int* byteCount) {
    TSablotEngine* engine = EngineOf(userData);
    if (engine == nullptr || byteCount == nullptr) return 1;
    int result = 1;
    RunLoggingErrors(*engine, [&] {
        engine->LogMessage(MH_LEVEL_DEBUG, EngineModule, "Put Call back : handle=" + std::to_string(handle));
        if (TCustomSchemeProxy* proxy = engine->FindProxyByHandle(handle))
            result = proxy->Put(handle, buffer, *byteCount);
        return result;
    });
    return result;
}

int SchemeClose(void* userData, SablotHandle, int handle) {
    TSablotEngine* engine = EngineOf(userData);
    if (engine == nullptr) return 1;
    int result = 1;
    RunLoggingErrors(*engine, [&] {
        engine->LogMessage(MH_LEVEL_DEBUG, EngineModule, "Close Call Back : handle=" + std::to_string(handle));
        if (TCustomSchemeProxy* proxy = engine->FindProxyByHandle(handle)) result = proxy->Close(handle);
        return result;
    });
    return result;
}
