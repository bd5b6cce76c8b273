#include "SablotInternals.h"

#include <cctype>

#include "TextRules.h"

namespace {

bool IsHex(char c) { return HexDigitValue(c) >= 0; }

bool NeedsEscape(unsigned char c) {
    if (c <= 0x20 || c >= 0x7F) return true;
    switch (c) {
        case '"':
        case '<':
        case '>':
        case '^':
        case '`':
        case '{':
        case '|':
        case '}': return true;
        default: return false;
    }
}

}  // namespace

std::string UriScheme(const std::string& uri) {
    const size_t colon = uri.find(':');
    if (colon == std::string::npos || colon < 2) return {};
    if (!std::isalpha(static_cast<unsigned char>(uri[0]))) return {};
    for (size_t i = 1; i < colon; ++i) {
        const unsigned char c = static_cast<unsigned char>(uri[i]);
        if (!std::isalnum(c) && c != '+' && c != '-' && c != '.') return {};
    }
    return uri.substr(0, colon);
}

std::string ArgNameOfUri(const std::string& uri) {
    size_t start = uri.find(':');
    start = (start == std::string::npos) ? 0 : start + 1;
    while (start < uri.size() && uri[start] == '/')
        ++start;
    return uri.substr(start);
}

const std::string* FindArgBuffer(const TSablotProcessor& processor, const std::string& uri) {
    const std::string name = ArgNameOfUri(uri);
    auto found = processor.ArgBuffers.find(name);
    if (found == processor.ArgBuffers.end()) found = processor.ArgBuffers.find(UnescapeUri(name));
    return found != processor.ArgBuffers.end() ? &found->second : nullptr;
}

namespace {

std::string Escape(const std::string& text, bool keepEscapes) {
    static const char* const Digits = "0123456789ABCDEF";
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (keepEscapes && c == '\\') {
            out += '/';
        } else if (keepEscapes && c == '%' && i + 2 < text.size() && IsHex(text[i + 1]) && IsHex(text[i + 2])) {
            out += '%';
        } else if (c == '%' || c == '\\' || NeedsEscape(c)) {
            out += '%';
            out += Digits[c >> 4];
            out += Digits[c & 0x0F];
        } else {
            out += static_cast<char>(c);
        }
    }
    return out;
}

}  // namespace

std::string NormaliseUri(const std::string& uri) { return Escape(uri, true); }

std::string EscapeUriText(const std::string& text) { return Escape(text, false); }
