#include "PathRules.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <string_view>
#include <system_error>
#include <vector>

#include "TextRules.h"

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

bool EqualIgnoringAsciiCase(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    }
    return true;
}

// Position just after the last separator; 0 when there is none.
std::size_t AfterLastSeparator(const std::string& path) {
    const std::size_t pos = path.find_last_of("\\/");
    return pos == std::string::npos ? 0 : pos + 1;
}

// The folders named between the drive and the last separator. Empty and "." segments name no
// folder of their own, so they are left out.
std::vector<std::string> FolderSegments(const std::string& path, std::size_t driveLength) {
    std::vector<std::string> segments;
    const std::size_t end = AfterLastSeparator(path);
    std::size_t start = std::min(driveLength, end);
    for (std::size_t i = start; i < end; ++i) {
        if (!IsSeparator(path[i])) continue;
        std::string segment = path.substr(start, i - start);
        if (!segment.empty() && segment != ".") segments.push_back(std::move(segment));
        start = i + 1;
    }
    return segments;
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

std::string RelativePath(const std::string& base, const std::string& target) {
    const std::string baseDrive = ExtractFileDrive(base);
    const std::string targetDrive = ExtractFileDrive(target);
    if (!EqualIgnoringAsciiCase(baseDrive, targetDrive)) return target;
    // Without drives both must be rooted: a relative target is relative already.
    if (baseDrive.empty()) {
        const bool rooted = !base.empty() && IsSeparator(base[0]) && !target.empty() && IsSeparator(target[0]);
        if (!rooted) return target;
    }
    // Drive-letter and UNC paths name folders without regard to case; the rooted paths of
    // this system do not.
    const bool ignoreCase = !baseDrive.empty();
    const std::vector<std::string> from = FolderSegments(base, baseDrive.size());
    const std::vector<std::string> to = FolderSegments(target, targetDrive.size());
    std::size_t common = 0;
    while (common < from.size() && common < to.size() &&
           (ignoreCase ? EqualIgnoringAsciiCase(from[common], to[common]) : from[common] == to[common]))
        ++common;
    std::string result;
    for (std::size_t i = common; i < from.size(); ++i)
        result += "..\\";
    for (std::size_t i = common; i < to.size(); ++i)
        result += to[i] + '\\';
    return result + target.substr(AfterLastSeparator(target));
}

std::string MakeRelativeFileName(const std::string& base, const std::string& name) {
    std::string unquoted;
    for (char c : name) {
        if (c != '"') unquoted += c;
    }
    const std::size_t split = AfterLastSeparator(unquoted);
    return RelativePath(base, unquoted.substr(0, split)) + unquoted.substr(split);
}

std::string ToOsPath(const std::string& path) { return BackslashesToSlashes(path); }

std::string ExecutableFolder() {
    std::error_code ec;
    const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (ec) return NormalizeFolder(std::filesystem::current_path(ec).string());
    return NormalizeFolder(exe.parent_path().string());
}
