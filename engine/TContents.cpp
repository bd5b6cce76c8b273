#include "TContents.h"

#include <climits>
#include <cstring>
#include <libxml/parser.h>

#include "XmlOwners.h"

namespace {

bool IsBlank(const xmlChar* text) {
    for (; text && *text; ++text)
        if (*text != ' ' && *text != '\t' && *text != '\r' && *text != '\n') return false;
    return true;
}

bool NameIs(const xmlNode* node, const char* name) {
    return std::strcmp(reinterpret_cast<const char*>(node->name), name) == 0;
}

// Appends the entries below element to items; owner is the entry whose caption the text
// met sets (none at the root level). False, with error set, at an entry without "id".
bool AddItems(std::vector<TContentsItem>& items, TContentsItem* owner, const xmlNode* element, std::string& error) {
    for (const xmlNode* child = element->children; child; child = child->next) {
        if (child->type == XML_TEXT_NODE && !IsBlank(child->content) && owner)
            owner->Caption = reinterpret_cast<const char*>(child->content);
        if (child->type != XML_ELEMENT_NODE) continue;  // entity references are not followed
        std::vector<TContentsItem>* level = &items;
        TContentsItem* current = owner;
        if (NameIs(child, "listitem")) {
            const XmlChars id(xmlGetProp(child, BAD_CAST "id"));
            if (!id) {
                error = "Оглавление: у элемента \"listitem\" нет атрибута \"id\".";
                return false;
            }
            items.push_back({reinterpret_cast<const char*>(id.get()), {}, {}});
            current = &items.back();
            level = &current->Children;
        }
        if (child->children && !AddItems(*level, current, child, error)) return false;
    }
    return true;
}

}  // namespace

TContents ReadContents(const std::string& xml) {
    TContents contents;
    XmlDoc doc;
    if (xml.size() <= INT_MAX)
        doc.reset(xmlReadMemory(xml.data(), static_cast<int>(xml.size()), "contents.xml", nullptr,
                                XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING));
    const xmlNode* top = doc ? xmlDocGetRootElement(doc.get()) : nullptr;
    if (!top) return contents;
    contents.Parsed = true;
    if (!NameIs(top, "menu"))
        contents.Error = "Оглавление: верхний элемент документа не \"menu\", а \"" +
                         std::string(reinterpret_cast<const char*>(top->name)) + "\".";
    else
        AddItems(contents.Items, nullptr, top, contents.Error);
    return contents;
}
