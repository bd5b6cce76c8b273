#include "BookFolders.h"

#include "PathRules.h"
#include "ProgramFolders.h"
#include "SplitURI.h"
#include "TReadRule.h"

namespace {

// Shared DTDs and published stylesheets (DocBook's among them) that books may build on.
const char* const SystemXmlFolders[] = {"/usr/share/xml", "/usr/share/sgml"};

// The local folder of a "file://" URI's file; "" for any other URI.
std::string FolderOfFileUri(const std::string& uri) {
    const TSplittedURI parts = SplitURI(uri);
    return parts.Scheme == "file" ? ToOsPath(parts.Path) : std::string();
}

}  // namespace

bool IsTooBroadFolder(const std::string& osPath) {
    const std::string folder = TReadRule::Resolve(osPath);
    if (folder.empty() || folder == "/") return true;
    const std::string home = TReadRule::Resolve(HomeFolder());
    return !home.empty() && TReadRule::Contains(folder, home);
}

std::string RootPathProblem(const TBookInfo& book) {
    const std::string root = ToOsPath(book.RootPath);
    if (IsTooBroadFolder(root))
        return "Корневая папка книги (RootPath) не может быть корнем файловой системы, домашней папкой "
               "пользователя или папкой, в которой они лежат: книга получила бы доступ ко всем файлам.";
    if (!book.DescriptorFile.empty() &&
        !TReadRule::Contains(TReadRule::Resolve(root), TReadRule::Resolve(ToOsPath(book.DescriptorFile))))
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
