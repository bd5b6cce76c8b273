#include "sabutils.h"

#include <vector>

#include "TUriStrAnalyzer.h"
#include "TextRules.h"

namespace {

std::vector<std::string> SplitAtSlashes(const std::string& text) {
    std::vector<std::string> segments;
    std::size_t start = 0;
    for (std::size_t slash; (slash = text.find('/', start)) != std::string::npos; start = slash + 1)
        segments.push_back(text.substr(start, slash - start));
    segments.push_back(text.substr(start));
    return segments;
}

// Merges the reference path onto the directory of the base path, dropping "." segments
// and folding ".." into the segment before it. False when a ".." climbs above the root.
bool MergePaths(const std::string& basePath, const std::string& referencePath, std::string& merged) {
    const std::size_t lastSlash = basePath.rfind('/');
    const std::string directory =
        lastSlash == std::string::npos || lastSlash == 0 ? std::string() : basePath.substr(1, lastSlash);

    std::vector<std::string> segments = SplitAtSlashes(directory + referencePath);
    if (segments.back() == "." || segments.back() == "..") segments.emplace_back();

    std::vector<std::string> kept;
    for (auto& segment : segments) {
        if (segment == ".") continue;
        if (segment == "..") {
            if (kept.empty()) return false;
            kept.pop_back();
            continue;
        }
        kept.push_back(std::move(segment));
    }

    merged.clear();
    for (const auto& segment : kept)
        merged += "/" + segment;
    return true;
}

}  // namespace

bool EqualsNoCase(const std::string& text, const char* other) {
    const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
    std::size_t i = 0;
    for (; i < text.size() && other[i]; ++i)
        if (lower(text[i]) != lower(other[i])) return false;
    return i == text.size() && !other[i];
}

bool ResolveUri(const std::string& base, const std::string& reference, std::string& resolved) {
    resolved.clear();
    TUriStrAnalyzer a;
    TUriStrAnalyzer b;
    const bool parsedBase = a.Parse(base);
    const bool parsedReference = b.Parse(reference);
    if (!parsedBase || !parsedReference || !(a.SchemePresent || b.SchemePresent)) return false;

    if (b.Path.empty() && !b.SchemePresent && !b.AuthorityPresent && !b.QueryPresent) {
        a.SetFragment(b.Fragment, b.FragmentPresent);
        resolved = a.Compose();
        return true;
    }
    if (b.SchemePresent) {
        resolved = reference;
        return true;
    }

    b.SetScheme(a.Scheme, a.SchemePresent);
    if (!b.AuthorityPresent) {
        b.SetAuthority(a.Authority, a.AuthorityPresent);
        if (!b.Path.starts_with('/')) {
            std::string merged;
            if (!MergePaths(a.Path, b.Path, merged)) return false;
            // The merged path is not checked again: its segments all passed Parse.
            b.Path = merged;
        }
    }
    resolved = b.Compose();
    return true;
}

bool DecodeFileUri(const std::string& uri, std::string& localPath, std::string& authority, std::string& query,
                   std::string& fragment) {
    localPath.clear();
    authority.clear();
    query.clear();
    fragment.clear();
    TUriStrAnalyzer analyzer;
    if (!analyzer.Parse(uri) || !EqualsNoCase(analyzer.Scheme, "file")) return false;

    // Separators turn first, so that an escaped "/" stays a "/" of the name.
    localPath = UnescapeUri(SlashesToBackslashes(analyzer.Path.empty() ? std::string() : analyzer.Path.substr(1)));
    authority = analyzer.Authority;
    if (analyzer.QueryPresent) query = "?" + analyzer.Query;
    if (analyzer.FragmentPresent) fragment = "#" + analyzer.Fragment;
    return true;
}

std::string SchemeOfUri(const std::string& uri) {
    const std::size_t full = uri.find("://");
    if (full != std::string::npos && full > 0) return uri.substr(0, full);
    const std::size_t shortForm = uri.find(":/");
    return shortForm == std::string::npos ? std::string() : uri.substr(0, shortForm);
}

void SplitKeyValue(const std::string& text, std::string& key, std::string& value) {
    const std::size_t equals = text.find('=');
    if (equals == std::string::npos) {
        key.clear();
        value = text;
        return;
    }
    key = text.substr(0, equals);
    value = text.substr(equals + 1);
}

std::string UnescapeUri(const std::string& uri) {
    const auto isHex = [](char c) { return HexDigitValue(c) >= 0; };
    std::string out;
    out.reserve(uri.size());
    for (size_t i = 0; i < uri.size(); ++i) {
        if (uri[i] == '%' && i + 2 < uri.size() && isHex(uri[i + 1]) && isHex(uri[i + 2])) {
            out += static_cast<char>(HexDigitValue(uri[i + 1]) * 16 + HexDigitValue(uri[i + 2]));
            i += 2;
        } else {
            out += uri[i];
        }
    }
    return out;
}
