#include "TBookSchemeHandler.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QMimeDatabase>
#include <QWebEngineProfile>
#include <QWebEngineUrlRequestJob>
#include <cstdlib>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

#include "BookFolders.h"
#include "TBookRequestGuard.h"

namespace {

// Characters a URL path may hold as they are; every other byte is percent-encoded.
const QByteArray PathCharacters = "/!$&'()*+,;=:@";

QUrl BookUrl(const QByteArray& path) {
    QUrl url;
    url.setScheme(BookPageScheme);
    url.setHost(BookPageHost);
    url.setPath(QString::fromLatin1(path.toPercentEncoding(PathCharacters)), QUrl::TolerantMode);
    return url;
}

// The bytes of a URL's path: percent-encoded bytes that are not UTF-8 come back as they were.
QByteArray PathBytesOf(const QUrl& url) {
    return QByteArray::fromPercentEncoding(url.path(QUrl::FullyEncoded).toLatin1());
}

// "." and ".." taken out and separators doubled no more, byte for byte.
QByteArray CleanPath(const QByteArray& path) { return QDir::cleanPath(QString::fromLatin1(path)).toLatin1(); }

// Links resolved; empty when the path names nothing.
QByteArray CanonicalPath(const QByteArray& path) {
    const std::unique_ptr<char, decltype(&std::free)> resolved(::realpath(path.constData(), nullptr), &std::free);
    return resolved ? QByteArray(resolved.get()) : QByteArray();
}

bool IsRegularFile(const QByteArray& path) {
    struct stat st {};
    return ::stat(path.constData(), &st) == 0 && S_ISREG(st.st_mode);
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

QUrl TBookSchemeHandler::SetPage(int browserId, const QByteArray& root, const QByteArray& bytes,
                                 const QByteArray& contentType) {
    // The engine takes "." and ".." out of a URL's path: the page's own path must not have them.
    QByteArray folder = CleanPath(root.isEmpty() ? QByteArray("/") : root);
    if (!folder.endsWith('/')) folder += '/';
    Page page{root, folder + "tomeria-page-" + QByteArray::number(++LastPage) + ".html", bytes, contentType};
    const QUrl url = BookUrl(page.Path);
    Pages[browserId] = std::move(page);
    return url;
}

void TBookSchemeHandler::Forget(int browserId) { Pages.erase(browserId); }

const TBookSchemeHandler::Page* TBookSchemeHandler::FindPage(const QByteArray& path) const {
    for (const auto& [id, page] : Pages)
        if (page.Path == path) return &page;
    return nullptr;
}

QByteArray TBookSchemeHandler::PageBytes(const QUrl& url) const {
    if (url.scheme() != QLatin1String(BookPageScheme)) return {};
    const Page* page = FindPage(PathBytesOf(url));
    return page ? page->Bytes : QByteArray();
}

// A file is served only when, after resolving links and "..", it lies inside the folder
// of a page that is currently shown.
bool TBookSchemeHandler::UnderSomeRoot(const QByteArray& canonicalFile) const {
    for (const auto& [id, page] : Pages) {
        if (page.Root.isEmpty()) continue;
        const QByteArray root = CanonicalPath(page.Root);
        // A root as wide as the disk or the home folder serves nothing (such a book is not opened).
        if (root.isEmpty() || IsTooBroadFolder(root.toStdString())) continue;
        if (canonicalFile.startsWith(root + '/')) return true;
    }
    return false;
}

QByteArray TBookSchemeHandler::FilePathOf(const QByteArray& urlPath) {
    QByteArray path = urlPath;
    if (const qsizetype rooted = path.indexOf("/\\"); rooted >= 0) path = path.mid(rooted + 1);
    path.replace('\\', '/');
    return CleanPath(path);
}

QString TBookSchemeHandler::FilePathOf(const QString& urlPath) {
    return QString::fromUtf8(FilePathOf(urlPath.toUtf8()));
}

QUrl TBookSchemeHandler::BookUrlOfFile(const QUrl& fileUrl) const {
    if (!fileUrl.isLocalFile()) return {};
    const QByteArray file = CanonicalPath(PathBytesOf(fileUrl));
    if (file.isEmpty() || !IsRegularFile(file) || !UnderSomeRoot(file)) return {};
    return BookUrl(file);
}

void TBookSchemeHandler::requestStarted(QWebEngineUrlRequestJob* job) {
    const QUrl url = job->requestUrl();
    if (url.scheme() != QLatin1String(BookPageScheme) || url.host() != QLatin1String(BookPageHost)) {
        job->fail(QWebEngineUrlRequestJob::UrlNotFound);
        return;
    }
    const QByteArray path = PathBytesOf(url);
    if (const Page* page = FindPage(path)) {
        auto* buffer = new QBuffer(job);  // lives as long as the job
        buffer->setData(page->Bytes);
        job->reply(page->ContentType, buffer);
        return;
    }
    const QByteArray file = CanonicalPath(FilePathOf(path));
    if (file.isEmpty() || !IsRegularFile(file)) {
        job->fail(QWebEngineUrlRequestJob::UrlNotFound);
        return;
    }
    if (!UnderSomeRoot(file)) {
        job->fail(QWebEngineUrlRequestJob::RequestDenied);
        return;
    }
    // Opened by its bytes: Qt's own file names are text and cannot name every file.
    const int fd = ::open(file.constData(), O_RDONLY | O_CLOEXEC);
    auto* device = new QFile(job);
    if (fd < 0 || !device->open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        if (fd >= 0) ::close(fd);
        job->fail(QWebEngineUrlRequestJob::RequestDenied);
        return;
    }
    const QMimeDatabase mimeTypes;
    job->reply(mimeTypes.mimeTypeForFile(QFile::decodeName(file), QMimeDatabase::MatchExtension).name().toLatin1(),
               device);
    emit FileServed(file);
}
