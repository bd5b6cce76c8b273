#include "TBookSchemeHandler.h"

#include <QBuffer>
#include <QFile>
#include <QFileInfo>
#include <QMimeDatabase>
#include <QWebEngineProfile>
#include <QWebEngineUrlRequestJob>

TBookSchemeHandler& TBookSchemeHandler::Installed() {
    QWebEngineProfile* profile = QWebEngineProfile::defaultProfile();
    auto* handler = qobject_cast<TBookSchemeHandler*>(
        const_cast<QWebEngineUrlSchemeHandler*>(profile->urlSchemeHandler(BookPageScheme)));
    if (!handler) {
        handler = new TBookSchemeHandler(profile);  // owned by the profile
        profile->installUrlSchemeHandler(BookPageScheme, handler);
        profile->installUrlSchemeHandler(InternalLinkScheme, handler);
    }
    return *handler;
}

QUrl TBookSchemeHandler::SetPage(int browserId, const QString& rootFolder, const QByteArray& bytes,
                                 const QByteArray& contentType) {
    const QString folder = rootFolder.isEmpty() ? QStringLiteral("/") : rootFolder;
    Page page{rootFolder, folder + QStringLiteral("tomeria-page-%1.html").arg(++m_lastPage), bytes, contentType};
    QUrl url;
    url.setScheme(BookPageScheme);
    url.setHost(BookPageHost);
    url.setPath(page.Path, QUrl::DecodedMode);
    m_pages[browserId] = std::move(page);
    return url;
}

void TBookSchemeHandler::Forget(int browserId) { m_pages.erase(browserId); }

const TBookSchemeHandler::Page* TBookSchemeHandler::FindPage(const QString& path) const {
    for (const auto& [id, page] : m_pages)
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
    for (const auto& [id, page] : m_pages) {
        if (page.Root.isEmpty()) continue;
        const QString root = QFileInfo(page.Root).canonicalFilePath();
        if (root.isEmpty()) continue;
        if (root == QLatin1String("/") || canonicalFile.startsWith(root + QLatin1Char('/'))) return true;
    }
    return false;
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
    const QFileInfo info(path);
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
