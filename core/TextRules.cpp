#include "TextRules.h"

int HexDigitValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

std::string ReplaceChar(const std::string& text, char from, char to) {
    std::string result = text;
    for (char& c : result) {
        if (c == from) c = to;
    }
    return result;
}

std::string SlashesToBackslashes(const std::string& text) { return ReplaceChar(text, '/', '\\'); }

std::string BackslashesToSlashes(const std::string& text) { return ReplaceChar(text, '\\', '/'); }
