#pragma once
// The page policy of the browser control: navigations and new windows go to its events.
#include <QWebEnginePage>

class TWebBrowser;

class TWebPage : public QWebEnginePage {
    Q_OBJECT
public:
    TWebPage(QWebEngineProfile* profile, TWebBrowser& browser, QObject* parent);

protected:
    bool acceptNavigationRequest(const QUrl& url, NavigationType type, bool isMainFrame) override;
    QWebEnginePage* createWindow(WebWindowType type) override;

private:
    TWebBrowser& m_browser;
};
