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
    // it) on first use.
    static TBookSchemeHandler& Installed();

    int NewBrowserId() { return ++m_lastBrowserId; }
    // Keeps bytes as the current page of a browser and returns the URL it is served at:
    // a file name of its own inside rootFolder (OS form, ends in "/"; empty: no folder).
    QUrl SetPage(int browserId, const QString& rootFolder, const QByteArray& bytes, const QByteArray& contentType);
    void Forget(int browserId);
    // The bytes of the page served at url, or null when it is not a written page.
    QByteArray PageBytes(const QUrl& url) const;

    void requestStarted(QWebEngineUrlRequestJob* job) override;

private:
    explicit TBookSchemeHandler(QObject* parent) : QWebEngineUrlSchemeHandler(parent) {}
    struct Page {
        QString Root;  // the book folder the page's files are served from
        QString Path;  // the URL path of the page itself
        QByteArray Bytes;
        QByteArray ContentType;
    };
    const Page* FindPage(const QString& path) const;
    bool UnderSomeRoot(const QString& canonicalFile) const;

    std::map<int, Page> m_pages;  // by browser
    int m_lastBrowserId = 0;
    int m_lastPage = 0;
};
