#pragma once
// Small book folders in a temporary directory for the engine's tests.
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>

#include "PathRules.h"

class TTempDir {
public:
    TTempDir() {
        std::string pattern = (std::filesystem::temp_directory_path() / "tomeria-engine-XXXXXX").string();
        if (!mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
        Root = pattern;
    }
    ~TTempDir() {
        std::error_code ignored;
        std::filesystem::remove_all(Root, ignored);
    }
    TTempDir(const TTempDir&) = delete;
    TTempDir& operator=(const TTempDir&) = delete;

    // Writes bytes to a file below the root, creating its folders.
    std::string Write(const std::string& relative, const std::string& bytes) const {
        const std::filesystem::path file = Root / relative;
        std::filesystem::create_directories(file.parent_path());
        std::ofstream(file, std::ios::binary) << bytes;
        return file.string();
    }
    // The OS path of a file or folder below the root ("" gives the root with a trailing "/").
    std::string Os(const std::string& relative = "") const { return (Root / relative).string(); }
    // The same in the program's backslash form.
    std::string Win(const std::string& relative = "") const {
        std::string path = Os(relative);
        for (char& c : path)
            if (c == '/') c = '\\';
        return path;
    }

private:
    std::filesystem::path Root;
};
