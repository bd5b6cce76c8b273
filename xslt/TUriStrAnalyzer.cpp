#include "TUriStrAnalyzer.h"

#include <string_view>

namespace {

bool IsAlpha(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsHex(char c) { return IsDigit(c) || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f'); }
bool IsMark(char c) { return std::string_view("-_.!~*'()").find(c) != std::string_view::npos; }
bool IsUnreserved(char c) { return IsAlpha(c) || IsDigit(c) || IsMark(c); }

// True when every character of text is unreserved, one of `extra`, or part of a valid
// "%" escape.
bool AllOf(std::string_view text, std::string_view extra) {
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '%') {
            if (i + 2 >= text.size()) return false;
            if (!IsHex(text[i + 1]) || !IsHex(text[i + 2])) return false;
            i += 2;
        } else if (!IsUnreserved(c) && extra.find(c) == std::string_view::npos) {
            return false;
        }
    }
    return true;
}

constexpr std::string_view ReservedChars = ";/?:@&=+$,";

bool IsUricText(std::string_view text) { return AllOf(text, ReservedChars); }

bool IsValidScheme(std::string_view text) {
    if (text.empty() || !IsAlpha(text[0])) return false;
    for (char c : text.substr(1)) {
        if (!IsAlpha(c) && !IsDigit(c) && c != '+' && c != '-' && c != '.') return false;
    }
    return true;
}

bool IsValidAuthority(std::string_view text) { return AllOf(text, "$,;:@&=+"); }

bool IsValidPath(std::string_view text) {
    if (text.empty()) return true;
    if (text[0] == '/') return AllOf(text.substr(1), ":@&=+$,;/");
    return IsUricText(text);
}

// The common rule of the optional parts: an absent part is always accepted.
bool StorePart(std::string& field, bool& flag, const std::string& value, bool present, bool valid) {
    flag = present;
    if (present && valid) {
        field = value;
        return true;
    }
    field.clear();
    return !present;
}

}  // namespace

TUriStrAnalyzer::TUriStrAnalyzer() { TUriStrAnalyzer::Parse(""); }

std::string TUriStrAnalyzer::Compose() const {
    std::string uri;
    if (SchemePresent) uri += Scheme + ":";
    if (AuthorityPresent) uri += "//" + Authority;
    uri += Path;
    if (QueryPresent) uri += "?" + Query;
    if (FragmentPresent) uri += "#" + Fragment;
    return uri;
}

bool TUriStrAnalyzer::SetScheme(const std::string& value, bool present) {
    return StorePart(Scheme, SchemePresent, value, present, IsValidScheme(value));
}

bool TUriStrAnalyzer::SetAuthority(const std::string& value, bool present) {
    return StorePart(Authority, AuthorityPresent, value, present, IsValidAuthority(value));
}

bool TUriStrAnalyzer::SetQuery(const std::string& value, bool present) {
    return StorePart(Query, QueryPresent, value, present, IsUricText(value));
}

bool TUriStrAnalyzer::SetFragment(const std::string& value, bool present) {
    return StorePart(Fragment, FragmentPresent, value, present, IsUricText(value));
}

bool TUriStrAnalyzer::SetPath(const std::string& value) {
    if (IsValidPath(value)) {
        Path = value;
        return true;
    }
    Path.clear();
    return false;
}

bool TUriStrAnalyzer::Parse(const std::string& uri) {
    const std::size_t colon = uri.find(':');
    bool ok = SetScheme(colon == std::string::npos ? std::string() : uri.substr(0, colon), colon != std::string::npos);
    std::string rest = colon == std::string::npos ? uri : uri.substr(colon + 1);

    if (const std::size_t hash = rest.find('#'); hash != std::string::npos) {
        ok = SetFragment(rest.substr(hash + 1), true) && ok;
        rest.resize(hash);
    } else {
        SetFragment("", false);
    }

    if (const std::size_t question = rest.find('?'); question != std::string::npos) {
        ok = SetQuery(rest.substr(question + 1), true) && ok;
        rest.resize(question);
    } else {
        SetQuery("", false);
    }

    if (rest.starts_with("//")) {
        rest.erase(0, 2);
        if (const std::size_t slash = rest.find('/'); slash != std::string::npos) {
            ok = SetAuthority(rest.substr(0, slash), true) && ok;
            rest.erase(0, slash);
        } else {
            ok = SetAuthority(rest, true) && ok;
            rest.clear();
        }
    } else {
        SetAuthority("", false);
    }

    ok = SetPath(rest) && ok;
    if (!ok) {
        Parse("");
        return false;
    }
    return true;
}
