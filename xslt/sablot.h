#pragma once
// The XSLT processor interface the adapter drives: situations, processors, handler
// registration, argument buffers ("arg:/name"), parameters, base URIs, run and results.
// Implemented on libxslt and libxml2. Every call returns 0 on success.
#include <cstddef>
#include <cstdint>

struct TSablotSituation;
struct TSablotProcessor;
class TParsedInputCache;
class TReadRule;
class TStopToken;
using SablotSituation = TSablotSituation*;
using SablotHandle = TSablotProcessor*;

// Message levels handed to the message handler.
enum MH_LEVEL : int {
    MH_LEVEL_DEBUG = 0,
    MH_LEVEL_INFO = 1,
    MH_LEVEL_WARN = 2,
    MH_LEVEL_ERROR = 3,
    MH_LEVEL_CRITICAL = 4,
};

// The word of a level in a message's "msgtype" field; "unknown" for any other value.
inline const char* MessageLevelWord(int level) {
    static constexpr const char* Words[] = {"debug", "info", "warning", "error", "critical"};
    return level >= MH_LEVEL_DEBUG && level <= MH_LEVEL_CRITICAL ? Words[level] : "unknown";
}

// Status codes of the processor calls.
enum : int {
    SABLOT_OK = 0,
    SABLOT_BAD_ARGUMENT = 1,
    SABLOT_NOT_FOUND = 2,
    SABLOT_RUN_FAILED = 3,
    SABLOT_STOPPED = 4,  // a run ended by its stop token
};

enum HandlerType : int {
    HLR_MESSAGE = 0,
    HLR_SCHEME = 1,
};

using MH_ERROR = int32_t;

// Message handler: makeCode picks the code that is then passed to error(); error() receives
// a null-terminated list of "name:value" fields (msgtype, code, module, URI, line, column, node,
// msg); column only with a line, and only where libxml2 knows it.
struct MessageHandler {
    // clang-format off
    MH_ERROR (*makeCode)(void* userData, SablotHandle processor, int severity, unsigned short facility,
                         unsigned short code);
    // clang-format on
    MH_ERROR (*log)(void* userData, SablotHandle processor, MH_ERROR code, MH_LEVEL level, const char** fields);
    MH_ERROR (*error)(void* userData, SablotHandle processor, MH_ERROR code, MH_LEVEL level, const char** fields);
};

// Scheme handler: every resource a run reads (other than argument buffers) and every
// non-"arg" output goes through it, the URI split at its first ":" into scheme and rest.
struct SchemeHandler {
    int (*getAll)(void* userData, SablotHandle processor, const char* scheme, const char* rest, char** buffer,
                  int* byteCount);
    int (*freeMemory)(void* userData, SablotHandle processor, char* buffer);
    int (*open)(void* userData, SablotHandle processor, const char* scheme, const char* rest, int* handle);
    int (*get)(void* userData, SablotHandle processor, int handle, char* buffer, int* byteCount);
    int (*put)(void* userData, SablotHandle processor, int handle, const char* buffer, int* byteCount);
    int (*close)(void* userData, SablotHandle processor, int handle);
};

int SablotCreateSituation(SablotSituation* situation);
int SablotDestroySituation(SablotSituation situation);
int SablotClearSituation(SablotSituation situation);

int SablotCreateProcessorForSituation(SablotSituation situation, SablotHandle* processor);
int SablotDestroyProcessor(SablotHandle processor);

// The handler record must outlive its registration; the processor keeps the pointer.
int SablotRegHandler(SablotHandle processor, HandlerType type, void* handler, void* userData);
int SablotUnregHandler(SablotHandle processor, HandlerType type, void* handler, void* userData);

// Adds (or replaces) the named argument buffer; the bytes are copied.
int SablotAddArgBuffer(SablotSituation situation, SablotHandle processor, const char* name, const char* buffer);
// A string parameter of the next run (dropped after that run).
int SablotAddParam(SablotSituation situation, SablotHandle processor, const char* name, const char* value);
int SablotSetBase(SablotHandle processor, const char* base);
int SablotSetBaseForScheme(SablotHandle processor, const char* scheme, const char* base);
// The stop of the processor's runs (a copy of the token, sharing its state): once it is
// tripped, a run under way ends with SABLOT_STOPPED and "The transformation was stopped", and
// so does every later one.
int SablotSetStopToken(SablotHandle processor, const TStopToken* token);
// Whether the kept parse of the input served the processor's last run (1) or not (0).
int SablotLastRunKeptInput(SablotHandle processor, int* kept);
// The parsed input kept between runs (null: none); the cache must outlive the runs that use it.
int SablotSetInputCache(SablotHandle processor, TParsedInputCache* cache);
// The files a run may read straight from disk (null: any); the rule must outlive the runs.
int SablotSetReadRule(SablotHandle processor, const TReadRule* rule);

int SablotRunProcessorGen(SablotSituation situation, SablotHandle processor, const char* sheetURI, const char* inputURI,
                          const char* resultURI);

// Builds the key tables of the stylesheet over the kept input (see SablotSetInputCache), so
// that the runs of that stylesheet to come find them built; nothing for an input not kept.
int SablotPrepareKeys(SablotSituation situation, SablotHandle processor, const char* sheetURI, const char* inputURI);

// A copy of the result held for an "arg:" URI, zero-terminated; release it with SablotFree.
int SablotGetResultArg(SablotHandle processor, const char* argURI, char** value);
// The size in bytes of that result (it may hold zero bytes) and the encoding the
// stylesheet's output declares ("UTF-8" when none); the pointer stays valid until the
// result arguments are freed. Either output may be null.
int SablotGetResultArgInfo(SablotHandle processor, const char* argURI, size_t* size, const char** encoding);
int SablotFree(char* value);
int SablotFreeResultArgs(SablotHandle processor);

int SablotClearError(SablotHandle processor);
