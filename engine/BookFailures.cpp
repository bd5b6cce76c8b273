#include "BookFailures.h"

#include <QString>
#include <algorithm>
#include <cctype>

#include "BookFolders.h"
#include "OsFiles.h"
#include "PathRules.h"

namespace {

// The local path a "file://" URI names, as the reader knows it.
std::string PathOfUri(const std::string& uri) {
    const std::string prefix = "file://";
    if (uri.size() < prefix.size() || !std::equal(prefix.begin(), prefix.end(), uri.begin(), [](char a, char b) {
            return std::tolower(static_cast<unsigned char>(a)) == b;
        }))
        return uri;
    return uri.substr(prefix.size());
}

bool FileExists(const std::string& uri) { return IsRegularFile(ToOsPath(PathOfUri(uri))); }

// The file a failed run names as the place of its error, as "path:line:column" (each of line and
// column where known); the stylesheet the run was given when the error names no file.
std::string FileAtFault(const TBookPage& run, const std::string& stylesheetUri) {
    const std::string file = PathOfUri(run.FailedUri);
    if (file.empty() || file == run.FailedUri) return PathOfUri(stylesheetUri);  // no "file://" URI
    if (run.FailedLine <= 0) return file;
    const std::string place = file + ":" + std::to_string(run.FailedLine);
    return run.FailedColumn > 0 ? place + ":" + std::to_string(run.FailedColumn) : place;
}

}  // namespace

std::string OsPathOfUri(const std::string& uri) {
    const std::string file = PathOfUri(uri);
    return file == uri ? std::string() : ToOsPath(file);
}

// The failure page escapes the text as a whole.
std::string UnescapedErrorText(const std::string& errorText) {
    return QString::fromStdString(errorText).replace("&lt;", "<").replace("&gt;", ">").toStdString();
}

std::optional<TBookFailure> IntegrityFailureOf(const TBookInfo& book) {
    const std::string problem = RootPathProblem(book);
    if (problem.empty()) return std::nullopt;
    return TBookFailure{"Книга не открыта: недопустимая корневая папка.", ToOsPath(book.RootPath), problem};
}

TBookFailure ContentsFailureOf(const TBookInfo& book, const TBookPage& contentsRun) {
    if (!FileExists(book.BookXMLFName)) return {"Не найден файл книги.", PathOfUri(book.BookXMLFName), ""};
    if (book.ServiceXSLT.empty())
        return {FileExists(book.ServiceXSLTFile) ? "Служебная таблица стилей пуста."
                                                 : "Не найдена служебная таблица стилей.",
                PathOfUri(book.ServiceXSLTFile), ""};
    if (!contentsRun.Ok)
        return {"Оглавление не построено: ошибка преобразования.", FileAtFault(contentsRun, book.ServiceXSLTFile),
                UnescapedErrorText(contentsRun.Html)};
    return {"Служебная таблица стилей не дала ни одного раздела оглавления.", PathOfUri(book.ServiceXSLTFile), ""};
}

std::optional<TBookFailure> TemplateFailureOf(const TBookInfo& book) {
    if (!book.BookXSLTT.empty()) return std::nullopt;
    return TBookFailure{FileExists(book.BookXSLTTFName) ? "Шаблон страницы пуст." : "Не найден шаблон страницы.",
                        PathOfUri(book.BookXSLTTFName), ""};
}

std::optional<TBookFailure> PartFailureOf(const TBookInfo& book, const TBookPage& partRun) {
    if (partRun.Ok || partRun.FailedUri.empty()) return std::nullopt;
    return TBookFailure{"Страница не построена: ошибка преобразования.", FileAtFault(partRun, book.BookXSLTTFName),
                        UnescapedErrorText(partRun.Html)};
}
