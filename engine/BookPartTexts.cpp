#include "BookPartTexts.h"

#include <cstring>
#include <fstream>
#include <libxml/parser.h>
#include <libxml/tree.h>
#include <memory>
#include <vector>

#include "XmlOwners.h"

namespace {

constexpr std::size_t ChunkSize = 1 << 20;

std::string IdOf(const xmlNode* element) {
    for (const xmlAttr* attr = element->properties; attr; attr = attr->next)
        if (!attr->ns && std::strcmp(reinterpret_cast<const char*>(attr->name), "id") == 0 && attr->children &&
            attr->children->content)
            return reinterpret_cast<const char*>(attr->children->content);
    return {};
}

// Element boundaries count as word breaks: adjacent paragraphs must not run together.
void AddBreak(std::string& text) {
    if (!text.empty() && text.back() != ' ') text += ' ';
}

void CollectText(const xmlNode* element, const std::unordered_set<std::string>& partIds, std::string& text) {
    for (const xmlNode* child = element->children; child; child = child->next) {
        if (child->type == XML_TEXT_NODE || child->type == XML_CDATA_SECTION_NODE) {
            if (child->content) text += reinterpret_cast<const char*>(child->content);
        } else if (child->type == XML_ELEMENT_NODE) {
            if (partIds.count(IdOf(child))) continue;  // a part of its own
            AddBreak(text);
            CollectText(child, partIds, text);
            AddBreak(text);
        }
    }
}

// Every element whose id names a part; the first one wins, as a key lookup of the stylesheet does.
void FindParts(xmlNode* element, const std::unordered_set<std::string>& partIds,
               std::unordered_map<std::string, const xmlNode*>& found) {
    for (xmlNode* node = element; node; node = node->next) {
        if (node->type != XML_ELEMENT_NODE) continue;
        std::string id = IdOf(node);
        if (!id.empty() && partIds.count(id)) found.emplace(std::move(id), node);
        FindParts(node->children, partIds, found);
    }
}

std::string ParseError(xmlParserCtxt* ctxt) {
    const xmlError* error = xmlCtxtGetLastError(ctxt);
    std::string message = "book.xml не разобран";
    if (error && error->message) {
        std::string text = error->message;
        while (!text.empty() && (text.back() == '\n' || text.back() == ' '))
            text.pop_back();
        message += ": " + text + " (строка " + std::to_string(error->line) + ")";
    }
    return message;
}

}  // namespace

TBookPartTexts ReadBookPartTexts(const std::string& bookXmlPath, const std::unordered_set<std::string>& partIds,
                                 const std::atomic<bool>& cancel,
                                 const std::function<void(uint64_t, uint64_t)>& progress) {
    TBookPartTexts result;
    std::ifstream in(bookXmlPath, std::ios::binary);
    if (!in) {
        result.Error = "book.xml не открывается: " + bookXmlPath;
        return result;
    }
    in.seekg(0, std::ios::end);
    const auto total = static_cast<uint64_t>(std::max<std::streamoff>(in.tellg(), 0));
    in.seekg(0);

    XmlParserCtxt ctxt(xmlCreatePushParserCtxt(nullptr, nullptr, nullptr, 0, bookXmlPath.c_str()));
    if (!ctxt) {
        result.Error = "book.xml: нет памяти для разбора";
        return result;
    }
    xmlCtxtUseOptions(ctxt.get(), XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING | XML_PARSE_NOCDATA);
    std::vector<char> buffer(ChunkSize);
    uint64_t done = 0;
    bool failed = false;
    while (!failed) {
        if (cancel) {
            result.Cancelled = true;
            XmlDoc partial(ctxt->myDoc);
            ctxt->myDoc = nullptr;
            return result;
        }
        in.read(buffer.data(), static_cast<std::streamsize>(buffer.size()));
        const auto got = static_cast<int>(in.gcount());
        const bool last = got == 0 || !in;
        failed = xmlParseChunk(ctxt.get(), buffer.data(), got, last ? 1 : 0) != 0;
        done += static_cast<uint64_t>(got);
        if (progress) progress(done, total);
        if (last) break;
    }
    XmlDoc doc(ctxt->myDoc);
    ctxt->myDoc = nullptr;
    if (failed || !ctxt->wellFormed || !doc) {
        result.Error = ParseError(ctxt.get());
        return result;
    }
    std::unordered_map<std::string, const xmlNode*> found;
    FindParts(xmlDocGetRootElement(doc.get()), partIds, found);
    for (const auto& [id, element] : found) {
        std::string text;
        CollectText(element, partIds, text);
        result.Texts.emplace(id, std::move(text));
    }
    return result;
}
