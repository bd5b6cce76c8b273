#include "DocumentArgument.h"

#include <QDir>
#include <QFileInfo>
#include <QUrl>

namespace {

std::string Quoted(const QString& text) { return "\"" + text.toStdString() + "\""; }

// A "scheme:" prefix of two or more letters. "c:/book.tmr" is no URL here: a one-letter prefix
// is left to the file checks, which look for a file of that name in the current folder.
bool HasScheme(const QString& argument) {
    const QUrl url(argument);
    return url.isValid() && url.scheme().size() > 1 && argument.startsWith(url.scheme() + ':', Qt::CaseInsensitive);
}

}  // namespace

TDocumentArgument ResolveDocumentArgument(const QString& argument, const QString& currentFolder) {
    if (argument.isEmpty()) return {{}, "Не указан файл книги."};
    QString local = argument;
    if (HasScheme(argument)) {
        QUrl url(argument);
        if (url.host() == QStringLiteral("localhost")) url.setHost(QString());  // this computer
        if (!url.isLocalFile() || !url.host().isEmpty())
            return {{}, "Открыть можно только файл на этом компьютере, а не " + Quoted(argument) + "."};
        local = url.toLocalFile();
    }
    const QFileInfo info(QDir(currentFolder), local);
    const QString path = QDir::cleanPath(info.absoluteFilePath());
    if (!info.exists()) return {{}, "Файл книги не найден: " + Quoted(path) + "."};
    if (info.isDir()) return {{}, Quoted(path) + " — это папка; укажите файл описателя книги в ней."};
    if (!info.isFile() || !info.isReadable()) return {{}, "Файл книги нельзя прочитать: " + Quoted(path) + "."};
    return {path.toStdString(), {}};
}
