#include "TSablotApi.h"

int TSablotApi::CreateSituation(SablotSituation* situation) { return SablotCreateSituation(situation); }

int TSablotApi::CreateProcessorForSituation(SablotSituation situation, SablotHandle* processor) {
    return SablotCreateProcessorForSituation(situation, processor);
}

int TSablotApi::RegHandler(SablotHandle processor, HandlerType type, void* handler, void* userData) {
    return SablotRegHandler(processor, type, handler, userData);
}

int TSablotApi::UnregHandler(SablotHandle processor, HandlerType type, void* handler, void* userData) {
    return SablotUnregHandler(processor, type, handler, userData);
}

int TSablotApi::AddArgBuffer(SablotSituation situation, SablotHandle processor, const char* name, const char* buffer) {
    return SablotAddArgBuffer(situation, processor, name, buffer);
}

int TSablotApi::AddParam(SablotSituation situation, SablotHandle processor, const char* name, const char* value) {
    return SablotAddParam(situation, processor, name, value);
}

int TSablotApi::SetInputCache(SablotHandle processor, TParsedInputCache* cache) {
    return SablotSetInputCache(processor, cache);
}

int TSablotApi::SetReadRule(SablotHandle processor, const TReadRule* rule) {
    return SablotSetReadRule(processor, rule);
}
int TSablotApi::SetStopToken(SablotHandle processor, const TStopToken* token) {
    return SablotSetStopToken(processor, token);
}
int TSablotApi::LastRunKeptInput(SablotHandle processor, int* kept) { return SablotLastRunKeptInput(processor, kept); }

int TSablotApi::SetBase(SablotHandle processor, const char* base) { return SablotSetBase(processor, base); }

int TSablotApi::SetBaseForScheme(SablotHandle processor, const char* scheme, const char* base) {
    return SablotSetBaseForScheme(processor, scheme, base);
}

int TSablotApi::RunProcessorGen(SablotSituation situation, SablotHandle processor, const char* sheetURI,
                                const char* inputURI, const char* resultURI) {
    return SablotRunProcessorGen(situation, processor, sheetURI, inputURI, resultURI);
}

int TSablotApi::GetResultArg(SablotHandle processor, const char* argURI, char** value) {
    return SablotGetResultArg(processor, argURI, value);
}

int TSablotApi::GetResultArgInfo(SablotHandle processor, const char* argURI, size_t* size, const char** encoding) {
    return SablotGetResultArgInfo(processor, argURI, size, encoding);
}

int TSablotApi::Free(char* value) { return SablotFree(value); }

int TSablotApi::FreeResultArgs(SablotHandle processor) { return SablotFreeResultArgs(processor); }

int TSablotApi::ClearError(SablotHandle processor) { return SablotClearError(processor); }

int TSablotApi::ClearSituation(SablotSituation situation) { return SablotClearSituation(situation); }

int TSablotApi::DestroyProcessor(SablotHandle processor) { return SablotDestroyProcessor(processor); }

int TSablotApi::DestroySituation(SablotSituation situation) { return SablotDestroySituation(situation); }

TSablotApi& TSablotApi::Default() {
    static TSablotApi api;
    return api;
}

int TSablotApi::PrepareKeys(SablotSituation situation, SablotHandle processor, const char* sheetURI,
                            const char* inputURI) {
    return SablotPrepareKeys(situation, processor, sheetURI, inputURI);
}
