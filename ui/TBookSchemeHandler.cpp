#include "TBookSchemeHandler.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QMimeDatabase>
#include <QWebEngineProfile>
#include <QWebEngineUrlRequestJob>
#include <cstdlib>
#include <dirent.h>
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

// The one entry of folder whose name reads as name; empty when none or several do.
QByteArray EntryReadingAs(const QByteArray& folder, const QString& name) {
    struct TCloseDir {
        void operator()(DIR* dir) const { ::closedir(dir); }
    };
    const std::unique_ptr<DIR, TCloseDir> dir(::opendir(folder.isEmpty() ? "/" : folder.constData()));
    if (!dir) return {};
    QByteArray found;
    while (const dirent* entry = ::readdir(dir.get())) {
        if (QString::fromUtf8(entry->d_name) != name) continue;
        if (!found.isEmpty()) return {};  // two names read alike: which one is meant cannot be told
        found = entry->d_name;
    }
    return found;
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

QByteArray TBookSchemeHandler::OsPathBytes(const QString& path) {
    if (!path.contains(QChar::ReplacementCharacter) || !path.startsWith(QLatin1Char('/')))
        return QFile::encodeName(path);
    QByteArray bytes;
    const QStringList names = path.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    for (const QString& name : names) {
        QByteArray entry = name.contains(QChar::ReplacementCharacter) ? EntryReadingAs(bytes, name) : QByteArray();
        if (entry.isEmpty()) entry = QFile::encodeName(name);
        bytes += '/' + entry;
    }
    if (path.endsWith(QLatin1Char('/'))) bytes += '/';
    return bytes;
}

QUrl TBookSchemeHandler::SetPage(int browserId, const QString& rootFolder, const QByteArray& bytes,
                                 const QByteArray& contentType) {
    const QByteArray root = rootFolder.isEmpty() ? QByteArray() : OsPathBytes(rootFolder);
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

QUrl TBookSchemeHandler::BookUrlOfFile(const QString& osPath) const {
    const QByteArray file = CanonicalPath(OsPathBytes(osPath));
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
}
