#pragma once
// RAII owners for the libxml2 and libxslt handles, of a run and of every other reader. Each owner frees exactly
// what it holds; release() hands ownership on (e.g. a document to its stylesheet).
#include <memory>

#include <libxml/parser.h>
#include <libxml/tree.h>
#include <libxml/xmlstring.h>
#include <libxslt/keys.h>
#include <libxslt/security.h>
#include <libxslt/transform.h>
#include <libxslt/xsltInternals.h>

struct XmlDocDeleter {
    void operator()(xmlDocPtr doc) const { xmlFreeDoc(doc); }
};
struct XsltStylesheetDeleter {
    void operator()(xsltStylesheetPtr style) const { xsltFreeStylesheet(style); }  // frees its document too
};
struct XsltTransformContextDeleter {
    void operator()(xsltTransformContextPtr ctxt) const { xsltFreeTransformContext(ctxt); }
};
struct XsltSecurityPrefsDeleter {
    void operator()(xsltSecurityPrefsPtr sec) const { xsltFreeSecurityPrefs(sec); }
};
// Key tables detached from the run that computed them (a document's "keys" list); freed
// through libxslt's internals (LibxsltShortcuts.cpp).
struct XsltKeyTablesDeleter {
    void operator()(void* tables) const;
};
struct XmlCharDeleter {
    void operator()(xmlChar* text) const { xmlFree(text); }
};
// A parser context; the document it built (myDoc) is not freed with it.
struct XmlParserCtxtDeleter {
    void operator()(xmlParserCtxtPtr ctxt) const { xmlFreeParserCtxt(ctxt); }
};

using XmlDoc = std::unique_ptr<xmlDoc, XmlDocDeleter>;
using XsltStylesheet = std::unique_ptr<xsltStylesheet, XsltStylesheetDeleter>;
using XsltTransformContext = std::unique_ptr<xsltTransformContext, XsltTransformContextDeleter>;
using XsltSecurityPrefs = std::unique_ptr<xsltSecurityPrefs, XsltSecurityPrefsDeleter>;
using XmlChars = std::unique_ptr<xmlChar, XmlCharDeleter>;
using XmlParserCtxt = std::unique_ptr<xmlParserCtxt, XmlParserCtxtDeleter>;
using XsltKeyTables = std::unique_ptr<void, XsltKeyTablesDeleter>;
