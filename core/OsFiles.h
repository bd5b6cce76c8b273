#pragma once
// Small helpers for files named by OS paths, shared by every layer.
#include <cstdio>
#include <memory>
#include <string>

// Only regular files count (symbolic links followed): a folder is no document, and a pipe or a
// device could block a read. Never throws.
bool IsRegularFile(const std::string& osPath);

// Owner of a stdio stream: closes it when it goes.
struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using TFileHandle = std::unique_ptr<std::FILE, FileCloser>;
