#include "PathRules.h"

#include <filesystem>
#include <string_view>
#include <system_error>

namespace {

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

void ReplaceAll(std::string& text, const std::string& from, const std::string& to) {
    std::string out;
    out.reserve(text.size());
    std::size_t pos = 0;
    for (std::size_t hit; (hit = text.find(from, pos)) != std::string::npos; pos = hit + from.size()) {
        out.append(text, pos, hit - pos);
        out += to;
    }
    out.append(text, pos, std::string::npos);
    text = std::move(out);
}

// Position just after the last separator or drive colon; 0 when there is none.
std::size_t FileNameStart(const std::string& path) {
    const std::size_t pos = path.find_last_of("\\/:");
    return pos == std::string::npos ? 0 : pos + 1;
}

// Removes every "." segment (".\" at the start of the text or of a segment). A "." that
// ends a longer name ("v1.\") is part of that name and stays.
void RemoveCurrentFolderSegments(std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const bool segmentStart = i == 0 || std::string_view("\\:\x01\x02").find(text[i - 1]) != std::string_view::npos;
        if (segmentStart && text.compare(i, 2, ".\\") == 0) {
            ++i;
            continue;
        }
        out += text[i];
    }
    text = std::move(out);
}

}  // namespace

std::string ExtractFilePath(const std::string& path) { return path.substr(0, FileNameStart(path)); }

std::string ExtractFileName(const std::string& path) { return path.substr(FileNameStart(path)); }

std::string ExtractFileDrive(const std::string& path) {
    if (path.size() >= 2 && path[1] == ':') return path.substr(0, 2);
    if (path.size() >= 2 && IsSeparator(path[0]) && IsSeparator(path[1])) {
        // "\\server\share": up to, not including, the fourth separator.
        int separators = 2;
        for (std::size_t i = 2; i < path.size(); ++i) {
            if (IsSeparator(path[i]) && ++separators == 4) return path.substr(0, i);
        }
        return path;
    }
    return {};
}

std::string ResolvePath(const std::string& base, const std::string& path) {
    if (!ExtractFileDrive(path).empty()) return path;
    if (!path.empty() && IsSeparator(path[0])) return ExtractFileDrive(base) + path;
    return ExtractFilePath(base) + path;
}

std::string NormalizeFolder(const std::string& folder) {
    // Parent references and doubled separators are protected by placeholder bytes that
    // cannot occur in a path, so a folder whose name holds "$" comes through unchanged.
    static const std::string parentMark = "..\x01";
    static const std::string doubleMark = "\x02\x02";
    std::string s = folder.empty() ? std::string(".\\") : folder;
    ReplaceAll(s, "/", "\\");
    ReplaceAll(s, "..\\", parentMark);
    ReplaceAll(s, "\\\\", doubleMark);
    RemoveCurrentFolderSegments(s);
    ReplaceAll(s, parentMark, "..\\");
    ReplaceAll(s, "\\\\", "\\");
    ReplaceAll(s, doubleMark, "\\\\");
    if (s.empty() || s.back() != '\\') s += '\\';
    return s;
}

std::string NormalizeFilePath(const std::string& file) {
    return NormalizeFolder(ExtractFilePath(file)) + ExtractFileName(file);
}

std::string ToOsPath(const std::string& path) {
    std::string os = path;
    for (char& c : os) {
        if (c == '\\') c = '/';
    }
    return os;
}

std::string ExecutableFolder() {
    std::error_code ec;
    const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (ec) return NormalizeFolder(std::filesystem::current_path(ec).string());
    return NormalizeFolder(exe.parent_path().string());
}
