#include "LibxsltShortcuts.h"

#include <regex>

#include <libxml/xpath.h>
#include <libxslt/imports.h>
#include <libxslt/keys.h>
#include <libxslt/transform.h>
#include <libxslt/xslt.h>
#include <libxslt/xsltconfig.h>

namespace {

constexpr int ReadAgainstVersion = 10135;

// Whether an expression may give other values over the same document in another run: it names
// a variable, reads a document or calls an extension function (a prefixed name before "(").
bool MayVaryBetweenRuns(const std::string& expression) {
    static const std::regex extensionCall(R"([A-Za-z_][\w.-]*:[A-Za-z_][\w.-]*\s*\()");
    return expression.find('$') != std::string::npos || expression.find("document") != std::string::npos ||
           std::regex_search(expression, extensionCall);
}

// libxslt takes the DTD node out of the input's children when a transformation starts (it
// stays linked as intSubset); done here once, the same way.
void UnlinkDtdFromChildren(xmlDocPtr doc) {
    auto* dtd = reinterpret_cast<xmlNodePtr>(doc->intSubset);
    if (dtd == nullptr) return;
    if (dtd->next != nullptr) dtd->next->prev = dtd->prev;
    if (dtd->prev != nullptr) dtd->prev->next = dtd->next;
    if (doc->children == dtd) doc->children = dtd->next;
    if (doc->last == dtd) doc->last = dtd->prev;
    dtd->prev = dtd->next = nullptr;
}

bool AttributeCallsGenerateId(xmlNodePtr node) {
    for (xmlAttrPtr attr = node->properties; attr != nullptr; attr = attr->next)
        for (xmlNodePtr text = attr->children; text != nullptr; text = text->next)
            if (text->content != nullptr && xmlStrstr(text->content, BAD_CAST "generate-id") != nullptr) return true;
    return false;
}

bool DocumentCallsGenerateId(xmlDocPtr doc) {
    xmlNodePtr node = doc != nullptr ? xmlDocGetRootElement(doc) : nullptr;
    while (node != nullptr) {
        if (node->type == XML_ELEMENT_NODE && AttributeCallsGenerateId(node)) return true;
        if (node->children != nullptr && node->type == XML_ELEMENT_NODE) {
            node = node->children;
            continue;
        }
        while (node != nullptr && node->next == nullptr)
            node = node->parent != nullptr && node->parent->type == XML_ELEMENT_NODE ? node->parent : nullptr;
        if (node != nullptr) node = node->next;
    }
    return false;
}

}  // namespace

bool ShortcutsApply() { return LIBXSLT_VERSION == ReadAgainstVersion && xsltLibxsltVersion == ReadAgainstVersion; }

void PrepareSharedInput(xmlDocPtr doc) {
    if (doc == nullptr || !ShortcutsApply()) return;
    UnlinkDtdFromChildren(doc);
    xmlXPathOrderDocElems(doc);
}

// libxslt numbers the elements of the document a context is made for; made for an empty
// stand-in, the context is then pointed at the prepared input, which holds its numbers already.
xsltTransformContextPtr NewTransformContext(xsltStylesheetPtr style, xmlDocPtr input, bool prepared) {
    if (!prepared || !ShortcutsApply()) return xsltNewTransformContext(style, input);
    const XmlDoc standIn(xmlNewDoc(BAD_CAST "1.0"));
    if (!standIn) return nullptr;
    xsltTransformContextPtr ctxt = xsltNewTransformContext(style, standIn.get());
    if (ctxt == nullptr) return nullptr;
    ctxt->xpathCtxt->doc = input;
    ctxt->document->doc = input;  // the main document: the context never frees it
    return ctxt;
}

std::string KeyDefinitionsOf(xsltStylesheetPtr style, int& count) {
    count = 0;
    if (!ShortcutsApply()) return {};
    const auto text = [](const xmlChar* s) { return s != nullptr ? reinterpret_cast<const char*>(s) : ""; };
    std::string definitions;
    for (xsltStylesheetPtr s = style; s != nullptr; s = xsltNextImport(s)) {
        for (auto* key = static_cast<xsltKeyDefPtr>(s->keys); key != nullptr; key = key->next, ++count) {
            const std::string match = text(key->match), use = text(key->use);
            if (MayVaryBetweenRuns(match) || MayVaryBetweenRuns(use)) return {};
            definitions += std::string(text(key->name)) + '\x1f' + text(key->nameURI) + '\x1f' + match + '\x1f' + use;
            for (int i = 0; i < key->nsNr && key->nsList != nullptr; ++i)
                definitions += std::string("\x1f") + text(key->nsList[i]->prefix) + '=' + text(key->nsList[i]->href);
            definitions += '\n';
        }
    }
    return definitions;
}

bool DefinesKeys(xsltStylesheetPtr style) {
    for (xsltStylesheetPtr s = style; s != nullptr; s = xsltNextImport(s))
        if (s->keys != nullptr) return true;
    return false;
}

bool CallsGenerateId(xsltStylesheetPtr style) {
    for (xsltStylesheetPtr s = style; s != nullptr; s = xsltNextImport(s)) {
        if (DocumentCallsGenerateId(s->doc)) return true;
        for (xsltDocumentPtr included = s->docList; included != nullptr; included = included->next)
            if (DocumentCallsGenerateId(included->doc)) return true;
    }
    return false;
}

void LendKeyTables(xsltTransformContextPtr ctxt, XsltKeyTables tables, int count) {
    ctxt->document->keys = tables.release();
    ctxt->document->nbKeysComputed = count;
}

// libxslt counts the definitions when the transformation starts; the count is set here instead.
bool BuildKeyTables(xsltTransformContextPtr ctxt, int count) {
    ctxt->nbKeys = count;
    return xsltInitAllDocKeys(ctxt) == 0 && ctxt->document->nbKeysComputed == count;
}

bool AllKeysBuilt(xsltTransformContextPtr ctxt, int count) { return ctxt->document->nbKeysComputed == count; }

std::optional<XsltKeyTables> TakeKeyTables(xsltTransformContextPtr ctxt, int count) {
    if (!AllKeysBuilt(ctxt, count)) return std::nullopt;
    XsltKeyTables tables(ctxt->document->keys);
    ctxt->document->keys = nullptr;
    return tables;
}

// Tables detached from their run are freed as libxslt frees a document's own.
void XsltKeyTablesDeleter::operator()(void* tables) const {
    xsltDocument holder{};
    holder.keys = tables;
    xsltFreeDocumentKeys(&holder);
}
