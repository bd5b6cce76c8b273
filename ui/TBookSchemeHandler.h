#pragma once
// Serves the pages written into the browsers and the files of their book folders over an
// internal standard scheme, so that pages of any size load and their relative references
// resolve against the book folder.
#include <QByteArray>
#include <QString>
#include <QUrl>
#include <QWebEngineUrlSchemeHandler>
#include <map>

inline constexpr char BookPageScheme[] = "tmrbook";
inline constexpr char BookPageHost[] = "book";
// The viewer's own link scheme. Its links are meant to be intercepted before they are
// followed; the engine lets a page follow only links of schemes that have a handler.
inline constexpr char InternalLinkScheme[] = "tomeri";

class TBookSchemeHandler : public QWebEngineUrlSchemeHandler {
    Q_OBJECT
public:
    // The handler of the default profile, installed there for both schemes (and owned by
    // it) on first use, together with the guard that refuses what pages may not load.
    static TBookSchemeHandler& Installed();
    // The file a URL path names. Pages build rooted addresses with backslashes
    // ("\books\pg\data\images/fig.png"); the engine takes them for relative references,
    // percent-encodes the backslashes and puts them after the page's folder. Such a path
    // names the rooted file again, with either separator or a mix.
    static QString FilePathOf(const QString& urlPath);
    // The same on the bytes of a path: names that are not UTF-8 keep their bytes.
    static QByteArray FilePathOf(const QByteArray& urlPath);
    // The URL a "file:" URL's file of a shown book is served at; empty when it is not in one.
    QUrl BookUrlOfFile(const QUrl& fileUrl) const;

    int NewBrowserId() { return ++LastBrowserId; }
    // Keeps bytes as the current page of a browser and returns the URL it is served at:
    // a file name of its own inside rootFolder (OS form, ends in "/"; empty: no folder).
    QUrl SetPage(int browserId, const QByteArray& rootFolder, const QByteArray& bytes, const QByteArray& contentType);
    void Forget(int browserId);
    // The bytes of the page served at url, or null when it is not a written page.
    QByteArray PageBytes(const QUrl& url) const;

    void requestStarted(QWebEngineUrlRequestJob* job) override;

signals:
    // A file of a book folder has been served to a page (its OS path, as bytes).
    void FileServed(const QByteArray& osPath);

private:
    explicit TBookSchemeHandler(QObject* parent) : QWebEngineUrlSchemeHandler(parent) {}
    // Paths are kept as the file system's bytes, so a folder whose name is not UTF-8 serves
    // its files too; its URL carries those bytes percent-encoded.
    struct Page {
        QByteArray Root;  // the book folder the page's files are served from; empty: none
        QByteArray Path;  // the path of the page itself, decoded from its URL
        QByteArray Bytes;
        QByteArray ContentType;
    };
    const Page* FindPage(const QByteArray& path) const;
    bool UnderSomeRoot(const QByteArray& canonicalFile) const;

    std::map<int, Page> Pages;  // by browser
    int LastBrowserId = 0;
    int LastPage = 0;
};
