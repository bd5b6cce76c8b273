#include "SablotHooks.h"

#include <cstdarg>
#include <cstdio>
#include <mutex>
#include <string>

#include <libxml/xmlerror.h>
#include <libxslt/xsltutils.h>

#include "SablotCommon.h"
#include "SablotRun.h"

namespace {

// The run under way on this thread.
thread_local TSablotRun* CurrentRun = nullptr;

// What was there before the hooks: used by a thread that has no run under way.
xmlExternalEntityLoader PlainEntityLoader = nullptr;
xsltDocLoaderFunc PlainDocLoader = nullptr;

std::string Format(const char* format, va_list args) {
    va_list copy;
    va_copy(copy, args);
    const int length = std::vsnprintf(nullptr, 0, format, copy);
    va_end(copy);
    std::string text(length > 0 ? static_cast<size_t>(length) : 0, '\0');
    if (length > 0) std::vsnprintf(text.data(), text.size() + 1, format, args);
    return text;
}

}  // namespace

// The C hooks: each one enters the current run and lets no exception out.

void SablotTextHook(void*, const char* format, ...) {
    if (format == nullptr) return;
    TSablotRun* run = CurrentRun;
    va_list args;
    va_start(args, format);
    if (run == nullptr) {
        std::vfprintf(stderr, format, args);  // as libxml2 does by default
    } else {
        try {
            run->OnText(Format(format, args));
        } catch (...) {
            run->NoteInternalFailure("error text");
        }
    }
    va_end(args);
}

namespace {

void StructuredHook(void*, xmlErrorPtr error) {
    TSablotRun* run = CurrentRun;
    if (run == nullptr || error == nullptr) return;
    try {
        run->OnStructuredError(*error);
    } catch (...) {
        run->NoteInternalFailure("error report");
    }
}

xmlParserInputPtr EntityLoaderHook(const char* url, const char* publicId, xmlParserCtxtPtr ctxt) {
    TSablotRun* run = CurrentRun;
    if (run == nullptr) return PlainEntityLoader != nullptr ? PlainEntityLoader(url, publicId, ctxt) : nullptr;
    try {
        return run->LoadEntity(url, publicId, ctxt);
    } catch (...) {
        run->NoteInternalFailure("resource loading");
        return nullptr;
    }
}

// Documents libxslt loads (imported and included modules, document()): the run may hand over
// a module it keeps; everything is read by libxslt's own loader.
xmlDocPtr DocLoaderHook(const xmlChar* uri, xmlDictPtr dict, int options, void* ctxt, xsltLoadType type) {
    TSablotRun* run = CurrentRun;
    if (run == nullptr) return PlainDocLoader(uri, dict, options, ctxt, type);
    try {
        return run->LoadModule(uri, type, [&] { return PlainDocLoader(uri, dict, options, ctxt, type); });
    } catch (...) {
        run->NoteInternalFailure("module loading");
        return nullptr;
    }
}

// Reads by a non-file scheme: the scheme handler serves them, except network schemes.
int NetworkReadCheck(xsltSecurityPrefsPtr, xsltTransformContextPtr, const char* value) {
    try {
        return value != nullptr && IsNetworkScheme(UriScheme(value)) ? 0 : 1;
    } catch (...) {
        return 0;
    }
}

// The process-wide hooks, once. libxslt's loader and generic error function and libxml2's
// entity loader are one per process; libxml2's error functions are one per thread (below).
void InstallProcessHooks() {
    static std::once_flag once;
    std::call_once(once, [] {
        PlainEntityLoader = xmlGetExternalEntityLoader();
        PlainDocLoader = xsltDocDefaultLoader;
        xmlSetExternalEntityLoader(EntityLoaderHook);
        xsltSetLoaderFunc(DocLoaderHook);
        xsltSetGenericErrorFunc(nullptr, SablotTextHook);
        xsltSetDefaultSecurityPrefs(RunSecurityPrefs());
    });
}

// Set at every run, not restored: they belong to this thread, and other code may have set
// its own since.
void InstallThreadHooks() {
    xmlSetGenericErrorFunc(nullptr, SablotTextHook);
    xmlSetStructuredErrorFunc(nullptr, StructuredHook);
}

}  // namespace

xsltSecurityPrefsPtr RunSecurityPrefs() {
    // Lives as long as the program: every transformation context points at it.
    static const xsltSecurityPrefsPtr sec = [] {
        xsltSecurityPrefsPtr made = xsltNewSecurityPrefs();
        if (made != nullptr) {
            xsltSetSecurityPrefs(made, XSLT_SECPREF_WRITE_FILE, xsltSecurityForbid);
            xsltSetSecurityPrefs(made, XSLT_SECPREF_CREATE_DIRECTORY, xsltSecurityForbid);
            xsltSetSecurityPrefs(made, XSLT_SECPREF_WRITE_NETWORK, xsltSecurityForbid);
            xsltSetSecurityPrefs(made, XSLT_SECPREF_READ_NETWORK, NetworkReadCheck);
        }
        return made;
    }();
    return sec;
}

TRunHooks::TRunHooks(TSablotRun* run) : PrevRun(CurrentRun) {
    InstallProcessHooks();
    InstallThreadHooks();
    CurrentRun = run;
}

TRunHooks::~TRunHooks() { CurrentRun = PrevRun; }
