#pragma once
// The process-wide libxml2/libxslt hooks of a run: error reporting, the external entity
// loader, the stylesheet module loader and the security preferences. TRunHooks installs them for one run and restores
// what was there before; runs may nest.
#include <libxml/parser.h>
#include <libxslt/documents.h>
#include <libxslt/security.h>

#include "XmlOwners.h"

class TSablotRun;

// No writing of files or directories, no network reads or writes.
XsltSecurityPrefs MakeSecurityPrefs();

// The text hook, also for a transformation context's own error function.
void SablotTextHook(void* context, const char* format, ...);

class TRunHooks {
public:
    TRunHooks(TSablotRun* run, xsltSecurityPrefsPtr sec);
    ~TRunHooks();
    TRunHooks(const TRunHooks&) = delete;
    TRunHooks& operator=(const TRunHooks&) = delete;

private:
    TSablotRun* PrevRun;
    xmlGenericErrorFunc PrevGeneric;
    void* PrevGenericContext;
    xmlStructuredErrorFunc PrevStructured;
    void* PrevStructuredContext;
    xmlGenericErrorFunc PrevXslt;
    void* PrevXsltContext;
    xmlExternalEntityLoader PrevLoader;
    xsltDocLoaderFunc PrevDocLoader;
    xsltSecurityPrefsPtr PrevSecurity;
};
