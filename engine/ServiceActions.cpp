#include "ServiceActions.h"

#include <algorithm>
#include <string_view>

#include <libxml/tree.h>

#include "Log.h"

#include "TemplateExpansion.h"
#include "Transformation.h"

namespace {

std::string EscapeMarkup(const std::string& text) {
    std::string escaped;
    for (const char c : text) {
        switch (c) {
            case '&': escaped += "&amp;"; break;
            case '<': escaped += "&lt;"; break;
            case '>': escaped += "&gt;"; break;
            case '"': escaped += "&quot;"; break;
            default: escaped += c;
        }
    }
    return escaped;
}

}  // namespace

std::string ActionIdOf(TServiceAction action) {
    switch (action) {
        case TServiceAction::MakeTOC: return "MakeTOC";
        case TServiceAction::Search: return "Search";
        case TServiceAction::MD5SumRead: return "MD5SumRead";
        case TServiceAction::MD5SumPrepare: return "MD5SumPrepare";
        default: return "DoNothing";
    }
}

std::string ServiceStylesheet(TServiceAction action, const TBookInfo& book) {
    return ExpandTemplate(book.ServiceXSLT, {{"ActionID", ActionIdOf(action)}});
}

TBookPage RunServiceAction(TServiceAction action, const TBookInfo& book, const TRunControl& control) {
    TArgs args;
    args.StyleText = ServiceStylesheet(action, book);
    args.StyleFile = book.ServiceXSLTFile;
    return RunTransformation(book.BookXMLFName, "arg://input", args, book, control);
}

TBookPage RunServiceAction(uint8_t code, const TBookInfo& book, const TRunControl& control) {
    return RunServiceAction(static_cast<TServiceAction>(code), book, control);
}

TXSLTParameters ParseQuery(const std::string& query) {
    // The items are read in place: a long query is one pass, not a copy per item.
    TXSLTParameters pairs;
    std::size_t pos = 0;
    while (pos < query.size()) {
        const std::size_t amp = std::min(query.find('&', pos), query.size());
        const std::string_view item(query.data() + pos, amp - pos);
        if (item.empty()) break;
        const std::size_t eq = item.find('=');
        if (eq != std::string_view::npos)
            pairs.push_back({std::string(item.substr(0, eq)), std::string(item.substr(eq + 1))});
        pos = amp + 1;
    }
    return pairs;
}

std::string CutDivId(const std::string& divId) {
    std::size_t characters = 0;
    for (std::size_t i = 0; i < divId.size(); ++i) {
        // A byte that does not continue a UTF-8 sequence starts a new character.
        if ((static_cast<unsigned char>(divId[i]) & 0xC0) != 0x80 && ++characters > MaxDivIdLength)
            return divId.substr(0, i);
    }
    return divId;
}

bool IsValidDivId(const std::string& divId) {
    return divId.empty() || xmlValidateNMToken(reinterpret_cast<const xmlChar*>(divId.c_str()), 0) == 0;
}

std::string BookPartStylesheet(const std::string& divId, TBookInfo& book) {
    if (!IsValidDivId(CutDivId(divId))) return {};
    // DivID goes last so it overrides any DivID of the descriptor; it is removed at once.
    book.TemplateParams.push_back({"DivID", CutDivId(divId)});
    std::string stylesheet;
    try {
        stylesheet = ExpandTemplate(book.BookXSLTT, book.TemplateParams);
    } catch (...) {
        book.TemplateParams.pop_back();
        throw;
    }
    book.TemplateParams.pop_back();
    return stylesheet;
}

TBookPage BuildBookPart(const std::string& divId, TBookInfo& book, const TRunControl& control) {
    if (!IsValidDivId(CutDivId(divId))) {
        WriteLog("Недопустимый идентификатор части: " + divId, TLogLevel::Error);
        return FailurePage("<h3>Часть книги, на которую указывает ссылка, задана недопустимым идентификатором.</h3>"
                "<p>Идентификатор части может содержать только буквы, цифры и знаки «.», «-», «_», «:».</p>"
                "<p>Идентификатор: " + EscapeMarkup(CutDivId(divId)) + "</p>");
    }
    TArgs args;
    args.StyleText = BookPartStylesheet(divId, book);
    args.StyleFile = book.BookXSLTTFName;
    return RunTransformation(book.BookXMLFName, "arg://input", args, book, control);
}

bool PrepareBookPartKeys(TBookInfo& book, const TStopToken& stop) {
    TArgs args;
    try {
        args.StyleText = BookPartStylesheet("", book);
    } catch (...) {
        return false;  // a template that does not expand says so when a part is asked for
    }
    return PrepareTransformationKeys(book.BookXMLFName, "arg://input", args, book, stop);
}
