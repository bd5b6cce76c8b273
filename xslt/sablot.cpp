#include "sablot.h"

#include <cstdlib>
#include <cstring>
#include <functional>
#include <mutex>
#include <new>

#include <libexslt/exslt.h>
#include <libxml/parser.h>

#include "SablotInternals.h"
#include "SablotRun.h"
#include "XmlAllocationLimit.h"

namespace {

// libxml2's parser and the EXSLT extensions are set up once per process, as xsltproc does.
void InitLibraries() {
    static std::once_flag once;
    std::call_once(once, [] {
        InstallXmlAllocationLimit();
        xmlInitParser();
        exsltRegisterAll();
    });
}

}  // namespace

int SablotCreateSituation(SablotSituation* situation) {
    if (situation == nullptr) return SABLOT_BAD_ARGUMENT;
    *situation = new (std::nothrow) TSablotSituation();
    return *situation != nullptr ? SABLOT_OK : SABLOT_BAD_ARGUMENT;
}

int SablotDestroySituation(SablotSituation situation) {
    delete situation;
    return SABLOT_OK;
}

int SablotClearSituation(SablotSituation situation) {
    if (situation == nullptr) return SABLOT_BAD_ARGUMENT;
    situation->LastError = 0;
    return SABLOT_OK;
}

int SablotCreateProcessorForSituation(SablotSituation situation, SablotHandle* processor) {
    if (situation == nullptr || processor == nullptr) return SABLOT_BAD_ARGUMENT;
    InitLibraries();
    *processor = new (std::nothrow) TSablotProcessor();
    if (*processor == nullptr) return SABLOT_BAD_ARGUMENT;
    (*processor)->Situation = situation;
    return SABLOT_OK;
}

int SablotDestroyProcessor(SablotHandle processor) {
    delete processor;
    return SABLOT_OK;
}

int SablotRegHandler(SablotHandle processor, HandlerType type, void* handler, void* userData) {
    if (processor == nullptr || handler == nullptr) return SABLOT_BAD_ARGUMENT;
    switch (type) {
        case HLR_MESSAGE:
            processor->Messages = static_cast<const MessageHandler*>(handler);
            processor->MessagesData = userData;
            return SABLOT_OK;
        case HLR_SCHEME:
            processor->Schemes = static_cast<const SchemeHandler*>(handler);
            processor->SchemesData = userData;
            return SABLOT_OK;
    }
    return SABLOT_BAD_ARGUMENT;
}

int SablotUnregHandler(SablotHandle processor, HandlerType type, void* handler, void* userData) {
    if (processor == nullptr) return SABLOT_BAD_ARGUMENT;
    if (type == HLR_MESSAGE && processor->Messages == handler && processor->MessagesData == userData) {
        processor->Messages = nullptr;
        processor->MessagesData = nullptr;
        return SABLOT_OK;
    }
    if (type == HLR_SCHEME && processor->Schemes == handler && processor->SchemesData == userData) {
        processor->Schemes = nullptr;
        processor->SchemesData = nullptr;
        return SABLOT_OK;
    }
    return SABLOT_NOT_FOUND;
}

int SablotAddArgBuffer(SablotSituation situation, SablotHandle processor, const char* name, const char* buffer) {
    if (situation == nullptr || processor == nullptr || name == nullptr || buffer == nullptr)
        return SABLOT_BAD_ARGUMENT;
    processor->ArgBuffers[name] = buffer;
    return SABLOT_OK;
}

int SablotAddParam(SablotSituation situation, SablotHandle processor, const char* name, const char* value) {
    if (situation == nullptr || processor == nullptr || name == nullptr || *name == '\0' || value == nullptr)
        return SABLOT_BAD_ARGUMENT;
    for (auto& param : processor->Params) {
        if (param.first == name) {
            param.second = value;
            return SABLOT_OK;
        }
    }
    processor->Params.emplace_back(name, value);
    return SABLOT_OK;
}

int SablotSetBase(SablotHandle processor, const char* base) {
    if (processor == nullptr) return SABLOT_BAD_ARGUMENT;
    processor->Base = NormaliseUri(TextOf(base));
    return SABLOT_OK;
}

int SablotSetInputCache(SablotHandle processor, TParsedInputCache* cache) {
    if (processor == nullptr) return SABLOT_BAD_ARGUMENT;
    processor->InputCache = cache;
    return SABLOT_OK;
}

int SablotSetStopToken(SablotHandle processor, const TStopToken* token) {
    if (processor == nullptr || token == nullptr) return SABLOT_BAD_ARGUMENT;
    processor->Stop = *token;
    return SABLOT_OK;
}

int SablotLastRunKeptInput(SablotHandle processor, int* kept) {
    if (processor == nullptr || kept == nullptr) return SABLOT_BAD_ARGUMENT;
    *kept = processor->LastRunKeptInput ? 1 : 0;
    return SABLOT_OK;
}

int SablotSetReadRule(SablotHandle processor, const TReadRule* rule) {
    if (processor == nullptr) return SABLOT_BAD_ARGUMENT;
    processor->ReadRule = rule;
    return SABLOT_OK;
}

// Scheme bases are kept for the handler's side: the engine redirects requests through its own
// copy of them, so the processor does not redirect a second time.
int SablotSetBaseForScheme(SablotHandle processor, const char* scheme, const char* base) {
    if (processor == nullptr || scheme == nullptr || *scheme == '\0') return SABLOT_BAD_ARGUMENT;
    if (base == nullptr || *base == '\0')
        processor->SchemeBases.erase(scheme);
    else
        processor->SchemeBases[scheme] = base;
    return SABLOT_OK;
}

namespace {

// Runs one step of a run over the processor and records how it ended.
int RunGuarded(SablotSituation situation, SablotHandle processor, const std::function<int(TSablotRun&)>& step) {
    int status = SABLOT_RUN_FAILED;
    processor->LastRunKeptInput = false;
    try {
        TSablotRun run(*processor);
        status = step(run);
    } catch (...) {
        status = SABLOT_RUN_FAILED;
    }
    processor->Params.clear();  // parameters belong to one run
    if (status != SABLOT_OK) {
        processor->LastError = status;
        situation->LastError = status;
    }
    return status;
}

}  // namespace

int SablotRunProcessorGen(SablotSituation situation, SablotHandle processor, const char* sheetURI, const char* inputURI,
                          const char* resultURI) {
    if (situation == nullptr || processor == nullptr || sheetURI == nullptr || inputURI == nullptr ||
        resultURI == nullptr)
        return SABLOT_BAD_ARGUMENT;
    return RunGuarded(situation, processor,
                      [&](TSablotRun& run) { return run.Execute(sheetURI, inputURI, resultURI); });
}

int SablotPrepareKeys(SablotSituation situation, SablotHandle processor, const char* sheetURI, const char* inputURI) {
    if (situation == nullptr || processor == nullptr || sheetURI == nullptr || inputURI == nullptr)
        return SABLOT_BAD_ARGUMENT;
    return RunGuarded(situation, processor, [&](TSablotRun& run) { return run.PrepareKeys(sheetURI, inputURI); });
}

int SablotGetResultArg(SablotHandle processor, const char* argURI, char** value) {
    if (processor == nullptr || argURI == nullptr || value == nullptr) return SABLOT_BAD_ARGUMENT;
    const auto found = processor->Results.find(ArgNameOfUri(argURI));
    if (found == processor->Results.end()) return SABLOT_NOT_FOUND;
    const TSablotResult& result = found->second;
    char* copy = static_cast<char*>(std::malloc(result.Size + 1));
    if (copy == nullptr) return SABLOT_BAD_ARGUMENT;
    std::memcpy(copy, result.Data(), result.Size);
    copy[result.Size] = '\0';
    *value = copy;
    return SABLOT_OK;
}

int SablotGetResultArgInfo(SablotHandle processor, const char* argURI, size_t* size, const char** encoding) {
    if (processor == nullptr || argURI == nullptr) return SABLOT_BAD_ARGUMENT;
    const auto found = processor->Results.find(ArgNameOfUri(argURI));
    if (found == processor->Results.end()) return SABLOT_NOT_FOUND;
    if (size != nullptr) *size = found->second.Size;
    if (encoding != nullptr) *encoding = found->second.Encoding.c_str();
    return SABLOT_OK;
}

int SablotFree(char* value) {
    std::free(value);
    return SABLOT_OK;
}

int SablotFreeResultArgs(SablotHandle processor) {
    if (processor == nullptr) return SABLOT_BAD_ARGUMENT;
    processor->Results.clear();
    return SABLOT_OK;
}

int SablotClearError(SablotHandle processor) {
    if (processor == nullptr) return SABLOT_BAD_ARGUMENT;
    processor->LastError = 0;
    return SABLOT_OK;
}
