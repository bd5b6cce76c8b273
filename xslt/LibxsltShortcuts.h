#pragma once
// The shortcuts the runs take through libxslt's internals, all in one place: a kept input
// read by several runs at once, key tables lent from one run to the next. They were read
// against libxslt 1.1.35; with any other version every function here takes the plain path
// that the public interface gives (no lending, each context set up by libxslt itself).
#include <optional>
#include <string>

#include <libxml/tree.h>
#include <libxslt/xsltInternals.h>

#include "XmlOwners.h"

// Whether the library the program runs with is the version the shortcuts were read against.
bool ShortcutsApply();

// Does once, to a document runs on several threads will read, what libxslt does to its input
// whenever a transformation starts (numbering the elements in document order, taking the DTD
// out of the children), so that no run writes into it. Nothing on the plain path.
void PrepareSharedInput(xmlDocPtr doc);

// A transformation context over input. Over a prepared input it is set up without libxslt's
// walk that numbers the input's elements (which would write into a document other runs read).
xsltTransformContextPtr NewTransformContext(xsltStylesheetPtr style, xmlDocPtr input, bool prepared);

// The key definitions of a stylesheet and its imports as one text, and how many there are:
// tables built for one such text serve every run of it over the same document. Empty when
// there are none, when a definition may give other tables in another run, and on the plain path.
std::string KeyDefinitionsOf(xsltStylesheetPtr style, int& count);
// Whether a stylesheet or one of its imports defines a key.
bool DefinesKeys(xsltStylesheetPtr style);
// Whether a stylesheet, its imports or includes call generate-id(): libxslt answers it by
// writing into the input's nodes (and clears them when the run ends), so such a run must not
// share its input with another one running at the same time.
bool CallsGenerateId(xsltStylesheetPtr style);
// Starts the run of ctxt with tables an earlier run of the same definitions built.
void LendKeyTables(xsltTransformContextPtr ctxt, XsltKeyTables tables, int count);
// Builds every key table of ctxt's stylesheet over its input now, as libxslt does at the first
// use of a key; count is the number of key definitions. False when a table cannot be built.
bool BuildKeyTables(xsltTransformContextPtr ctxt, int count);
// Whether every one of the count key tables of ctxt is built.
bool AllKeysBuilt(xsltTransformContextPtr ctxt, int count);
// The tables ctxt built over its input, once all count keys are built (libxslt builds all of
// them at the first use of any); none before.
std::optional<XsltKeyTables> TakeKeyTables(xsltTransformContextPtr ctxt, int count);
