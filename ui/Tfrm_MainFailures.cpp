// Failures of opening a book and of showing its parts, said in the browser pane where the
// reader looks, besides the log.
#include <QString>

#include "Log.h"
#include "Tfrm_Main.h"

namespace {

std::string Escaped(const std::string& text) { return QString::fromStdString(text).toHtmlEscaped().toStdString(); }

}  // namespace

void Tfrm_Main::ShowFailurePage(const std::string& what, const std::string& file, const std::string& cause) {
    WriteLog(what + " " + file + (cause.empty() ? "" : ": " + cause), TLogLevel::Error);
    std::string body = "<h3>" + Escaped(what) + "</h3><p>Файл: " + Escaped(file) + "</p>";
    if (!cause.empty()) body += "<p>" + Escaped(cause) + "</p>";
    ShowHtmlMessage(body);
    FailureOnView = true;
}

