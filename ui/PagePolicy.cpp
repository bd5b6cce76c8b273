#include "PagePolicy.h"

#include "TBookSchemeHandler.h"

namespace {

bool HasScheme(const QUrl& url, const char* scheme) { return url.scheme().compare(QLatin1String(scheme)) == 0; }

bool IsBookUrl(const QUrl& url) { return HasScheme(url, BookPageScheme); }

// Addresses that carry their content with them or name no resource at all.
bool IsInline(const QUrl& url) {
    return HasScheme(url, "data") || HasScheme(url, "blob") || url.toString() == QLatin1String("about:blank");
}

}  // namespace

bool IsWebUrl(const QUrl& url) { return HasScheme(url, "http") || HasScheme(url, "https"); }

bool MayPageLoad(const QUrl& request, const QUrl& firstParty, bool mainFrame) {
    // Top-level navigations have been judged by the page before they reach the network.
    if (mainFrame) return IsBookUrl(request) || IsWebUrl(request) || IsInline(request);
    // A web page the reader went to loads what web pages load, but no file and no book file.
    if (IsWebUrl(firstParty)) return !HasScheme(request, "file") && !IsBookUrl(request);
    // Everything else is a book page, or a blank or inline page one of them made.
    return IsBookUrl(request) || IsInline(request);
}

TNavigationVerdict JudgeNavigation(const QUrl& url, bool isMainFrame, bool userGesture, const QUrl& pageUrl) {
    if (IsBookUrl(url) || HasScheme(url, InternalLinkScheme) || HasScheme(url, "about"))
        return TNavigationVerdict::Follow;
    if (HasScheme(url, "file")) return TNavigationVerdict::BookFile;
    if (IsWebUrl(url)) {
        // A frame of a web page navigates as web pages do; a book page goes to the web only
        // when the reader asks.
        if (!isMainFrame && IsWebUrl(pageUrl)) return TNavigationVerdict::Follow;
        if (isMainFrame && (userGesture || IsWebUrl(pageUrl))) return TNavigationVerdict::Follow;
        return TNavigationVerdict::RefuseWeb;
    }
    if (HasScheme(url, "data") && !isMainFrame) return TNavigationVerdict::Follow;
    return TNavigationVerdict::RefuseOther;
}

std::string RefusalMessage(TNavigationVerdict verdict, const QUrl& url) {
    const std::string address = url.toDisplayString().toStdString();
    switch (verdict) {
        case TNavigationVerdict::BookFile: return "Переход отклонён: файл вне папки книги: " + address;
        case TNavigationVerdict::RefuseWeb:
            return "Переход отклонён: страница сама обращается к адресу в сети: " + address;
        case TNavigationVerdict::RefuseOther: return "Переход отклонён: неизвестный протокол: " + address;
        case TNavigationVerdict::Follow: break;
    }
    return {};
}

std::string RefusedLoadMessage(const QUrl& url) {
    return "Страница книги не может загрузить: " + url.toDisplayString().toStdString();
}
