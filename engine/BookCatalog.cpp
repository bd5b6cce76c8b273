#include "BookCatalog.h"

#include <algorithm>
#include <filesystem>
#include <set>

#include "OsFiles.h"
#include "BookDescriptor.h"
#include "BookFolders.h"
#include "IniFile.h"
#include "PathRules.h"
#include "RecentDocs.h"
#include "ServiceActions.h"
#include "TContents.h"

namespace {

bool IsDescriptorFile(const std::filesystem::path& file) {
    const std::string ext = file.extension().string();
    if (ext == ".tmr") return true;
    if (ext != ".ini") return false;
    const TIniFile ini(file.string());
    return ini.SectionExists("BasicParams") || ini.SectionExists("TemplateVariables") ||
           ini.SectionExists("TemplatePaths");
}

}  // namespace

std::string ShippedGuidePath(const TSettings& settings) {
    return RecentDocKey(settings.ProgramDir + "data/data/intro.ini");
}

std::string FirstContentsCaption(const std::string& contentsXml) {
    const TContents contents = ReadContents(contentsXml);
    return contents.Items.empty() ? std::string() : contents.Items.front().Caption;
}

std::string FolderTitle(const std::string& descriptor) {
    return std::filesystem::path(descriptor).parent_path().filename().string();
}

TBookEntry DescribeBook(const std::string& descriptor, const TSettings& settings) {
    TBookEntry entry{RecentDocKey(descriptor), {}, TBookState::Ok, {}};
    entry.Title = FolderTitle(entry.Path);
    if (!IsRegularFile(entry.Path)) {
        entry.State = TBookState::Missing;
        entry.Problem = "файл не найден";
        return entry;
    }
    try {
        TBookInfo book;
        SetBookDefaults(book, settings);
        book.DescriptorFile = entry.Path;
        ReadBookDescriptor(book, settings);
        if (const std::string problem = RootPathProblem(book); !problem.empty()) {
            entry.State = TBookState::Broken;
            entry.Problem = problem;
            return entry;
        }
        const TBookPage page = RunServiceAction(TServiceAction::MakeTOC, book);
        const TContents contents = ReadContents(page.Html);
        if (!page.Ok || !contents.Parsed || !contents.Error.empty()) {
            entry.State = TBookState::Broken;
            entry.Problem = contents.Error.empty() ? "оглавление не построено" : contents.Error;
            return entry;
        }
        if (!contents.Items.empty() && !contents.Items.front().Caption.empty())
            entry.Title = contents.Items.front().Caption;
    } catch (const std::exception& e) {
        entry.State = TBookState::Broken;
        entry.Problem = e.what();
    }
    return entry;
}

std::vector<std::string> FindDescriptors(const std::string& folder) {
    std::vector<std::string> found;
    std::error_code ec;
    for (const auto& sub : std::filesystem::directory_iterator(ToOsPath(folder), ec)) {
        std::error_code subEc;
        if (!sub.is_directory(subEc)) continue;
        for (const auto& file : std::filesystem::directory_iterator(sub.path(), subEc))
            if (IsRegularFile(file.path().string()) && IsDescriptorFile(file.path()))
                found.push_back(RecentDocKey(file.path()));
    }
    std::sort(found.begin(), found.end());
    return found;
}

std::vector<TBookEntry> ListBooks(const TSettings& settings) {
    std::vector<std::string> paths = FindDescriptors(DataFolder(settings));
    paths.push_back(ShippedGuidePath(settings));
    if (settings.LastDocs) paths.insert(paths.end(), settings.LastDocs->begin(), settings.LastDocs->end());
    std::vector<TBookEntry> books;
    std::set<std::string> seen;
    for (const std::string& path : paths)
        if (seen.insert(RecentDocKey(path)).second) books.push_back(DescribeBook(path, settings));
    return books;
}
