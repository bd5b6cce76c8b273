#pragma once
// The page policy of the browser control: navigations go to its events; a new window is
// asked for through newWindowRequested, which the control answers.
#include <QWebEnginePage>

class TWebBrowser;

class TWebPage : public QWebEnginePage {
    Q_OBJECT
public:
    TWebPage(QWebEngineProfile* profile, TWebBrowser& browser, QObject* parent);

protected:
    bool acceptNavigationRequest(const QUrl& url, NavigationType type, bool isMainFrame) override;

private:
    TWebBrowser& Browser;
};
