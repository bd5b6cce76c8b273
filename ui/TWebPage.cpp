#include "TWebPage.h"

#include "TWebBrowser.h"

TWebPage::TWebPage(QWebEngineProfile* profile, TWebBrowser& browser, QObject* parent)
    : QWebEnginePage(profile, parent), m_browser(browser) {}

bool TWebPage::acceptNavigationRequest(const QUrl& url, NavigationType, bool isMainFrame) {
    return m_browser.AcceptNavigation(url, isMainFrame);
}
