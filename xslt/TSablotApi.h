#pragma once
// The processor calls the engine makes, behind one small interface so that a test can
// observe (or alter) them. The default object forwards to the sablot functions.
#include "sablot.h"

class TSablotApi {
public:
    virtual ~TSablotApi() = default;

    virtual int CreateSituation(SablotSituation* situation);
    virtual int CreateProcessorForSituation(SablotSituation situation, SablotHandle* processor);
    virtual int RegHandler(SablotHandle processor, HandlerType type, void* handler, void* userData);
    virtual int UnregHandler(SablotHandle processor, HandlerType type, void* handler, void* userData);
    virtual int AddArgBuffer(SablotSituation situation, SablotHandle processor, const char* name, const char* buffer);
    virtual int AddParam(SablotSituation situation, SablotHandle processor, const char* name, const char* value);
    virtual int SetBase(SablotHandle processor, const char* base);
    virtual int SetBaseForScheme(SablotHandle processor, const char* scheme, const char* base);
    virtual int SetInputCache(SablotHandle processor, TParsedInputCache* cache);
    virtual int SetReadRule(SablotHandle processor, const TReadRule* rule);
    virtual int SetStopToken(SablotHandle processor, const TStopToken* token);
    virtual int LastRunKeptInput(SablotHandle processor, int* kept);
    virtual int RunProcessorGen(SablotSituation situation, SablotHandle processor, const char* sheetURI,
                                const char* inputURI, const char* resultURI);
    virtual int PrepareKeys(SablotSituation situation, SablotHandle processor, const char* sheetURI,
                            const char* inputURI);
    virtual int GetResultArg(SablotHandle processor, const char* argURI, char** value);
    virtual int GetResultArgInfo(SablotHandle processor, const char* argURI, size_t* size, const char** encoding);
    virtual int Free(char* value);
    virtual int FreeResultArgs(SablotHandle processor);
    virtual int ClearError(SablotHandle processor);
    virtual int ClearSituation(SablotSituation situation);
    virtual int DestroyProcessor(SablotHandle processor);
    virtual int DestroySituation(SablotSituation situation);

    // The shared forwarding object (stateless).
    static TSablotApi& Default();
};
