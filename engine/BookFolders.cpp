#include "BookFolders.h"

#include <filesystem>
#include <system_error>

#include "PathRules.h"
#include "ProgramFolders.h"
#include "SplitURI.h"

namespace fs = std::filesystem;

namespace {

// Shared DTDs and published stylesheets (DocBook's among them) that books may build on.
const char* const SystemXmlFolders[] = {"/usr/share/xml", "/usr/share/sgml"};

fs::path Resolved(const std::string& osPath) {
    std::error_code error;
    fs::path path = fs::weakly_canonical(osPath, error).lexically_normal();
    if (error) return {};
    if (!path.has_filename() && path != path.root_path()) path = path.parent_path();
    return path;
}

// True when folder is path itself or one of its ancestors.
bool Contains(const fs::path& folder, const fs::path& path) {
    auto f = folder.begin(), p = path.begin();
    for (; f != folder.end(); ++f, ++p)
        if (p == path.end() || *f != *p) return false;
    return true;
}

// The local folder of a "file://" URI's file; "" for any other URI.
std::string FolderOfFileUri(const std::string& uri) {
    const TSplittedURI parts = SplitURI(uri);
    return parts.Scheme == "file" ? ToOsPath(parts.Path) : std::string();
}

}  // namespace

bool IsTooBroadFolder(const std::string& osPath) {
    const fs::path folder = Resolved(osPath);
    if (folder.empty() || folder == folder.root_path()) return true;
    const fs::path home = Resolved(HomeFolder());
    return !home.empty() && Contains(folder, home);
}

std::string RootPathProblem(const TBookInfo& book) {
    const std::string root = ToOsPath(book.RootPath);
    if (IsTooBroadFolder(root))
        return "Корневая папка книги (RootPath) не может быть корнем файловой системы, домашней папкой "
               "пользователя или папкой, в которой они лежат: книга получила бы доступ ко всем файлам.";
    const fs::path descriptor = Resolved(ToOsPath(book.DescriptorFile));
    if (!book.DescriptorFile.empty() && !Contains(Resolved(root), descriptor))
        return "Корневая папка книги (RootPath) должна содержать её дескриптор.";
    return {};
}

std::vector<std::string> ReadableFolders(const TBookInfo& book) {
    std::vector<std::string> folders;
    const std::string own[] = {book.RootPath.empty() ? std::string() : ToOsPath(book.RootPath),
                               FolderOfFileUri(book.ServiceXSLTFile), FolderOfFileUri(book.BookXSLTTFName),
                               book.ProgramDataPath.empty() ? std::string() : ToOsPath(book.ProgramDataPath)};
    for (const std::string& folder : own)
        if (!folder.empty() && !IsTooBroadFolder(folder)) folders.push_back(folder);
    for (const char* folder : SystemXmlFolders)
        folders.emplace_back(folder);
    return folders;
}
