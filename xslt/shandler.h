#pragma once
// The callbacks the processor calls for an engine: the message handler and the scheme
// handler. The user data is always the engine. No C++ exception leaves them.
#include "sablot.h"

MH_ERROR MessageHandlerMakeCode(void* userData, SablotHandle processor, int severity, unsigned short facility,
                                unsigned short code);
MH_ERROR MessageHandlerLog(void* userData, SablotHandle processor, MH_ERROR code, MH_LEVEL level, const char** fields);
MH_ERROR MessageHandlerError(void* userData, SablotHandle processor, MH_ERROR code, MH_LEVEL level,
                             const char** fields);

int SchemeGetAll(void* userData, SablotHandle processor, const char* scheme, const char* rest, char** buffer,
                 int* byteCount);
int SchemeFreeMemory(void* userData, SablotHandle processor, char* buffer);
int SchemeOpen(void* userData, SablotHandle processor, const char* scheme, const char* rest, int* handle);
int SchemeGet(void* userData, SablotHandle processor, int handle, char* buffer, int* byteCount);
int SchemePut(void* userData, SablotHandle processor, int handle, const char* buffer, int* byteCount);
int SchemeClose(void* userData, SablotHandle processor, int handle);
