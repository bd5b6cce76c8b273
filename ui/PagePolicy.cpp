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

bool MayPageLoad(const QUrl& request) { return IsBookUrl(request) || IsInline(request); }

TNavigationVerdict JudgeNavigation(const QUrl& url, bool isMainFrame, bool readerClicked) {
    if (IsBookUrl(url) || HasScheme(url, InternalLinkScheme) || HasScheme(url, "about"))
        return TNavigationVerdict::Follow;
    if (HasScheme(url, "file")) return TNavigationVerdict::BookFile;
    if (IsWebUrl(url)) return readerClicked ? TNavigationVerdict::OpenOutside : TNavigationVerdict::RefuseWeb;
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
        case TNavigationVerdict::Follow:
        case TNavigationVerdict::OpenOutside: break;
    }
    return {};
}

std::string RefusedLoadMessage(const QUrl& url) {
    return "Страница книги не может загрузить: " + url.toDisplayString().toStdString();
}
