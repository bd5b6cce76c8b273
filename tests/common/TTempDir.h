#pragma once
// A temporary folder for tests, removed with all it holds when the test ends. A folder that
// cannot be made fails the test at once instead of letting it work in a wrong place.
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>

#include "TextRules.h"

class TTempDir {
public:
    TTempDir() : Dir(QDir::tempPath() + "/tomeria-test-XXXXXX") {
        if (!Dir.isValid()) throw std::runtime_error("no temporary folder: " + Dir.errorString().toStdString());
        Root = QFile::encodeName(Dir.path()).toStdString();
    }

    // The OS path of a file or folder below the root ("" gives the root with a trailing "/").
    std::string Os(const std::string& relative = "") const { return (Root / relative).string(); }
    // The same in the program's backslash form.
    std::string Win(const std::string& relative = "") const { return SlashesToBackslashes(Os(relative)); }
    // "file://" and the OS path.
    std::string Uri(const std::string& relative = "") const { return "file://" + Os(relative); }
    // Writes bytes to a file below the root, creating its folders; gives the file's OS path.
    std::string Write(const std::string& relative, const std::string& bytes) const {
        const std::filesystem::path file = Root / relative;
        std::filesystem::create_directories(file.parent_path());
        std::ofstream(file, std::ios::binary) << bytes;
        return file.string();
    }

private:
    QTemporaryDir Dir;
    std::filesystem::path Root;
};
