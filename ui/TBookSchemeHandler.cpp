#include "TBookSchemeHandler.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMimeDatabase>
#include <QWebEngineProfile>
#include <QWebEngineUrlRequestJob>

#include "BookFolders.h"
#include "TBookRequestGuard.h"

namespace {

QUrl BookUrl(const QString& path) {
    QUrl url;
    url.setScheme(BookPageScheme);
    url.setHost(BookPageHost);
    url.setPath(path, QUrl::DecodedMode);
    return url;
}

}  // namespace

TBookSchemeHandler& TBookSchemeHandler::Installed() {
    QWebEngineProfile* profile = QWebEngineProfile::defaultProfile();
    auto* handler = qobject_cast<TBookSchemeHandler*>(
        const_cast<QWebEngineUrlSchemeHandler*>(profile->urlSchemeHandler(BookPageScheme)));
    if (!handler) {
        handler = new TBookSchemeHandler(profile);  // owned by the profile
        profile->installUrlSchemeHandler(BookPageScheme, handler);
        profile->installUrlSchemeHandler(InternalLinkScheme, handler);
        profile->setUrlRequestInterceptor(new TBookRequestGuard(profile));  // owned by the profile
    }
    return *handler;
}

QUrl TBookSchemeHandler::SetPage(int browserId, const QString& rootFolder, const QByteArray& bytes,
                                 const QByteArray& contentType) {
    // The engine takes "." and ".." out of a URL's path: the page's own path must not have them.
    QString folder = QDir::cleanPath(rootFolder.isEmpty() ? QStringLiteral("/") : rootFolder);
    if (!folder.endsWith(QLatin1Char('/'))) folder += QLatin1Char('/');
    Page page{rootFolder, folder + QStringLiteral("tomeria-page-%1.html").arg(++LastPage), bytes, contentType};
    const QUrl url = BookUrl(page.Path);
    Pages[browserId] = std::move(page);
    return url;
}

void TBookSchemeHandler::Forget(int browserId) { Pages.erase(browserId); }

const TBookSchemeHandler::Page* TBookSchemeHandler::FindPage(const QString& path) const {
    for (const auto& [id, page] : Pages)
        if (page.Path == path) return &page;
    return nullptr;
}

QByteArray TBookSchemeHandler::PageBytes(const QUrl& url) const {
    if (url.scheme() != QLatin1String(BookPageScheme)) return {};
    const Page* page = FindPage(url.path(QUrl::FullyDecoded));
    return page ? page->Bytes : QByteArray();
}

// A file is served only when, after resolving links and "..", it lies inside the folder
// of a page that is currently shown.
bool TBookSchemeHandler::UnderSomeRoot(const QString& canonicalFile) const {
    for (const auto& [id, page] : Pages) {
        if (page.Root.isEmpty()) continue;
        const QString root = QFileInfo(page.Root).canonicalFilePath();
        // A root as wide as the disk or the home folder serves nothing (such a book is not opened).
        if (root.isEmpty() || IsTooBroadFolder(QFile::encodeName(root).toStdString())) continue;
        if (canonicalFile.startsWith(root + QLatin1Char('/'))) return true;
    }
    return false;
}

QString TBookSchemeHandler::FilePathOf(const QString& urlPath) {
    QString path = urlPath;
    if (const qsizetype rooted = path.indexOf(QLatin1String("/\\")); rooted >= 0) path = path.mid(rooted + 1);
    path.replace(QLatin1Char('\\'), QLatin1Char('/'));
    return QDir::cleanPath(path);
}

QUrl TBookSchemeHandler::BookUrlOfFile(const QString& osPath) const {
    const QFileInfo info(osPath);
    const QString file = info.canonicalFilePath();
    if (file.isEmpty() || !info.isFile() || !UnderSomeRoot(file)) return {};
    return BookUrl(file);
}

void TBookSchemeHandler::requestStarted(QWebEngineUrlRequestJob* job) {
    const QUrl url = job->requestUrl();
    if (url.scheme() != QLatin1String(BookPageScheme) || url.host() != QLatin1String(BookPageHost)) {
        job->fail(QWebEngineUrlRequestJob::UrlNotFound);
        return;
    }
    const QString path = url.path(QUrl::FullyDecoded);
    if (const Page* page = FindPage(path)) {
        auto* buffer = new QBuffer(job);  // lives as long as the job
        buffer->setData(page->Bytes);
        job->reply(page->ContentType, buffer);
        return;
    }
    const QFileInfo info(FilePathOf(path));
    const QString file = info.canonicalFilePath();
    if (file.isEmpty() || !info.isFile()) {
        job->fail(QWebEngineUrlRequestJob::UrlNotFound);
        return;
    }
    if (!UnderSomeRoot(file)) {
        job->fail(QWebEngineUrlRequestJob::RequestDenied);
        return;
    }
    auto* device = new QFile(file, job);
    if (!device->open(QIODevice::ReadOnly)) {
        job->fail(QWebEngineUrlRequestJob::RequestDenied);
        return;
    }
    const QMimeDatabase mimeTypes;
    job->reply(mimeTypes.mimeTypeForFile(file, QMimeDatabase::MatchExtension).name().toLatin1(), device);
}
