#include "SablotHooks.h"

#include <cstdarg>
#include <cstdio>
#include <string>

#include <libxml/xmlerror.h>
#include <libxslt/xsltutils.h>

#include "SablotCommon.h"
#include "SablotRun.h"

namespace {

// The run whose hooks are installed on this thread, and the document loader it replaced.
thread_local TSablotRun* CurrentRun = nullptr;
thread_local xsltDocLoaderFunc OuterDocLoader = nullptr;

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
    TSablotRun* run = CurrentRun;
    if (run == nullptr || format == nullptr) return;
    va_list args;
    va_start(args, format);
    try {
        run->OnText(Format(format, args));
    } catch (...) {
        run->NoteInternalFailure("error text");
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
    if (run == nullptr) return nullptr;
    try {
        return run->LoadEntity(url, publicId, ctxt);
    } catch (...) {
        run->NoteInternalFailure("resource loading");
        return nullptr;
    }
}

// Documents libxslt loads (imported and included modules, document()): the run may hand over
// a module it keeps; everything is read by the loader that was there before.
xmlDocPtr DocLoaderHook(const xmlChar* uri, xmlDictPtr dict, int options, void* ctxt, xsltLoadType type) {
    TSablotRun* run = CurrentRun;
    const xsltDocLoaderFunc load = OuterDocLoader != nullptr ? OuterDocLoader : xsltDocDefaultLoader;
    if (run == nullptr) return load(uri, dict, options, ctxt, type);
    try {
        return run->LoadModule(uri, type, [&] { return load(uri, dict, options, ctxt, type); });
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

}  // namespace

XsltSecurityPrefs MakeSecurityPrefs() {
    XsltSecurityPrefs sec(xsltNewSecurityPrefs());
    if (sec) {
        xsltSetSecurityPrefs(sec.get(), XSLT_SECPREF_WRITE_FILE, xsltSecurityForbid);
        xsltSetSecurityPrefs(sec.get(), XSLT_SECPREF_CREATE_DIRECTORY, xsltSecurityForbid);
        xsltSetSecurityPrefs(sec.get(), XSLT_SECPREF_WRITE_NETWORK, xsltSecurityForbid);
        xsltSetSecurityPrefs(sec.get(), XSLT_SECPREF_READ_NETWORK, NetworkReadCheck);
    }
    return sec;
}

TRunHooks::TRunHooks(TSablotRun* run, xsltSecurityPrefsPtr sec)
    : PrevRun(CurrentRun),
      PrevGeneric(xmlGenericError),
      PrevGenericContext(xmlGenericErrorContext),
      PrevStructured(xmlStructuredError),
      PrevStructuredContext(xmlStructuredErrorContext),
      PrevXslt(xsltGenericError),
      PrevXsltContext(xsltGenericErrorContext),
      PrevLoader(xmlGetExternalEntityLoader()),
      PrevDocLoader(OuterDocLoader),
      PrevSecurity(xsltGetDefaultSecurityPrefs()) {
    CurrentRun = run;
    // The default loader, as libxslt had it before the first run of this thread.
    if (OuterDocLoader == nullptr) OuterDocLoader = xsltDocDefaultLoader;
    xsltSetLoaderFunc(DocLoaderHook);
    xmlSetGenericErrorFunc(nullptr, SablotTextHook);
    xmlSetStructuredErrorFunc(nullptr, StructuredHook);
    xsltSetGenericErrorFunc(nullptr, SablotTextHook);
    xmlSetExternalEntityLoader(EntityLoaderHook);
    xsltSetDefaultSecurityPrefs(sec);
}

TRunHooks::~TRunHooks() {
    xsltSetDefaultSecurityPrefs(PrevSecurity);
    xmlSetExternalEntityLoader(PrevLoader);
    if (PrevDocLoader == nullptr) {
        xsltSetLoaderFunc(OuterDocLoader);
        OuterDocLoader = nullptr;
    }
    xsltSetGenericErrorFunc(PrevXsltContext, PrevXslt);
    xmlSetStructuredErrorFunc(PrevStructuredContext, PrevStructured);
    xmlSetGenericErrorFunc(PrevGenericContext, PrevGeneric);
    CurrentRun = PrevRun;
}
