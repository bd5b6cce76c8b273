#include "OsFiles.h"

#include <sys/stat.h>

bool IsRegularFile(const std::string& osPath) {
    struct stat info {};
    return ::stat(osPath.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

std::optional<std::string> ReadWholeFile(const std::string& osPath, std::uintmax_t maxBytes) {
    // Checked before the open, so that a pipe or a device at the path cannot block it.
    if (!IsRegularFile(osPath)) return std::nullopt;
    const TFileHandle file(std::fopen(osPath.c_str(), "rb"));
    struct stat info {};
    if (!file || ::fstat(::fileno(file.get()), &info) != 0 || static_cast<std::uintmax_t>(info.st_size) > maxBytes)
        return std::nullopt;
    std::string bytes;
    bytes.reserve(static_cast<std::size_t>(info.st_size));
    char chunk[64 * 1024];
    for (std::size_t got; (got = std::fread(chunk, 1, sizeof chunk, file.get())) > 0;) {
        if (got > maxBytes - bytes.size()) return std::nullopt;
        bytes.append(chunk, got);
    }
    if (std::ferror(file.get())) return std::nullopt;
    return bytes;
}
