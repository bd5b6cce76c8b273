#include "BrowserLoad.h"

#include <QEventLoop>
#include <QPointer>
#include <QTimer>
#include <QWebEngineUrlScheme>

#include "TBookSchemeHandler.h"
#include "TWebBrowser.h"

namespace {

// Longest wait for the first empty document; the engine starting up takes a few seconds.
constexpr int DocumentWaitMs = 30000;

void RegisterScheme(const QByteArray& name, QWebEngineUrlScheme::Syntax syntax, QWebEngineUrlScheme::Flags flags) {
    if (!QWebEngineUrlScheme::schemeByName(name).name().isEmpty()) return;
    QWebEngineUrlScheme scheme(name);
    scheme.setSyntax(syntax);
    scheme.setFlags(flags);
    QWebEngineUrlScheme::registerScheme(scheme);
}

}  // namespace

void RegisterBrowserSchemes() {
    // "tomeri" keeps the path syntax so that its URLs reach the navigation event as written.
    RegisterScheme(InternalLinkScheme, QWebEngineUrlScheme::Syntax::Path, {});
    // The page scheme is a standard one: relative references resolve, "\" counts as "/".
    RegisterScheme(BookPageScheme, QWebEngineUrlScheme::Syntax::Host,
                   QWebEngineUrlScheme::SecureScheme | QWebEngineUrlScheme::LocalScheme |
                       QWebEngineUrlScheme::LocalAccessAllowed | QWebEngineUrlScheme::ViewSourceAllowed);
}

void LoadHtmlIntoBrowser(const std::string& html, TWebBrowser& browser, const std::string& encoding) {
    // Inside the browser's own navigation event the load is deferred anyway, and waiting
    // there would run the engine underneath its own event.
    if (!browser.HasDocument() && !browser.InNavigationEvent()) {
        browser.Navigate(QStringLiteral("about:blank"));
        QPointer<TWebBrowser> guard(&browser);
        QEventLoop loop;
        QObject::connect(&browser, &TWebBrowser::StateChanged, &loop, [&] {
            if (browser.HasDocument()) loop.quit();
        });
        QObject::connect(&browser, &QObject::destroyed, &loop, &QEventLoop::quit);
        QTimer::singleShot(DocumentWaitMs, &loop, &QEventLoop::quit);
        if (!browser.HasDocument()) loop.exec();
        if (!guard) return;  // the browser went away while the loop ran
    }
    browser.WriteDocument(html, encoding);
}
