// Failures of opening a book and of showing its parts, said in the browser pane where the
// reader looks, besides the log.
#include <QString>
#include <QTreeWidget>

#include "OsFiles.h"
#include "GlobalVars.h"
#include "LibUnit.h"
#include "Log.h"
#include "PathRules.h"
#include "Tfrm_Main.h"

namespace {

std::string Escaped(const std::string& text) { return QString::fromStdString(text).toHtmlEscaped().toStdString(); }

// The local path a "file://" URI names, as the reader knows it.
std::string PathOfUri(const std::string& uri) {
    const std::string prefix = "file://";
    if (uri.size() < prefix.size() || !std::equal(prefix.begin(), prefix.end(), uri.begin(), [](char a, char b) {
            return std::tolower(static_cast<unsigned char>(a)) == b;
        }))
        return uri;
    return uri.substr(prefix.size());
}

// The error text comes with "<" and ">" escaped; the failure page escapes it as a whole.
std::string Unescaped(const std::string& errorText) {
    return QString::fromStdString(errorText).replace("&lt;", "<").replace("&gt;", ">").toStdString();
}

bool FileExists(const std::string& uri) { return IsRegularFile(ToOsPath(PathOfUri(uri))); }

// The file a failed run names as the place of its error, with the line; the stylesheet the
// run was given when the error names none or names that stylesheet's in-memory copy.
std::string FileAtFault(const TBookPage& run, const std::string& stylesheetUri) {
    const std::string file = PathOfUri(run.FailedUri);
    if (file.empty() || file == run.FailedUri) return PathOfUri(stylesheetUri);  // no "file://" URI
    return run.FailedLine > 0 ? file + ", строка " + std::to_string(run.FailedLine) : file;
}

}  // namespace

void Tfrm_Main::ShowFailurePage(const std::string& what, const std::string& file, const std::string& cause) {
    WriteLog(what + " " + file + (cause.empty() ? "" : ": " + cause), TLogLevel::Error);
    std::string body = "<h3>" + Escaped(what) + "</h3><p>Файл: " + Escaped(file) + "</p>";
    if (!cause.empty()) body += "<p>" + Escaped(cause) + "</p>";
    ShowHtmlMessage(body);
    FailureOnView = true;
}

void Tfrm_Main::ShowContentsFailure(const TBookInfo& book, const TBookPage& contentsRun) {
    if (!FileExists(book.BookXMLFName)) {
        ShowFailurePage("Не найден файл книги.", PathOfUri(book.BookXMLFName), "");
        return;
    }
    if (book.ServiceXSLT.empty()) {
        const bool exists = FileExists(book.ServiceXSLTFile);
        ShowFailurePage(exists ? "Служебная таблица стилей пуста." : "Не найдена служебная таблица стилей.",
                        PathOfUri(book.ServiceXSLTFile), "");
        return;
    }
    const std::string& output = contentsRun.Html;
    if (!contentsRun.Ok) {
        ShowFailurePage("Оглавление не построено: ошибка преобразования.",
                        FileAtFault(contentsRun, book.ServiceXSLTFile), Unescaped(output));
        return;
    }
    ShowFailurePage("Служебная таблица стилей не дала ни одного раздела оглавления.", PathOfUri(book.ServiceXSLTFile),
                    "");
}

bool Tfrm_Main::ShowTemplateFailure(const TBookInfo& book) {
    if (!book.BookXSLTT.empty()) return false;
    const bool exists = FileExists(book.BookXSLTTFName);
    ShowFailurePage(exists ? "Шаблон страницы пуст." : "Не найден шаблон страницы.", PathOfUri(book.BookXSLTTFName),
                    "");
    return true;
}

bool Tfrm_Main::ShowPartFailure(const TBookInfo& book, const TBookPage& partRun) {
    // A stop, a refused part id or an internal failure names no place: its own text is the page.
    if (partRun.Ok || partRun.FailedUri.empty()) return false;
    ShowFailurePage("Страница не построена: ошибка преобразования.", FileAtFault(partRun, book.BookXSLTTFName),
                    Unescaped(partRun.Html));
    return true;
}
