#include "TWebPage.h"

#include "TWebBrowser.h"

TWebPage::TWebPage(QWebEngineProfile* profile, TWebBrowser& browser, QObject* parent)
    : QWebEnginePage(profile, parent), Browser(browser) {}

bool TWebPage::acceptNavigationRequest(const QUrl& url, NavigationType, bool isMainFrame) {
    return Browser.AcceptNavigation(url, isMainFrame);
}
