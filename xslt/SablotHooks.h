#pragma once
// The libxml2/libxslt hooks of the runs: error reporting, the external entity loader, the
// stylesheet module loader and the security preferences. They are installed once, as fixed
// dispatchers to the run under way on the calling thread; TRunHooks makes a run that run for
// as long as it lives (runs may nest on one thread and go on side by side on others).
#include <libxml/parser.h>
#include <libxslt/documents.h>
#include <libxslt/security.h>

class TSablotRun;

// The security preferences of every run: no writing of files or directories, no network
// reads or writes. Made once; never changed.
xsltSecurityPrefsPtr RunSecurityPrefs();

// The text hook, also for a transformation context's own error function.
void SablotTextHook(void* context, const char* format, ...);

class TRunHooks {
public:
    explicit TRunHooks(TSablotRun* run);
    ~TRunHooks();
    TRunHooks(const TRunHooks&) = delete;
    TRunHooks& operator=(const TRunHooks&) = delete;

private:
    TSablotRun* PrevRun;
};
