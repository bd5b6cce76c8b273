#include "SplitURI.h"

namespace {

// A "/" right after ":" belongs to a drive («C:/») and does not separate anything.
bool IsSeparatorAt(const std::string& text, std::size_t i) { return text[i] == '/' && (i == 0 || text[i - 1] != ':'); }

std::size_t FirstSeparator(const std::string& text) {
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (IsSeparatorAt(text, i)) return i;
    }
    return std::string::npos;
}

std::size_t LastSeparator(const std::string& text) {
    for (std::size_t i = text.size(); i-- > 0;) {
        if (IsSeparatorAt(text, i)) return i;
    }
    return std::string::npos;
}

}  // namespace

TSplittedURI SplitURI(const std::string& uri) {
    TSplittedURI result;
    std::string rest = uri;

    if (const std::size_t p = rest.find("://"); p != std::string::npos) {
        result.Scheme = rest.substr(0, p);
        rest.erase(0, p + 3);
    } else {
        result.Scheme = "unknown";
    }
    if (const std::size_t hash = rest.find('#'); hash != std::string::npos) {
        result.Fragment = rest.substr(hash + 1);
        rest.resize(hash);
    }
    if (const std::size_t question = rest.find('?'); question != std::string::npos) {
        result.Query = rest.substr(question + 1);
        rest.resize(question);
    }
    if (const std::size_t slash = FirstSeparator(rest); slash != std::string::npos) {
        result.Host = rest.substr(0, slash);
        rest.erase(0, slash + 1);
    }
    if (const std::size_t slash = LastSeparator(rest); slash != std::string::npos) {
        result.Path = rest.substr(0, slash);
        rest.erase(0, slash + 1);
    }
    result.Document = rest;

    for (char& c : result.Scheme) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    if (result.Scheme == "file") {
        // The host of a file URI is the start of its path («C:/a» of «file://C:/a/b.xml»);
        // joining it to an empty path adds no trailing "/".
        if (result.Host.empty() || !result.Path.empty())
            result.Path = result.Host + "/" + result.Path;
        else
            result.Path = result.Host;
        result.Host.clear();
    }
    return result;
}
