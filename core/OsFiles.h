#pragma once
// Small helpers for files named by OS paths, shared by every layer.
#include <cstdint>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>

// Only regular files count (symbolic links followed): a folder is no document, and a pipe or a
// device could block a read. Never throws.
bool IsRegularFile(const std::string& osPath);

// Owner of a stdio stream: closes it when it goes.
struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using TFileHandle = std::unique_ptr<std::FILE, FileCloser>;

// The bytes of a regular file; nothing when it is missing, is no regular file, cannot be read
// or holds more than maxBytes. Never throws (but on memory exhaustion).
std::optional<std::string> ReadWholeFile(const std::string& osPath, std::uintmax_t maxBytes = UINTMAX_MAX);
